#!/usr/bin/env python3
"""Checks that the program's folders stand on each other in floors.

Reads every #include "..." of the sources under app/ and fails, naming the file and the line,
on an include that runs up a floor, that crosses between two folders of the same floor other
than through a header the floor file exports, that names a folder without a floor, or that
closes a circle between folders. The floor order lives in floors.txt beside this script.

usage: check_floors.py APP_FOLDER [FLOORS_FILE]
"""
import collections
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".cpp", ".h")


def read_floors(path):
    """'floor N: folder ...' and 'export folder/header.h' lines; '#' starts a comment."""
    floor_of, exports = {}, {}
    for number, raw in enumerate(open(path, encoding="utf-8"), 1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        words = line.split()
        if words[0] == "export" and len(words) == 2:
            exports[words[1]] = number
        elif words[0] == "floor" and len(words) >= 3 and words[1].endswith(":"):
            for folder in words[2:]:
                floor_of[folder] = int(words[1][:-1])
        else:
            sys.exit(f"{path}:{number}: neither 'floor N: folder ...' nor 'export header'")
    return floor_of, exports


def folder_of(app, path):
    """The first folder below app/ of a path in it; '.' for the files of app/ itself."""
    parts = os.path.relpath(path, app).split(os.sep)
    return parts[0] if len(parts) > 1 else "."


def resolve(app, source, target):
    """The header an include names, relative to app/, looked up as the compiler does (beside
    the including file, then in app/); None for a header outside app/ (Qt, portwright)."""
    for base in (os.path.dirname(source), app):
        path = os.path.normpath(os.path.join(base, target))
        if os.path.isfile(path) and os.path.commonpath([path, app]) == app:
            return os.path.relpath(path, app).replace(os.sep, "/")
    return None


def sources(app):
    for directory, subdirectories, names in os.walk(app):
        subdirectories.sort()
        for name in sorted(names):
            if name.endswith(SOURCES):
                yield os.path.join(directory, name)


def check(app, floors_file):
    floor_of, exports = read_floors(floors_file)
    faults, arrows = [], collections.defaultdict(list)
    for header, number in exports.items():
        if not os.path.isfile(os.path.join(app, header)):
            faults.append(f"{floors_file}:{number}: exports {header}, which does not exist")
    for source in sources(app):
        here = folder_of(app, source)
        shown = os.path.relpath(source, os.path.dirname(app))
        if here not in floor_of:
            faults.append(f"{shown}: folder '{here}' has no floor in {floors_file}")
            continue
        for number, line in enumerate(open(source, encoding="utf-8"), 1):
            match = INCLUDE.match(line)
            header = match and resolve(app, source, match.group(1))
            if not header:
                continue
            there = folder_of(app, os.path.join(app, header))
            if there == here:
                continue
            where = f"{shown}:{number}: includes {match.group(1)}"
            arrows[here].append((there, where))
            if there not in floor_of:
                faults.append(f"{where} of folder '{there}', which has no floor")
            elif floor_of[there] > floor_of[here]:
                faults.append(f"{where}, a floor up ({there} stands above {here})")
            elif floor_of[there] == floor_of[here] and header not in exports:
                faults.append(f"{where} of {there}, which stands beside {here} and does not "
                              f"export it")
    return faults + circles(arrows)


def circles(arrows):
    """One fault for each include that closes a circle of folders."""
    found, state = [], {}

    def visit(folder, path):
        state[folder] = "open"
        for there, where in arrows.get(folder, []):
            if state.get(there) == "open":
                circle = path[path.index(there):] + [there]
                found.append(f"{where}, which closes the circle {' -> '.join(circle)}")
            elif there not in state:
                visit(there, path + [there])
        state[folder] = "done"

    for folder in sorted(arrows):
        if folder not in state:
            visit(folder, [folder])
    return found


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.strip().splitlines()[-1])
    app = os.path.abspath(sys.argv[1])
    floors_file = sys.argv[2] if len(sys.argv) == 3 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "floors.txt")
    faults = check(app, floors_file)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) break the floors of {floors_file}")
        return 1
    print(f"the includes of {app} keep the floors of {floors_file}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
