#!/usr/bin/env python3
"""Builds the drive database VM.vmd from the text sources of this folder.

usage: build_vm_database.py <source folder> <output file>

The output is written to a temporary file first and moved into place when complete, so an
interrupted build never leaves a half-filled database behind.
"""

import csv
import os
import re
import sqlite3
import sys

FLAG_PATTERN = re.compile(r"^(R|L|C|W[1-5])$")
FIELDS = ("min", "max", "default", "resolution")


class SourceError(Exception):
    pass


def fail(path, line_no, message):
    raise SourceError(f"{path}:{line_no}: {message}")


def number_or_none(text):
    text = text.strip()
    return None if text == "-" else float(text)


def text_or_none(text):
    text = text.strip()
    return None if text in ("", "-") else text


def source_lines(path):
    """Yields (line number, line) without comments, blank lines and line ends."""
    with open(path, encoding="utf-8") as source:
        for line_no, raw in enumerate(source, 1):
            line = raw.rstrip("\r\n")
            if line.strip() and not line.lstrip().startswith("#"):
                yield line_no, line


# ---- parameters.txt ----------------------------------------------------------------------


def parse_parameter_row(path, line_no, line):
    cells = [cell.strip() for cell in line.split("|")]
    if len(cells) != 8:
        fail(path, line_no, "a parameter row has 8 cells separated by |")
    key, _, name = cells[0].partition(" ")
    if not re.fullmatch(r"[0-4]\d\d", key):
        fail(path, line_no, f"bad parameter key {key!r}")
    flags = cells[6].split()
    for flag in flags:
        if not FLAG_PATTERN.match(flag):
            fail(path, line_no, f"unknown flag {flag!r}")
    parts = next((int(flag[1:]) for flag in flags if flag.startswith("W")), 1)
    return {
        "Parameter": key,
        "ParamName": name.strip(),
        "Function": None,
        "ToolTipText": None,
        "EU": text_or_none(cells[1]),
        "min": number_or_none(cells[2]),
        "max": number_or_none(cells[3]),
        "default": number_or_none(cells[4]),
        "resolution": float(cells[5]),
        "ReadOnly": int("R" in flags),
        "Extra": int("L" in flags),
        "Compare": int("C" in flags),
        "Parts": parts,
        "FirstRev": int(cells[7]) if cells[7] else 0,
    }


def parse_filters(words):
    """Splits amp=/rev= filters off a word list; returns (other words, filters)."""
    filters, rest = {}, []
    for word in words:
        name, eq, value = word.partition("=")
        if eq and name in ("amp", "rev"):
            filters[name] = {int(v) for v in value.split(",")}
        else:
            rest.append(word)
    return rest, filters


def parse_set_line(path, line_no, line):
    words = line.split()[1:]
    keys, filters = [], {}
    changes = {}
    for word in words:
        name, eq, value = word.partition("=")
        if not eq:
            keys.append(word)
        elif name in ("amp", "rev"):
            filters[name] = {int(v) for v in value.split(",")}
        elif name in FIELDS:
            changes[name] = number_or_none(value)
        else:
            fail(path, line_no, f"unknown field {name!r}")
    if not keys or not changes:
        fail(path, line_no, "a set line names keys and at least one field")
    return {"keys": keys, "filters": filters, "changes": changes}


def read_parameters(path):
    params, overrides = [], []
    for line_no, line in source_lines(path):
        stripped = line.strip()
        if stripped.startswith("set "):
            overrides.append(parse_set_line(path, line_no, stripped))
        elif line[0].isdigit():
            params.append(parse_parameter_row(path, line_no, line))
        elif stripped.startswith(("fn:", "tip:")) and params:
            field = "Function" if stripped.startswith("fn:") else "ToolTipText"
            params[-1][field] = stripped.partition(":")[2].strip()
        else:
            fail(path, line_no, "expected a parameter row, fn:, tip: or set")
    keys = [p["Parameter"] for p in params]
    if len(keys) != len(set(keys)):
        raise SourceError(f"{path}: a parameter key appears twice")
    for param in params:
        if param["Function"] is None:
            param["Function"] = param["ParamName"]
    return params, overrides


def matches(filters, amp, rev):
    return amp in filters.get("amp", {amp}) and rev in filters.get("rev", {rev})


def parameter_row(param, overrides, amp, rev):
    row = dict(param)
    for override in overrides:
        if param["Parameter"] in override["keys"] and matches(override["filters"], amp, rev):
            row.update(override["changes"])
    key = param["Parameter"]
    row["Address"] = int(key[0]) * 256 + int(key[1:]) + 1
    row["AmpCode"], row["Rev"] = amp, rev
    return row


# ---- settings.txt ------------------------------------------------------------------------


def read_settings(path):
    """Returns a list of sections: kind ("list" or "parts"), keys, part, filters, lines."""
    sections = []
    with open(path, encoding="utf-8") as source:
        for line_no, raw in enumerate(source, 1):
            # Trailing blanks of a setting are part of its text; only the line end goes.
            line = raw.rstrip("\r\n")
            if not line.strip() or line.startswith("#"):
                continue
            if line.startswith("["):
                if not line.endswith("]"):
                    fail(path, line_no, "a section header ends with ]")
                words, filters = parse_filters(line[1:-1].split())
                kind, keys = words[0], words[1:]
                part = None
                if kind == "parts":
                    part, keys = int(keys[-1]), keys[:-1]
                elif kind != "list":
                    fail(path, line_no, f"unknown section kind {kind!r}")
                sections.append(
                    {"kind": kind, "keys": keys, "part": part, "filters": filters, "lines": []})
            elif sections:
                check_setting(path, line_no, sections[-1], line)
                sections[-1]["lines"].append(line)
            else:
                fail(path, line_no, "a setting outside a section")
    return sections


def check_setting(path, line_no, section, line):
    """A list setting begins with its position in two digits, a part setting with a digit."""
    position = len(section["lines"])
    if section["kind"] == "list":
        if not re.match(r"\d\d\D", line) or int(line[:2]) != position:
            fail(path, line_no, f"a list setting at position {position} begins with {position:02d}")
    elif not re.match(r"[0-9A-F]\W", line) and not re.match(r"\d\d:", line):
        fail(path, line_no, "a part setting begins with its digit")


# ---- motors.tsv, functions.tsv -----------------------------------------------------------


def tsv_rows(path):
    with open(path, encoding="utf-8", newline="") as source:
        for row in csv.reader(source, delimiter="\t"):
            if row and not row[0].startswith("#"):
                yield row


def read_motors(path):
    return [{"AmpCode": int(amp), "MotorCode": int(code), "Revs": revs, "Description": text}
            for amp, code, revs, text in tsv_rows(path)]


def read_functions(path):
    return [(kind, int(code), int(first_rev), text)
            for kind, code, first_rev, text in tsv_rows(path)]


# ---- building ----------------------------------------------------------------------------


def insert(db, table, row):
    columns = ", ".join(f'"{name}"' for name in row)
    marks = ", ".join("?" for _ in row)
    db.execute(f"INSERT INTO {table} ({columns}) VALUES ({marks})", tuple(row.values()))


def motors_of(motors, amp, rev):
    return [m for m in motors if m["AmpCode"] == amp and
            (m["Revs"] == "all" or rev in {int(r) for r in m["Revs"].split(",")})]


CATALOGUE_COLUMNS = ("AmpCode", "Rev", "Parameter", "ParamName", "Function", "EU",
                     "ToolTipText", "min", "max", "default", "resolution", "ReadOnly", "Extra",
                     "Compare", "Parts", "Address")


def fill_model(db, amp, rev, params, overrides, sections, motors):
    present = set()
    for param in params:
        if param["FirstRev"] <= rev:
            row = parameter_row(param, overrides, amp, rev)
            insert(db, "tblDriveParameters", {c: row[c] for c in CATALOGUE_COLUMNS})
            present.add(param["Parameter"])
    model_motors = motors_of(motors, amp, rev)
    for position, motor in enumerate(model_motors):
        insert(db, "tblMotors", {"AmpCode": amp, "Rev": rev, "Position": position,
                                 "MotorCode": motor["MotorCode"],
                                 "Description": motor["Description"]})
    if "131" in present:
        for position, motor in enumerate(model_motors):
            insert(db, "tblExtraData", {"AmpCode": amp, "Rev": rev, "Parameter": "131",
                                        "Position": position, "Setting": motor["Description"]})
    for section in sections:
        if not matches(section["filters"], amp, rev):
            continue
        for key in section["keys"]:
            if key not in present:
                continue
            for position, setting in enumerate(section["lines"]):
                row = {"AmpCode": amp, "Rev": rev, "Parameter": key, "Position": position,
                       "Setting": setting}
                if section["kind"] == "list":
                    insert(db, "tblExtraData", row)
                else:
                    insert(db, "tblParts", {**row, "Part": section["part"]})


def build(source_dir, output):
    def source(name):
        return os.path.join(source_dir, name)

    params, overrides = read_parameters(source("parameters.txt"))
    sections = read_settings(source("settings.txt"))
    motors = read_motors(source("motors.tsv"))
    functions = read_functions(source("functions.tsv"))

    temporary = output + ".tmp"
    if os.path.exists(temporary):
        os.remove(temporary)
    db = sqlite3.connect(temporary)
    built = False
    try:
        with open(source("schema.sql"), encoding="utf-8") as schema:
            db.executescript(schema.read())
        with open(source("fixed_data.sql"), encoding="utf-8") as fixed:
            db.executescript(fixed.read())
        for kind, code, first_rev, text in functions:
            table = {"DI": "tbl7A", "DO": "tbl7B"}[kind]
            insert(db, table, {"Code": code, "Setting": text, "FirstRev": first_rev})
        models = db.execute("SELECT AmpCode, Rev FROM tblDriveModels ORDER BY AmpCode, Rev")
        for amp, rev in models.fetchall():
            fill_model(db, amp, rev, params, overrides, sections, motors)
        db.commit()
        built = True
    finally:
        db.close()
        if not built:
            os.remove(temporary)
    os.replace(temporary, output)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        build(argv[1], argv[2])
    except (SourceError, ValueError, KeyError, sqlite3.Error) as error:
        print(f"build_vm_database: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
