#!/usr/bin/env python3
"""Reads the built help file back with chmls: every context number of the help project leads to a page
inside the file, every number has its popup text, and every link of every page leads to a file inside.

    check_help_file.py Lodestar.chm help/context.h
"""
import re
import subprocess
import sys
import tempfile
from pathlib import Path


def chmls(*args, cwd=None):
    return subprocess.run(["chmls", "-p", *args], cwd=cwd, check=True, capture_output=True, text=True,
                          errors="replace").stdout


def main():
    chm, context_header = Path(sys.argv[1]).resolve(), Path(sys.argv[2])
    contexts = {int(m.group(2)): m.group(1)
                for m in re.finditer(r"^#define\s+(IDH_\w+)\s+(\d+)\s*$", context_header.read_text(), re.M)}
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        copy = work / "Lodestar.chm"
        copy.write_bytes(chm.read_bytes())
        inside = {line.strip() for line in chmls("-n", "list", str(copy)).splitlines() if line.startswith("/")}

        # The context map: number → page, as the help viewer reads it.
        chmls("extractalias", str(copy), cwd=work)
        mapped = {}
        for line in (work / "Lodestar.ali").read_text(errors="replace").splitlines():
            m = re.match(r"\w*?(\d+)=(.*)$", line.strip())
            if m:
                mapped[int(m.group(1))] = m.group(2)
        for number, name in sorted(contexts.items()):
            page = mapped.get(number)
            if page is None:
                failures.append(f"{name} ({number}): not in the help file's context map")
            elif page not in inside:
                failures.append(f"{name} ({number}): maps to {page}, which the file does not hold")
        for number in sorted(set(mapped) - set(contexts)):
            failures.append(f"context {number} is mapped but not in {context_header.name}")

        # The popup texts: one topic per name, none empty.
        chmls("extract", str(copy), "/cshelp.txt", str(work / "cshelp.txt"))
        popups = (work / "cshelp.txt").read_bytes().decode("cp932")
        bodies = dict(re.findall(r"^\.topic\s+(IDH_\w+)\s*\n(.*?)(?=^\.topic|\Z)", popups, re.M | re.S))
        for number, name in sorted(contexts.items()):
            if not bodies.get(name, "").strip():
                failures.append(f"{name} ({number}): no popup text")
        if "/context.h" not in inside:
            failures.append("the popups' names need context.h inside the file")

        # Links between the pages.
        for page in sorted(p for p in inside if p.endswith(".html")):
            target = work / "page.html"
            chmls("extract", str(copy), page, str(target))
            text = target.read_text(encoding="utf-8", errors="replace")
            base = page.rsplit("/", 1)[0]
            for link in re.findall(r'(?:href|src)="([^"#:]+)(?:#[^"]*)?"', text):
                parts = []
                for part in (base + "/" + link).split("/"):
                    if part == "..":
                        parts.pop()
                    elif part not in ("", "."):
                        parts.append(part)
                if "/" + "/".join(parts) not in inside:
                    failures.append(f"{page}: link {link} leads to no file inside")

    for failure in failures:
        print("FAILED:", failure)
    print(f"{len(contexts)} contexts, {len(inside)} entries in the help file")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
