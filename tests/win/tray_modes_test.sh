#!/usr/bin/env bash
# Lodestar.exe in both drop modes against a stand-in for the notification-area window that Wine's desktop
# lacks. Timer mode, driven with the mouse: a real drag from another program that rests on the area brings
# up the overlay, and the drop on it registers the dragged files as new items (the screen with the overlay
# is kept as build/.../tray-overlay.png for a look). Hook mode: the program loads its hook library from
# beside itself, the hook runs inside the stand-in's process and makes the area accept files while the
# program runs, and no longer once it has ended.
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

"$wine" "$standin" --log "$(winpath "$work")\\standin.log" --ready "$(winpath "$work")\\ready.txt" --seconds 60 \
    >/dev/null 2>&1 &
pids+=($!)
wait_for ready.txt .
"$wine" "$lodestar" >/dev/null 2>&1 &
pids+=($!)
lodestar_pid=$!
"$wine" "$source" >"$work/source.txt" 2>/dev/null &
pids+=($!)
source_pid=$!
wait_for source.txt ready
sleep 2

# Press on the source, move onto the area (the stand-in's right-hand 160 pixels of the taskbar) and rest.
xdotool mousemove 150 150 mousedown 1
for point in "170 170" "400 400" "700 650" "900 740" "944 758"; do
    sleep 0.15
    xdotool mousemove $point
done
sleep 1.5
xdotool mousemove 946 758
sleep 0.3
import -display "$DISPLAY" -window root "$shot"
xdotool mouseup 1
wait_for source.txt "^done"
tr -d '\r' <"$work/source.txt" >"$work/source.clean"
grep -q "^done drop 4$" "$work/source.clean" || fail "the drop was not taken as a link: $(cat "$work/source.clean")"

# The new items are saved when the program ends.
sleep 0.5
"$wine" taskkill /im Lodestar.exe >/dev/null 2>&1 || true
for _ in $(seq 1 100); do kill -0 "$lodestar_pid" 2>/dev/null || break; sleep 0.1; done
"$wine" "$lsctl" export | tr -d '\r' >"$work/store.json"
python3 - "$work/store.json" "$work/source.clean" <<'PY'
import json, sys
store = json.load(open(sys.argv[1], encoding="utf-8"))
offered = [l.split(" ", 1)[1] for l in open(sys.argv[2], encoding="utf-8").read().splitlines() if l.startswith("offered ")]
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
