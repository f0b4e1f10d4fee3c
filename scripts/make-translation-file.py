#!/usr/bin/env python3
"""Builds resources/transl.dt from resources/translations.tsv.

The table is the maintained source: one row per text, one tab-separated column
per language, English first. Row 1 holds the languages' display names, row 2
their codes, every later row one English text (exactly as the program passes
it to the lookup) and its translations. The program reads transl.dt: line 1 the
number of languages, then every row of the table written one entry per line,
column by column.

Usage: make-translation-file.py          rewrite resources/transl.dt
       make-translation-file.py --check  fail when transl.dt is not up to date

Every row is checked before anything is written, because the file format has
no way to tell a broken entry from a real one: a missing cell or a stray line
break shifts every later text into the wrong language.
"""

import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TABLE = ROOT / "resources" / "translations.tsv"
OUTPUT = ROOT / "resources" / "transl.dt"

PLACEHOLDER = re.compile(r"%[-+ #0-9.]*[a-zA-Z%]")


def trailing_spaces(text):
    return len(text) - len(text.rstrip(" "))


def has_single_ampersand(text):
    return "&" in text.replace("&&", "")


def problems_of(row_number, row, languages, seen_keys):
    """Every reason why a row cannot be written as it stands."""
    if len(row) != len(languages):
        return [f"row {row_number}: {len(row)} columns, expected {len(languages)}"]
    found = []
    english = row[0]
    if row_number > 2:
        if english in seen_keys:
            found.append(f"row {row_number}: \"{english}\" repeats row {seen_keys[english]}; only the first counts")
        seen_keys.setdefault(english, row_number)
    for code, cell in zip(languages, row):
        where = f"row {row_number} ({code})"
        if not cell:
            found.append(f"{where}: empty; write the English text if it stays the same")
            continue
        if row_number <= 2:
            continue
        if PLACEHOLDER.findall(cell) != PLACEHOLDER.findall(english):
            found.append(f"{where}: placeholders {PLACEHOLDER.findall(cell)} differ from "
                         f"{PLACEHOLDER.findall(english)} of \"{english}\"")
        # A key that ends in spaces is followed directly by a value.
        if trailing_spaces(cell) != trailing_spaces(english):
            found.append(f"{where}: trailing spaces differ from \"{english}\"")
        # Menu captions double their ampersands; a single one would vanish.
        if "&&" in english and has_single_ampersand(cell):
            found.append(f"{where}: single \"&\" in a menu caption; write \"&&\"")
    return found


def build():
    rows = [line.split("\t") for line in TABLE.read_text(encoding="utf-8").split("\n") if line != ""]
    if len(rows) < 2:
        sys.exit(f"{TABLE}: needs the names row and the codes row")
    languages = rows[1]
    problems = []
    seen_keys = {}
    for number, row in enumerate(rows, start=1):
        if any("\r" in cell for cell in row):
            problems.append(f"row {number}: carriage return inside a cell")
        problems += problems_of(number, row, languages, seen_keys)
    if problems:
        sys.exit("\n".join([f"{TABLE}:"] + problems))
    lines = [str(len(languages))] + [cell for row in rows for cell in row]
    return "".join(line + "\n" for line in lines)


def main():
    text = build()
    if sys.argv[1:] == ["--check"]:
        if not OUTPUT.exists() or OUTPUT.read_text(encoding="utf-8") != text:
            sys.exit(f"{OUTPUT} is out of date: run scripts/make-translation-file.py")
        return
    if sys.argv[1:]:
        sys.exit(__doc__)
    OUTPUT.write_bytes(text.encode("utf-8"))


if __name__ == "__main__":
    main()
