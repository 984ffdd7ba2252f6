#!/usr/bin/env bash
# Lodestar.exe with a stored group whose middle value is cut in half, as a failing disk leaves it. Switched
# to from the main menu and shown at start-up, the group's read error is shown once and the program stays
# usable: the main menu opens, a click starts an item, the exit entry ends the program. Neither the exit
# nor a log-off rewrites the group: its stored values stay byte for byte as they were.
set -euo pipefail
wine=$1 lodestar=$2 lsctl=$3 probe=$4 launch_probe=$5
work=$(mktemp -d)
pids=()
cleanup() {
    "$wine" taskkill /f /im Lodestar.exe >/dev/null 2>&1 || true
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    # The damaged group must not reach the tests after this one.
    "$wine" "$lsctl" reset >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
eval "$("$wine" env)"
fail() { echo "FAILED: $*" >&2; exit 1; }
winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
pixel() { import -display "$DISPLAY" -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | tail -n 1 | awk '{print $3}'; }
probe() { "$wine" "$probe" "$@" 2>/dev/null | tr -d '\r'; }
icon_shown() { # x: whether the tray shows an icon there
    local bar
    bar=$(pixel 600 758)
    [ -n "$bar" ] && [ "$bar" != "#000000" ] && [ "$(pixel "$1" 758)" != "$bar" ]
}
wait_for_icon() {
    for _ in $(seq 1 200); do icon_shown "$1" && return 0; sleep 0.1; done
    fail "no icon at x=$1"
}
start_lodestar() {
    "$wine" "$lodestar" >/dev/null 2>&1 &
    lodestar_pid=$!
    pids+=($lodestar_pid)
}
wait_until_ended() {
    for _ in $(seq 1 100); do kill -0 "$lodestar_pid" 2>/dev/null || return 0; sleep 0.1; done
    fail "Lodestar did not end"
}
# The error box of the damaged value, once: it comes, it is answered, and no second one follows.
expect_one_error_box() {
    local first
    first=$(probe box Lodestar 10000) || fail "no error box"
    [ "$first" = "box 親アイコンのサイズが大きすぎます" ] || fail "unexpected box: $first"
    [ "$(probe box Lodestar 1500 || true)" = "none" ] || fail "a second box came"
}
key='HKCU\Software\Marlowe\Lodestar\Groups\g001'
snapshot() { "$wine" reg export "$key" "$(winpath "$work")\\$1.reg" /y >/dev/null 2>&1 || fail "no export of $key"; }
same_as_before() { cmp -s "$work/before.reg" "$work/$1.reg" || fail "the group's values changed ($1): $(diff "$work/before.reg" "$work/$1.reg" | head)"; }

started=$(winpath "$work")\\started.txt
# The item's command line holds the probe's path: a copy in the short work folder keeps it within the
# program's limit wherever the build lies.
cp "$launch_probe" "$work/probe.exe"
python3 - "$work/store.json" "$(winpath "$work/probe.exe")" "$started" <<'PY'
import json, sys
path, probe, started = sys.argv[1:]
groups = [{"Name": "", "Items": []} for _ in range(10)]
groups[0]["Items"] = [{"Cmd": "C:\\windows\\notepad.exe"}]
groups[1] = {"Name": "壊れた", "Items": [
    {"Tip": "probe", "Cmd": '"%s" --out "%s" --stay 2000' % (probe, started)},
    {"Cmd": "C:\\windows\\regedit.exe", "Tip": "レジストリ"},
    {"Cmd": "C:\\windows\\system32\\calc.exe"},
]}
json.dump({"Settings": {"IconGroup": 0, "TrayDndType": 0, "ClickType": False, "ShowMainIcon": True},
           "Groups": groups}, open(path, "w", encoding="utf-8"), ensure_ascii=False)
PY
"$wine" "$lsctl" reset
"$wine" "$lsctl" import "$(winpath "$work")\\store.json" >/dev/null || fail "import"
hex=$(echo '{"Cmd": "C:\\windows\\regedit.exe", "Tip": "レジストリ"}' | "$wine" "$lsctl" item encode | tr -d '\r\n ')
half=${hex:0:$(( ${#hex} / 4 * 2 ))}
"$wine" reg add "$key" /v i002 /t REG_BINARY /d "$half" /f >/dev/null 2>&1
snapshot before

# Switched to from the main menu: exit, options, reload, group 0, group 1.
start_lodestar
wait_for_icon 993
sleep 0.5
xdotool mousemove 1013 758 click 3
[ "$(probe menu 5000 down down down down down return)" = "menu" ] || fail "the main menu did not open"
expect_one_error_box
echo "switched to the damaged group: one error box"
sleep 0.5
xdotool mousemove 993 758 click 1
for _ in $(seq 1 100); do [ -e "$work/started.txt" ] && break; sleep 0.1; done
[ -e "$work/started.txt" ] || fail "a click on the item read before the damage started nothing"
echo "a click started the item"
xdotool mousemove 1013 758 click 3
[ "$(probe menu 5000 escape)" = "menu" ] || fail "the main menu did not open again"
sleep 0.5
xdotool mousemove 1013 758 click 3
[ "$(probe menu 5000 down return)" = "menu" ] || fail "the main menu did not open for the exit"
wait_until_ended
echo "the exit entry ended the program"
snapshot after-exit
same_as_before after-exit

# Shown at start-up.
"$wine" reg add 'HKCU\Software\Marlowe\Lodestar\Settings' /v IconGroup /t REG_DWORD /d 1 /f >/dev/null 2>&1
start_lodestar
expect_one_error_box
wait_for_icon 993
sleep 1
icon_shown 973 && fail "more than one item icon"
echo "started with the damaged group: one error box, one item icon"
[ "$(probe logoff LodestarMainWindow)" = "logoff agreed" ] || fail "log-off"
snapshot after-logoff
same_as_before after-logoff
kill -0 "$lodestar_pid" 2>/dev/null || fail "the program ended at the log-off message"
"$wine" taskkill /im Lodestar.exe >/dev/null 2>&1 || true
wait_until_ended
snapshot after-second-exit
same_as_before after-second-exit
echo "damaged group: kept byte for byte through exit and log-off"
