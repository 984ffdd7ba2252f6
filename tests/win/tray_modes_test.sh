#!/usr/bin/env bash
# Lodestar.exe in both drop modes against a stand-in for the notification-area window that Wine's desktop
# lacks, as a plain area and as the window trees of Windows 10 (the area covered by its children) and 11 (the
# whole bar covered by a content window). Timer mode, driven with the mouse: a real drag from another program
# that rests on the area, over whichever window covers it, brings up the overlay, and the drop on it
# registers the dragged files as new items (the screen with the overlay is kept as
# build/.../tray-overlay-<model>.png for a look). Hook mode: the program loads its hook library from beside
# itself, the hook runs inside the stand-in's process and makes the area accept files while the program
# runs, and no longer once it has ended.
set -euo pipefail
wine=$1 lodestar=$2 lsctl=$3 standin=$4 source=$5 shot=$6
work=$(mktemp -d)
pids=()
cleanup() {
    "$wine" taskkill /im Lodestar.exe >/dev/null 2>&1 || true
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    # The hook mode and the dropped items stay behind otherwise, for whatever runs next in the prefix.
    "$wine" "$lsctl" reset >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
eval "$("$wine" env)"
fail() { echo "FAILED: $*" >&2; exit 1; }
wait_for() {
    for _ in $(seq 1 150); do
        [ -e "$work/$1" ] && grep -q "$2" "$work/$1" && return 0
        sleep 0.1
    done
    fail "no '$2' in $1: $(cat "$work/$1" 2>/dev/null)"
}
winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

"$wine" "$lsctl" reset
"$wine" reg add 'HKCU\Software\Marlowe\Lodestar\Settings' /v TrayDndType /t REG_DWORD /d 1 /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Marlowe\Lodestar\Settings' /v Interval /t REG_DWORD /d 300 /f >/dev/null 2>&1

# The stand-in as plain area and as the window trees of Windows 10 and 11; kept until the next one starts.
standin_pid=
winwork=$(winpath "$work")
start_standin() {
    if [ -n "$standin_pid" ]; then
        "$wine" taskkill /im "$(basename "$standin")" >/dev/null 2>&1 || true
        for _ in $(seq 1 100); do kill -0 "$standin_pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$work/ready.txt" "$work/standin.log"
    "$wine" "$standin" --log "$winwork\\standin.log" --ready "$winwork\\ready.txt" --seconds 60 --model "$1" \
        >/dev/null 2>&1 &
    standin_pid=$!
    pids+=($!)
    wait_for ready.txt .
}

# Timer mode, one program run for every case: a drag from the source rests on the point (x, 758) of the
# area (the stand-in's right-hand 160 pixels of the taskbar: a chevron 864..879, the icons' toolbar
# 880..983, the clock 984..1023; on win11 all under the content window) and must be dropped on the overlay.
start_standin plain
"$wine" "$lodestar" >/dev/null 2>&1 &
pids+=($!)
lodestar_pid=$!
sleep 2
: >"$work/offered.txt"
model=plain
for case in "plain area 944" "win10 toolbar 932" "win10 clock 1004" "win11 content 932"; do
    read -r want over x <<<"$case"
    [ "$want" = "$model" ] || { model=$want; start_standin "$model"; }
    "$wine" "$source" >"$work/source.txt" 2>/dev/null &
    pids+=($!)
    wait_for source.txt ready
    sleep 0.3
    xdotool mousemove 150 150 mousedown 1
    for point in "170 170" "400 400" "700 650" "900 740" "$((x - 2)) 758"; do
        sleep 0.15
        xdotool mousemove $point
    done
    sleep 0.6
    xdotool mousemove "$x" 758
    sleep 0.3
    [ "$over" = clock ] || import -display "$DISPLAY" -window root "${shot%.png}-$model.png"
    xdotool mouseup 1
    wait_for source.txt "^done"
    tr -d '\r' <"$work/source.txt" >"$work/source.clean"
    grep -q "^done drop 4$" "$work/source.clean" ||
        fail "$model, over the $over: the drop was not taken as a link: $(cat "$work/source.clean")"
    grep "^offered " "$work/source.clean" >>"$work/offered.txt"
    echo "$model, over the $over: the overlay took the drop"
done

# The new items are saved when the program ends.
sleep 0.5
"$wine" taskkill /im Lodestar.exe >/dev/null 2>&1 || true
for _ in $(seq 1 100); do kill -0 "$lodestar_pid" 2>/dev/null || break; sleep 0.1; done
"$wine" "$lsctl" export | tr -d '\r' >"$work/store.json"
python3 - "$work/store.json" "$work/offered.txt" <<'PY'
import json, sys
store = json.load(open(sys.argv[1], encoding="utf-8"))
offered = [l.split(" ", 1)[1] for l in open(sys.argv[2], encoding="utf-8").read().splitlines()]
cmds = [item.get("Cmd", "") for item in store["Groups"][0]["Items"]]
want = ['"%s"' % p if " " in p else p for p in offered]
if cmds != want:
    sys.exit("FAILED: group 0 holds %r, not %r" % (cmds, want))
print("tray overlay: the dropped files became items", cmds)
PY

# Hook mode.
"$wine" reg add 'HKCU\Software\Marlowe\Lodestar\Settings' /v TrayDndType /t REG_DWORD /d 2 /f >/dev/null 2>&1
"$wine" "$lodestar" >/dev/null 2>&1 &
pids+=($!)
lodestar_pid=$!
wait_for standin.log "^area WM_TRAYACCEPTFILES wParam=1 lParam=1 accept=1"
"$wine" taskkill /im Lodestar.exe >/dev/null 2>&1 || true
for _ in $(seq 1 100); do kill -0 "$lodestar_pid" 2>/dev/null || break; sleep 0.1; done
wait_for standin.log "^area WM_TRAYACCEPTFILES wParam=0 lParam=0 accept=0"
tr -d '\r' <"$work/standin.log"
echo "hook mode: the area accepted files exactly while Lodestar ran"
