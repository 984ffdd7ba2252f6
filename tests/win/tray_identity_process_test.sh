#!/usr/bin/env bash
# Lodestar.exe's icons keep their identifiers from one run to the next: the shown group's items are known
# to the shell under their group and number, and nothing else of them is.
set -euo pipefail
wine=$1 lodestar=$2 lsctl=$3 probe=$4 data=$5
pids=()
cleanup() {
    "$wine" taskkill /im Lodestar.exe >/dev/null 2>&1 || true
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    "$wine" "$lsctl" reset >/dev/null 2>&1 || true
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

stop_lodestar() {
    "$wine" taskkill /im Lodestar.exe >/dev/null 2>&1 || true
    for _ in $(seq 1 50); do
        local alive=0
        for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=1; done
        [ "$alive" = 0 ] && break
        sleep 0.2
    done
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    pids=()
}
# The probe's answer once Lodestar's icon of group 3, item 1 is there.
probe_run() {
    "$wine" "$lodestar" >/dev/null 2>&1 &
    pids+=($!)
    local out=""
    for _ in $(seq 1 100); do
        out=$("$wine" "$probe" 1 1001 3001 3002 2>/dev/null | tr -d '\r') || true
        case "$out" in *"3001 known"*) break ;; esac
        sleep 0.2
    done
    stop_lodestar
    echo "$out"
}

"$wine" "$lsctl" reset
# Group 3 is shown and holds one item; the main icon is switched off.
"$wine" "$lsctl" import "$data/store-document.json"
"$wine" reg add 'HKCU\Software\Marlowe\Lodestar\Settings' /v TrayDndType /t REG_DWORD /d 1 /f >/dev/null 2>&1

expected=$'1 unknown\n1001 unknown\n3001 known\n3002 unknown'
first=$(probe_run)
[ "$first" = "$expected" ] || fail "first run: $first"
second=$(probe_run)
[ "$second" = "$expected" ] || fail "after a restart: $second"
echo "tray identity across runs: all checks passed"
