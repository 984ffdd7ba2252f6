#!/usr/bin/env bash
# Rows of the options dialog's item list dragged with the real mouse (xdotool), with a key pressed during each
# drag. The test program says where to press and release and which key ("drag N x0 y0 x1 y1 key"); once the
# button is up this script leaves the file N in the folder the program watches, and the program checks the
# dialog. The program's own result is the test's.
set -euo pipefail
wine=$1 tests=$2
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
eval "$("$wine" env)"
. "$(dirname "$0")/mouse_drag.sh"

LODESTAR_ROWDRAG_REAL="Z:${work//\//\\}" "$wine" "$tests" --gtest_filter=OptionsTransferTest.RealMouseKeys \
    >"$work/out.txt" 2>&1 &
pid=$!
n=0
while :; do
    n=$((n + 1))
    for _ in $(seq 1 300); do
        grep -q "^drag $n " "$work/out.txt" && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    grep -q "^drag $n " "$work/out.txt" || break
    read -r _ _ x0 y0 x1 y1 key < <(grep "^drag $n " "$work/out.txt" | tr -d '\r')
    mouse_drag "$x0" "$y0" "$x1" "$y1" "$key"
    sleep 0.3
    touch "$work/$n"
done
status=0
wait "$pid" || status=$?
pid=
tr -d '\r' <"$work/out.txt"
[ "$status" = 0 ] || { echo "FAILED: the test program ended with $status" >&2; exit 1; }
tr -d '\r' <"$work/out.txt" | grep "PASSED.*1 test" >/dev/null
echo "real drag: Escape and Enter during row drags left the options dialog open"
