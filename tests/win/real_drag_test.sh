#!/usr/bin/env bash
# A real drag with the mouse (xdotool) from one program to another: the drop target receives the objects
# through the system's cross-process OLE drag and drop, with their paths and absolute ID lists.
set -euo pipefail
wine=$1 probe=$2 source=$3
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
eval "$("$wine" env)"

wait_for() {
    for _ in $(seq 1 150); do
        grep -q "$2" "$work/$1" && return 0
        sleep 0.1
    done
    echo "FAILED: no '$2' in $1: $(cat "$work/$1")" >&2
    exit 1
}

"$wine" "$probe" >"$work/target.txt" 2>/dev/null &
pids+=($!)
target_pid=$!
wait_for target.txt ready
"$wine" "$source" >"$work/source.txt" 2>/dev/null &
pids+=($!)
source_pid=$!
wait_for source.txt ready
sleep 0.5

xdotool mousemove 150 150 mousedown 1
for point in "160 160" "300 250" "450 330" "490 390" "500 400"; do
    sleep 0.15
    xdotool mousemove $point
done
sleep 0.3
xdotool mouseup 1
wait_for target.txt "^drop"
wait_for source.txt "^done"
wait "$target_pid"
wait "$source_pid"
# The programs write text-mode lines.
for f in target source; do tr -d '\r' <"$work/$f.txt" >"$work/$f.clean"; mv "$work/$f.clean" "$work/$f.txt"; done
cat "$work/target.txt" "$work/source.txt"

grep -q "^done drop 4$" "$work/source.txt"
grep -q "^drop 4 at 100 100, 3 lists$" "$work/target.txt"
# Each offered file arrives, in order, as its path and as the path of its absolute ID list.
n=0
while read -r _ path; do
    n=$((n + 1))
    line=$(grep "^file " "$work/target.txt" | sed -n "${n}p")
    [ "$line" = "file $path | pidl $path" ] || { echo "FAILED: object $n is '$line', not $path" >&2; exit 1; }
done < <(grep "^offered " "$work/source.txt")
[ "$n" = 2 ]
echo "real drag: both files arrived with their ID lists"
