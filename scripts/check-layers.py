#!/usr/bin/env python3
"""Checks that the source folders layer: no folder includes, directly or
through others, from a folder that includes it, and the desktop's controls
know the playback model only, never the main window.

Prints the folder graph; exits 1 on a cycle or a forbidden include."""
import pathlib
import re
import sys

FOLDERS = ["app", "desktop", "player", "channels", "media", "catalogue", "news", "about", "platform"]
# Pairs that must never appear, whatever else the graph allows.
FORBIDDEN = {("desktop", "player"), ("media", "player"), ("media", "desktop"), ("media", "app")}

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
include = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')
edges = {f: set() for f in FOLDERS}
where = {}
for folder in FOLDERS:
    for path in sorted((root / folder).rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        for n, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = include.match(line)
            if m and m.group(1) in edges and m.group(1) != folder:
                edges[folder].add(m.group(1))
                where.setdefault((folder, m.group(1)), f"{path.relative_to(root)}:{n}")

faults = [f"{a} includes {b} ({where[(a, b)]})" for (a, b) in sorted(where) if (a, b) in FORBIDDEN]

# A cycle: a folder reachable from itself.
def reach(start):
    seen, todo = set(), [start]
    while todo:
        for nxt in edges[todo.pop()]:
            if nxt not in seen:
                seen.add(nxt)
                todo.append(nxt)
    return seen

for f in FOLDERS:
    if f in reach(f):
        back = sorted(g for g in edges[f] if f in reach(g) or g == f)
        faults.append(f"{f} reaches itself through {', '.join(back)}")

for f in FOLDERS:
    print(f"{f:10} -> {' '.join(sorted(edges[f])) or '-'}")
for fault in faults:
    print("fault:", fault)
sys.exit(1 if faults else 0)
