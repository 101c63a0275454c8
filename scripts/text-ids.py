#!/usr/bin/env python3
"""Writes the header of named language-text ids from the English language file.

Every text of English.lng has a comment line above it naming it (`; kTextOk`); the header gets
one constant per text, so that no id is written as a number anywhere else. The build fails on a
text without a name, a name given twice, or a name that is not a C++ constant of the kText form.

usage: text-ids.py ENGLISH_LNG OUTPUT_HEADER
"""

import os
import re
import sys

NAME = re.compile(r"^;\s*(kText[A-Z][A-Za-z0-9]*)\s*$")
ENTRY = re.compile(r"^(\d+)=(.*)$")


def read_names(path):
    """The (name, id, text) of each text in file order; exits with a message on a fault."""
    texts = []
    pending = None
    with open(path, encoding="ascii") as lines:
        for number, line in enumerate(lines, 1):
            line = line.rstrip("\r\n")
            name = NAME.match(line)
            entry = ENTRY.match(line)
            if name:
                pending = name.group(1)
            elif entry:
                if pending is None:
                    sys.exit(f"{path}:{number}: text {entry.group(1)} has no name line above it")
                texts.append((pending, int(entry.group(1)), entry.group(2)))
                pending = None
    names = [name for name, _, _ in texts]
    twice = sorted({name for name in names if names.count(name) > 1})
    if twice:
        sys.exit(f"{path}: names given to more than one text: {', '.join(twice)}")
    return texts


def header(texts, source):
    lines = [
        f"// Written by scripts/text-ids.py from {source}; edit that file, not this one.",
        "#pragma once",
        "",
        "namespace orlentis {",
        "",
    ]
    for name, number, text in texts:
        lines.append(f"inline constexpr int {name} = {number};  // {text}")
    lines += ["", "}  // namespace orlentis", ""]
    return "\n".join(lines)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, output = sys.argv[1], sys.argv[2]
    text = header(read_names(source), "resources/English.lng")
    try:
        with open(output, encoding="ascii") as current:
            if current.read() == text:
                return
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(output) or ".", exist_ok=True)
    with open(output, "w", encoding="ascii") as written:
        written.write(text)


if __name__ == "__main__":
    main()
