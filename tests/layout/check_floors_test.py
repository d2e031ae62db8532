#!/usr/bin/env python3
"""The floor check fails on each kind of bad include, naming the file and the line, and passes a
tree that keeps its floors."""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FLOORS = """floor 2: core
floor 3: link
floor 5: editor scope
floor 6: shell
export editor/frm_editor.h
export scope/frm_scope.h
"""
HEADERS = ["core/logs.h", "link/bas_comm.h", "editor/frm_editor.h", "editor/editor_rows.h",
           "scope/frm_scope.h", "shell/frm_main.h"]

# (planted files with their includes, the fault the check must print; None: none at all)
CASES = [
    ({"core/logs.cpp": ['"core/logs.h"', "<QString>", '"shell/frm_main.h"']},
     "app/core/logs.cpp:3: includes shell/frm_main.h, a floor up"),
    ({"link/bas_comm.cpp": ['"../scope/frm_scope.h"']},
     "app/link/bas_comm.cpp:1: includes ../scope/frm_scope.h, a floor up"),
    ({"scope/frm_scope.cpp": ['"link/bas_comm.h"', '"editor/editor_rows.h"']},
     "app/scope/frm_scope.cpp:2: includes editor/editor_rows.h of editor, which stands beside"),
    ({"scope/frm_scope.cpp": ['"editor/frm_editor.h"'],
      "editor/frm_editor.cpp": ['"frm_editor.h"', '"scope/frm_scope.h"']},
     "app/scope/frm_scope.cpp:1: includes editor/frm_editor.h, which closes the circle editor"
     " -> scope -> editor"),
    ({"tuning/frm_tuning.cpp": ['"core/logs.h"']},
     "app/tuning/frm_tuning.cpp: folder 'tuning' has no floor"),
    ({"shell/frm_main.cpp": ['"frm_main.h"', '"scope/frm_scope.h"', '"core/logs.h"'],
      "scope/frm_scope.cpp": ['"editor/frm_editor.h"', '"link/bas_comm.h"']}, None),
]


def write(path, text=""):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as file:
        file.write(text)


def check(planted):
    with tempfile.TemporaryDirectory() as root:
        app = os.path.join(root, "app")
        for header in HEADERS:
            write(os.path.join(app, header))
        for source, includes in planted.items():
            write(os.path.join(app, source), "".join(f"#include {name}\n" for name in includes))
        write(os.path.join(root, "floors.txt"), FLOORS)
        return subprocess.run([sys.executable, os.path.join(HERE, "check_floors.py"), app,
                               os.path.join(root, "floors.txt")], capture_output=True, text=True)


def main():
    failures = 0
    for planted, fault in CASES:
        result = check(planted)
        kept = result.returncode == 0 and fault is None
        caught = result.returncode == 1 and fault is not None and fault in result.stdout
        if not (kept or caught):
            failures += 1
            print(f"{sorted(planted)}: expected {fault or 'no fault'}, got exit "
                  f"{result.returncode}:\n{result.stdout}{result.stderr}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
