#!/usr/bin/env python3
"""Feeds the database generator broken copies of the data sources: each must fail with a
message naming the source, and leave neither the database nor a temporary file behind."""

import os
import shutil
import subprocess
import sys
import tempfile

BREAKAGES = [
    ("parameters.txt", "101  Control Mode | - | 0 | 110 | 0 | 1 | C W4 |",
     "101  Control Mode | - | 0 | 110 | 0 | 1 | C W9 |"),
    ("parameters.txt", "300  Node Address | - | 1 | 247 | 1 | 1 | C |",
     "300  Node Address | - | 1 | 247 | 1 | C |"),
    ("parameters.txt", "set 407 408 rev=210 max=65535", "set 407 408 rev=210 maximum=65535"),
    ("parameters.txt", "302  Protocol", "301  Protocol"),
    ("settings.txt", "[list 305]", "list 305"),
    ("settings.txt", "[list 244]", "[table 244]"),
    ("settings.txt", "02 - 19200 Baud", "03 - 19200 Baud"),
    ("settings.txt", "[parts 263 1]\n0 - ", "[parts 263 1]\nx - "),
    ("fixed_data.sql", "(1, 1, 0, 0, 1, 1, 1, 3);", "(1, 1, 0, 0, 1, 1, 1);"),
]


def run(generator, sources, output):
    return subprocess.run([sys.executable, generator, sources, output],
                          capture_output=True, text=True)


def main():
    data_dir = sys.argv[1]
    generator = os.path.join(data_dir, "build_vm_database.py")
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        sources = os.path.join(work, "src")
        output = os.path.join(work, "VM.vmd")
        shutil.copytree(data_dir, sources)
        if run(generator, sources, output).returncode != 0 or not os.path.exists(output):
            print("the unchanged sources do not build")
            return 1
        os.remove(output)
        for name, good, bad in BREAKAGES:
            path = os.path.join(sources, name)
            with open(path, encoding="utf-8") as f:
                original = f.read()
            if good not in original:
                print(f"{name}: text to break not found: {good}")
                failures += 1
                continue
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(good, bad, 1))
            result = run(generator, sources, output)
            left = [p for p in (output, output + ".tmp") if os.path.exists(p)]
            if result.returncode == 0 or left or "build_vm_database" not in result.stderr:
                print(f"{name}: '{bad}' was not refused cleanly "
                      f"(rc {result.returncode}, left {left}, {result.stderr.strip()})")
                failures += 1
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
            for leftover in left:
                os.remove(leftover)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
