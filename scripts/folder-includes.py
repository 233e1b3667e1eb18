#!/usr/bin/env python3
"""The folders' include graph, from the #include "..." lines of the sources.

Prints one line per pair of folders, "from -> to: N" (N include lines), marks an include
that climbs from a lower floor into a higher one, and names every circle of folders. With
--dot, prints the graph in Graphviz's language instead (dot -Tsvg draws it). Exit status 1
when an include climbs or folders include each other in a circle.

Floors, bottom to top (a folder includes only from its own floor and those below):
  0 chip driver the i815 in words, no operating system; the driver, its request check beside it
  1 system      the operating system's glue
  2 access      the back ends and the lock
  3 helper sim  both ends of the helper's wire; the emulated chip
  4 route form  the one chooser of a back end; the window's logic without a toolkit
  5 ctl qt win32  the programs and the window's faces
  6 benchmarks fuzz tests
"""
import os
import re
import sys
from collections import Counter

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FLOORS = [["chip", "driver"], ["system"], ["access"], ["helper", "sim"], ["route", "form"], ["ctl", "qt", "win32"],
          ["benchmarks", "fuzz", "tests"]]
FLOOR = {folder: floor for floor, folders in enumerate(FLOORS) for folder in folders}
FOLDERS = list(FLOOR)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def sources():
    for folder in FOLDERS:
        for base, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    yield folder, os.path.join(base, name)


def circles(edges):
    """The strongly connected components of more than one folder (Tarjan)."""
    graph = {folder: sorted(b for a, b in edges if a == folder) for folder in FOLDERS}
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(folder):
        index[folder] = low[folder] = len(index)
        stack.append(folder)
        on_stack.add(folder)
        for target in graph[folder]:
            if target not in index:
                visit(target)
                low[folder] = min(low[folder], low[target])
            elif target in on_stack:
                low[folder] = min(low[folder], index[target])
        if low[folder] == index[folder]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == folder:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for folder in FOLDERS:
        if folder not in index:
            visit(folder)
    return found


def main():
    owner = {}  # header file name -> folder (tests/ mirrors the others and owns only its helpers)
    for folder, path in sorted(sources(), key=lambda item: item[0] == "tests"):
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
    climbing = {edge for edge in edges if FLOOR[edge[1]] > FLOOR[edge[0]]}
    rings = circles(edges)
    if "--dot" in sys.argv[1:]:
        print("digraph folders {")
        for (source, target), count in sorted(edges.items()):
            style = ', color=red' if (source, target) in climbing else ""
            print(f'  "{source}" -> "{target}" [label={count}{style}];')
        print("}")
    else:
        for (source, target), count in sorted(edges.items()):
            print(f"{source} -> {target}: {count}" + ("  (climbs)" if (source, target) in climbing else ""))
        for ring in rings:
            print("circle: " + " -> ".join(ring))
        print(f"{len(FOLDERS)} folders on {len(FLOORS)} floors, {len(edges)} folder pairs, "
              f"{sum(edges.values())} include lines, {len(climbing)} climbing, {len(rings)} circles")
    return 1 if climbing or rings else 0


if __name__ == "__main__":
    sys.exit(main())
