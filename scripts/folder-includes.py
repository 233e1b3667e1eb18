#!/usr/bin/env python3
"""The folders' include graph, from the #include "..." lines of the sources.

Prints one line per pair of folders, "from -> to: N" (N include lines), and marks an
include that climbs from a lower layer into a higher one. With --dot, prints the graph in
Graphviz's language instead (dot -Tsvg draws it). Exit status 1 when an include climbs.

Layers, top to bottom: the faces (app, ui, bench, fuzz, tests), ctl and helper, sim, chipset.
"""
import os
import re
import sys
from collections import Counter

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ["app", "ui", "bench", "fuzz", "tests", "ctl", "helper", "sim", "chipset"]
LAYER = {"app": 3, "ui": 3, "bench": 3, "fuzz": 3, "tests": 3, "ctl": 2, "helper": 2, "sim": 1, "chipset": 0}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def sources():
    for folder in FOLDERS:
        for base, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    yield folder, os.path.join(base, name)


def main():
    owner = {}  # header file name -> folder
    for folder, path in sources():
        owner.setdefault(os.path.basename(path), folder)
    edges = Counter()
    for folder, path in sources():
        with open(path, encoding="utf-8", errors="replace") as text:
            for line in text:
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = owner.get(os.path.basename(match.group(1)))
                if target and target != folder:
                    edges[folder, target] += 1
    climbing = {edge for edge in edges if LAYER[edge[1]] > LAYER[edge[0]]}
    if "--dot" in sys.argv[1:]:
        print("digraph folders {")
        for (source, target), count in sorted(edges.items()):
            style = ', color=red' if (source, target) in climbing else ""
            print(f'  "{source}" -> "{target}" [label={count}{style}];')
        print("}")
    else:
        for (source, target), count in sorted(edges.items()):
            print(f"{source} -> {target}: {count}" + ("  (climbs)" if (source, target) in climbing else ""))
        print(f"{len(edges)} folder pairs, {sum(edges.values())} include lines, {len(climbing)} climbing")
    return 1 if climbing else 0


if __name__ == "__main__":
    sys.exit(main())
