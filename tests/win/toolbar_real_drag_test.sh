#!/usr/bin/env bash
# The docking toolbar dragged with the real mouse (xdotool) inside the Wine desktop: from the top dock to the
# bottom one, to the left one (standing on end), out into a floating window, and by that window's caption
# back onto the top dock. The test program says where to press and release and reports where the toolbar
# went. With a folder as third argument, a screenshot of each step is kept there.
set -euo pipefail
wine=$1 tests=$2 shots=${3:-}
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
eval "$("$wine" env)"
. "$(dirname "$0")/mouse_drag.sh"

wait_for() {
    for _ in $(seq 1 200); do
        grep -q "$1" "$work/out.txt" && return 0
        sleep 0.1
    done
    echo "FAILED: no '$1' in: $(cat "$work/out.txt")" >&2
    exit 1
}

LODESTAR_TOOLBAR_REAL=1 "$wine" "$tests" --gtest_filter=Toolbar97Test.RealMouse >"$work/out.txt" 2>&1 &
pid=$!
for n in 1 2 3 4; do
    wait_for "^drag $n "
    read -r _ _ x0 y0 x1 y1 < <(grep "^drag $n " "$work/out.txt" | tr -d '\r')
    mouse_drag "$x0" "$y0" "$x1" "$y1"
    wait_for "^done $n "
    grep "^done $n " "$work/out.txt" | tr -d '\r'
    if [ -n "$shots" ]; then
        mkdir -p "$shots"
        import -display "$DISPLAY" -window root "$shots/toolbar-step$n.png"
    fi
done
wait "$pid"
pid=
tr -d '\r' <"$work/out.txt" | grep "PASSED.*1 test" >/dev/null
echo "real drag: the toolbar went bottom, left, floating and back to the top"
