#!/usr/bin/env python3
"""The catalogue of the operator's log (src/base/operator_messages.mes) and what follows from it.

Usage:
  operator-messages.py CATALOGUE --header FILE   writes the header of constants, one a message
  operator-messages.py CATALOGUE --readme FILE   rewrites the list of ids in FILE
  operator-messages.py CATALOGUE --check ROOT    fails when ROOT/README.md lists other ids, when
                                                 a message is logged nowhere in ROOT/src or
                                                 ROOT/tools, when a source there makes a
                                                 message of its own, or when the catalogue is
                                                 malformed

The list in the README stands between the lines "<!-- operator-log ids -->" and "<!-- end -->",
one item per area (what comes before the dot of an id), in the catalogue's order.
"""
import argparse
import pathlib
import re
import sys
import textwrap

LEVELS = {"info": "kInfo", "warning": "kWarning", "error": "kError"}
ID = re.compile(r"^[a-z]+\.[a-z]+(-[a-z]+)*$")
LIST_START = "<!-- operator-log ids -->"
LIST_END = "<!-- end -->"
# A message made from a literal id rather than taken from the catalogue.
OWN_MESSAGE = re.compile(r'"[^"\n]*"\s*,\s*OperatorLevel::')


class Malformed(Exception):
    pass


class Message:
    def __init__(self, line, id_, level, text):
        self.line, self.id, self.level, self.text = line, id_, level, text
        self.explanation = []

    @property
    def constant(self):
        return "kLog" + "".join(part.capitalize() for part in re.split(r"[.-]", self.id))


def read_catalogue(path):
    messages, faults = [], []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if line.startswith("#") or (not line.strip() and not messages):
            continue
        if line.startswith("%"):
            id_, level, text = (line[1:].split(None, 2) + ["", "", ""])[:3]
            messages.append(Message(number, id_, level, text))
        elif not messages:
            faults.append(f"{path}:{number}: text before the first message")
        elif line.strip():
            messages[-1].explanation.append(line.strip())
    seen = set()
    for message in messages:
        where = f"{path}:{message.line}"
        if not ID.match(message.id):
            faults.append(f"{where}: '{message.id}' is not an id like area.name-of-message")
        if message.level not in LEVELS:
            faults.append(f"{where}: the level of {message.id} is not one of {', '.join(LEVELS)}")
        if not message.text:
            faults.append(f"{where}: {message.id} has no text")
        if not message.explanation:
            faults.append(f"{where}: {message.id} tells the operator nothing")
        if message.id in seen:
            faults.append(f"{where}: {message.id} is there twice")
        seen.add(message.id)
    if faults:
        raise Malformed("\n".join(faults))
    return messages


def header(messages, catalogue_name):
    lines = [
        f"// Made by scripts/operator-messages.py from {catalogue_name}; change that instead.",
        "#pragma once",
        "",
        '#include "base/operator_log.h"',
        "",
        "namespace orlentis {",
        "",
    ]
    for message in messages:
        lines.append(f"// {message.text}")
        lines.append(
            f'inline constexpr OperatorMessage {message.constant}{{"{message.id}", '
            f"OperatorLevel::{LEVELS[message.level]}}};"
        )
    return "\n".join(lines + ["", "}  // namespace orlentis", ""])


def id_list(messages):
    areas = {}
    for message in messages:
        areas.setdefault(message.id.split(".")[0], []).append(f"`{message.id}`")
    items = [
        textwrap.fill(", ".join(ids), width=96, initial_indent="- ", subsequent_indent="  ",
                      break_long_words=False, break_on_hyphens=False)
        for ids in areas.values()
    ]
    return "\n".join(items)


def split_readme(text, path):
    start, end = text.find(LIST_START), text.find(LIST_END)
    if start < 0 or end < start:
        raise Malformed(f"{path}: no list between {LIST_START} and {LIST_END}")
    start += len(LIST_START)
    return text[:start], text[start:end], text[end:]


def rewrite_readme(messages, path):
    before, _, after = split_readme(path.read_text(encoding="utf-8"), path)
    path.write_text(before + "\n" + id_list(messages) + "\n" + after, encoding="utf-8")


def readme_faults(messages, path):
    _, listed, _ = split_readme(path.read_text(encoding="utf-8"), path)
    if listed.strip() == id_list(messages):
        return []
    ids = [message.id for message in messages]
    shown = re.findall(r"`([^`]+)`", listed)
    missing = [id_ for id_ in ids if id_ not in shown]
    unknown = [id_ for id_ in shown if id_ not in ids]
    what = "; ".join(
        part
        for part in (
            "missing " + ", ".join(missing) if missing else "",
            "not in the catalogue " + ", ".join(unknown) if unknown else "",
        )
        if part
    ) or "in another order or layout"
    return [f"{path}: the list of operator-log ids differs from the catalogue ({what}); "
            f"rewrite it with scripts/operator-messages.py CATALOGUE --readme {path.name}"]


def source_faults(messages, root):
    texts = {}
    for folder in ("src", "tools"):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix in (".h", ".cpp"):
                texts[path.relative_to(root)] = path.read_text(encoding="utf-8", errors="replace")
    faults = []
    for message in messages:
        used = re.compile(rf"\b{message.constant}\b")
        if not any(used.search(text) for text in texts.values()):
            faults.append(f"{message.id}: {message.constant} is logged nowhere in src/ or tools/")
    for where, text in texts.items():
        for own in OWN_MESSAGE.finditer(text):
            line = text.count("\n", 0, own.start()) + 1
            faults.append(f"{where}:{line}: a message of its own; add it to the catalogue")
    return faults


def main():
    parser = argparse.ArgumentParser(description="The catalogue of the operator's log.")
    parser.add_argument("catalogue", type=pathlib.Path)
    what = parser.add_mutually_exclusive_group(required=True)
    what.add_argument("--header", type=pathlib.Path)
    what.add_argument("--readme", type=pathlib.Path)
    what.add_argument("--check", type=pathlib.Path, metavar="ROOT")
    arguments = parser.parse_args()
    try:
        messages = read_catalogue(arguments.catalogue)
        if arguments.header:
            arguments.header.parent.mkdir(parents=True, exist_ok=True)
            arguments.header.write_text(header(messages, f"{arguments.catalogue.parent.name}/{arguments.catalogue.name}"), encoding="utf-8")
            return 0
        if arguments.readme:
            rewrite_readme(messages, arguments.readme)
            return 0
        faults = readme_faults(messages, arguments.check / "README.md")
        faults += source_faults(messages, arguments.check)
    except Malformed as fault:
        faults = [str(fault)]
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
