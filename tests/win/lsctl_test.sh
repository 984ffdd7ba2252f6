#!/usr/bin/env bash
# lsctl against the real registry of the test prefix: export, reset and import give back the same tree;
# a bad document changes nothing; item encode and decode undo each other.
set -euo pipefail
wine=$1 lsctl=$2 data=$3
work=$(mktemp -d)
run() { "$wine" "$lsctl" "$@"; }
# The next test finds an empty store, however this one ends.
trap 'run reset >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

run reset
run import "$data/store-document.json" || fail "import of a valid document"
run export "$work/a.json"
grep -q '"仕事"' "$work/a.json" || fail "group name not exported"
grep -q '"Interval": 800' "$work/a.json" || fail "settings not exported"
# A group named after its own number is stored without a name.
python3 - "$work/a.json" <<'PY' || fail "exported document"
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert d["Groups"][3]["Name"] == "", d["Groups"][3]
assert len(d["Groups"]) == 10
assert d["Groups"][0]["Items"][0]["Children"][1]["DupCheckText"] == "*マイ コンピュータ*"
assert d["Window"] == {"FixToolbarPos": True, "OptDlgTop": -40, "OptDlgLeft": 120}, d["Window"]
assert d["Settings"]["IconGroup"] == 3 and d["Settings"]["HideLinkOverlay"] is False
# Names in scripts the legacy code page lacks are stored whole.
item = d["Groups"][0]["Items"][3]
assert (item["Tip"], item["Cmd"]) == ("Café 😀 项目", "C:\\Users\\Public\\Café😀项.txt"), item
assert item["Children"][0]["DupCheckText"] == "*Zoë*", item
PY
# An item whose texts the legacy code page holds is stored byte for byte as before: its legacy fields only.
hex=$(printf '%s' '{"Cmd": "C:\\メモ.txt", "Tip": "帳簿"}' | run item encode | tr -d '\r')
expected=$(python3 -c '
import struct
s = lambda t: struct.pack("<I", len(t)) + t
i = lambda v: s(struct.pack("<I", v))
body = s(b"") + s("C:\\メモ.txt".encode("cp932")) + s(b"") + i(0) + s("帳簿".encode("cp932")) + s(b"") + i(0)
print((struct.pack("<I", len(body)) + body).hex())')
[ "$hex" = "$expected" ] || fail "plain item stored as $hex, not $expected"

run reset
run export "$work/empty.json"
grep -q '"Interval": 500' "$work/empty.json" || fail "defaults after reset"
run import "$work/a.json"
run export "$work/b.json"
cmp "$work/a.json" "$work/b.json" || fail "export, reset, import, export differs"

set +e
run import "$data/bad-document.json" 2>"$work/err.txt"
status=$?
set -e
[ "$status" -eq 2 ] || fail "bad document: exit status $status"
grep -q 'Groups\[1\].Items\[0\].Children\[0\].WaitMode' "$work/err.txt" || fail "bad document: $(cat "$work/err.txt")"
run export "$work/c.json"
cmp "$work/a.json" "$work/c.json" || fail "a bad document changed the tree"

# While Lodestar runs (its mutex exists), import refuses unless forced.
mkfifo "$work/hold"
"$wine" "$LODESTAR_HOLD_MUTEX" <"$work/hold" >"$work/holding.txt" &
exec 9>"$work/hold"
for _ in $(seq 1 100); do grep -q holding "$work/holding.txt" && break; sleep 0.1; done
set +e
run import "$data/store-document.json" 2>"$work/err.txt"
status=$?
set -e
[ "$status" -eq 1 ] || fail "import while running: exit status $status"
grep -q 'Lodestar が実行中です' "$work/err.txt" || fail "import while running: $(cat "$work/err.txt")"
run export "$work/d.json"
cmp "$work/a.json" "$work/d.json" || fail "a refused import changed the tree"
run import --force "$work/a.json" || fail "forced import"
exec 9>&-
wait

python3 - "$work/a.json" >"$work/items.txt" <<'PY'
import json, sys
for group in json.load(open(sys.argv[1], encoding="utf-8"))["Groups"]:
    for item in group["Items"]:
        print(json.dumps(item, ensure_ascii=False))
PY
while IFS= read -r item; do
    hex=$(printf '%s' "$item" | run item encode)
    back=$(printf '%s' "$hex" | run item decode)
    python3 -c 'import json,sys; assert json.loads(sys.argv[1]) == json.loads(sys.argv[2]), sys.argv' "$item" "$back" ||
        fail "decode(encode(item)) for $item"
    again=$(printf '%s' "$back" | run item encode)
    [ "$again" = "$hex" ] || fail "encode(decode(hex)) for $item"
done <"$work/items.txt"
run reset
echo "lsctl: all checks passed"
