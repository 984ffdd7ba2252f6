#!/usr/bin/env bash
# A real click on a tray icon and a real key press, given by xdotool in the Wine desktop, reach the
# program as OnClick and OnHotKey.
set -euo pipefail
wine=$1 probe=$2
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
eval "$("$wine" env)"

"$wine" "$probe" >"$work/out.txt" 2>/dev/null &
pid=$!
wait_for() {
    for _ in $(seq 1 150); do
        grep -q "$1" "$work/out.txt" && return 0
        sleep 0.1
    done
    echo "FAILED: no '$1' in: $(cat "$work/out.txt")" >&2
    exit 1
}
wait_for ready
# The shell's own answer when it gives one; else the first icon of the desktop's taskbar sits 11 pixels
# from the right edge and 10 from the bottom.
read -r _ x y < <(grep ready "$work/out.txt") || true
x=${x:-1013} y=${y:-758}
echo "icon at $x,$y"
sleep 0.5
xdotool mousemove "$x" "$y" click 1
wait_for click
xdotool mousemove 500 300 key ctrl+alt+k
wait_for "hotkey 7"
wait "$pid"
echo "tray input: click and hotkey arrived"
