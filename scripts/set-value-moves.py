#!/usr/bin/env python3
"""How often the handling of one `i815ctl set` value moves between folders.

Builds i815ctl without optimisation in build-trace/, runs
`i815ctl --emulated set --force "cas=3 clocks"` (a value with a warning, hence --force) under
gdb with a breakpoint on every function of ctl/, chip/, system/, access/, route/ and sim/, and
lists the folders of the functions entered while the set command runs, in order. Opening the
route, the route's own functions and what stands for the hardware are left out: the emulated
chip, and the back end below ConfigAccess (access/), which only reads and writes a dword for
each access; --with-back-end counts the back end as well. A move is a change of folder from one
entered function to the next: down towards chip/, or up back towards ctl/.

    scripts/set-value-moves.py [--with-back-end] [COMMAND-FUNCTION]   (default: SetCommand)
"""
import os
import re
import subprocess
import sys

FOLDERS = ("ctl", "route", "sim", "access", "system", "chip")
LAYER = {"ctl": 5, "route": 4, "sim": 3, "access": 2, "system": 1, "chip": 0}

try:
    import gdb  # loaded by gdb: record the functions entered
except ImportError:
    gdb = None

if gdb:
    root, spans, out = os.environ["TRACE_ROOT"], os.environ["TRACE_SPANS"].split(","), os.environ["TRACE_OUT"]
    entered = []

    class End(gdb.FinishBreakpoint):
        def __init__(self, frame, name):
            super().__init__(frame, internal=True)
            self.name = name

        def stop(self):
            entered.append(("-", "END " + self.name))
            return False

        def out_of_scope(self):
            pass

    class Entry(gdb.Breakpoint):
        def stop(self):
            frame = gdb.selected_frame()
            sal = frame.find_sal()
            name = (frame.name() or "?").replace("(anonymous namespace)::", "").split("(")[0].split("::")[-1]
            entered.append((os.path.relpath(sal.symtab.fullname(), root) if sal.symtab else "?", name))
            if name in spans:
                End(frame, name)
            return False

    gdb.execute("set pagination off")
    current = None
    places = set()
    for line in gdb.execute("info functions -q -n", to_string=True).splitlines():
        if line.startswith("File "):
            current = os.path.relpath(os.path.join(root, line[5:].rstrip(":")), root)
        elif current and current.split("/")[0] in FOLDERS and re.match(r"^\d+:", line):
            places.add((current, int(line.split(":")[0])))
    for path, line in sorted(places):
        Entry(f"{os.path.join(root, path)}:{line}", internal=True)
    gdb.execute("run")
    with open(out, "w") as text:
        text.writelines(f"{path}\t{name}\n" for path, name in entered)
    gdb.execute("quit")


def main():
    args = sys.argv[1:]
    with_back_end = "--with-back-end" in args
    args = [arg for arg in args if arg != "--with-back-end"]
    command = args[0] if args else "SetCommand"
    left_out = {"sim", "route"} | (set() if with_back_end else {"access"})
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build = os.path.join(root, "build-trace")
    subprocess.run(["cmake", "-S", root, "-B", build, "-DCMAKE_BUILD_TYPE=Debug", "-DQUARVEL_BUILD_UI=OFF",
                    "-DQUARVEL_BUILD_TESTS=OFF", "-DQUARVEL_BUILD_BENCHMARKS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j2", "--target", "i815ctl"], check=True, stdout=subprocess.DEVNULL)
    trace = os.path.join(build, "set-value.tsv")
    env = dict(os.environ, TRACE_ROOT=root, TRACE_SPANS=f"{command},OpenRoute", TRACE_OUT=trace)
    subprocess.run(["gdb", "-batch", "-x", os.path.abspath(__file__), "--args", os.path.join(build, "ctl", "i815ctl"),
                    "--emulated", "set", "--force", "cas=3 clocks"], check=True, env=env, stdout=subprocess.DEVNULL)

    rows = [line.rstrip("\n").split("\t") for line in open(trace)]
    start = next(i for i, (_, name) in enumerate(rows) if name == command)
    end = next(i for i, (_, name) in enumerate(rows) if name == "END " + command)
    folders, opening = [], False
    for path, name in rows[start:end]:
        if name in ("OpenRoute", "END OpenRoute"):
            opening = name == "OpenRoute"
            continue
        folder = path.split("/")[0]
        if opening or folder not in LAYER or folder in left_out:
            continue
        if not folders or folders[-1][0] != folder:
            folders.append((folder, name))
    down = sum(LAYER[b] < LAYER[a] for (a, _), (b, _) in zip(folders, folders[1:]))
    up = sum(LAYER[b] > LAYER[a] for (a, _), (b, _) in zip(folders, folders[1:]))
    print(" -> ".join(f"{folder}:{name}" for folder, name in folders))
    print(f"moves between folders: {down + up} ({down} down, {up} up)")


if __name__ == "__main__" and not gdb:
    main()
