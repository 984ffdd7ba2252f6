#!/usr/bin/env bash
# scripts/check-links on a small repository of its own: every kind of reference a Markdown file can make
# to a file of the repository is checked, code and web addresses are not, and a file that lies in the
# working tree without being committed counts as missing, as it would be in a fresh clone.
set -euo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cd "$work"
git init -q .
mkdir -p scripts docs sub
cp "$check" scripts/check-links
touch docs/held.png docs/untracked.png
cat >README.md <<'EOF'
![held](docs/held.png) [with title](docs/held.png "title") [anchor](docs/held.png#part) [folder](docs/)
[web](https://example.com/missing.png) [page](#usage) `![code](docs/code.png)`
```
![fenced](docs/fenced.png)
```
![missing](docs/missing.png) [titled](docs/titled.png "a title")
[ref]: docs/reference.png
<img src="docs/html.png" alt="">
![not committed](docs/untracked.png)
[outside](../outside.md)
EOF
echo '[relative](../docs/held.png) [beside](beside.png)' >sub/README.md
git add scripts docs/held.png README.md sub

set +e
scripts/check-links >"$work/out.txt" 2>"$work/err.txt"
status=$?
set -e
[ "$status" -eq 1 ] || fail "exit status $status: $(cat "$work/out.txt" "$work/err.txt")"
cat >"$work/expected.txt" <<'EOF'
README.md:6: docs/missing.png is not in the repository
README.md:6: docs/titled.png is not in the repository
README.md:7: docs/reference.png is not in the repository
README.md:8: docs/html.png is not in the repository
README.md:9: docs/untracked.png is not in the repository
README.md:10: ../outside.md lies outside the repository
sub/README.md:1: beside.png is not in the repository
EOF
diff "$work/expected.txt" "$work/err.txt" || fail "the missing files were not named exactly"

# Once everything named is committed, the check passes.
git add -f docs/untracked.png
printf '![held](docs/held.png)\n' >README.md
printf '[relative](../docs/held.png)\n' >sub/README.md
git add README.md sub
scripts/check-links >/dev/null || fail "a repository holding every file named was refused"
echo "check-links: all checks passed"
