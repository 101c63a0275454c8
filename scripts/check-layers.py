#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

Usage: check-layers.py [ROOT]   (ROOT holds src/; default: the checkout this script is in)

The layers, lowest first, and what each may include besides itself. The network layer talks
to the database only through the directory layer, so no SOCI header may reach it, not even
through a header it includes. The recorder layer is the recorders' side of the wire for the
tools and the tests: no other folder of src/ may include it, so the server never does.
Every other folder that builds code is an area of its own with what it may include written
down here: orlentis-admin works on the directory and the store and reaches neither the network
layer nor the console (so it links no Qt); orlentis-peer is a recorder and reaches neither the
directory nor the console, though its seeding of a load-test database writes the tables
directly; the console's pictures and the benchmarks stand above every layer, like the
program; the fuzz target drives the network layer with the recorder's records; the tests'
helpers are a folder a layer, each reaching only its layer and the helpers below it.

The network layer and the console reach the store only for the database threads, the
maintenance flags and the outcome of an operation: they may include those store headers by
name, and no other.
"""
import pathlib
import re
import sys

MAY_INCLUDE = {
    "base": set(),
    "access": {"base"},
    "store": {"base", "access"},
    "directory": {"base", "access", "store"},
    "net": {"base", "access", "store", "directory"},
    "console": {"base", "access", "store", "directory"},
    "app": {"base", "access", "store", "directory", "net", "console"},
    "recorder": {"base", "access", "net"},
    "admin": {"base", "access", "store", "directory"},
    "peer": {"base", "access", "store", "net", "recorder"},
    "console-shots": {"base", "access", "store", "directory", "console", "app"},
    "fuzz": {"base", "access", "store", "net", "recorder"},
    "bench": {"base", "access", "store", "directory", "net", "console", "app", "recorder"},
    # The tests' helpers, a folder a layer: each on its own layer and the helpers below it.
    # The network layer's speak from a recorder's side of the wire.
    "support/base": {"base"},
    "support/access": {"base", "access", "support/base"},
    "support/store": {"base", "access", "store", "support/base", "support/access"},
    "support/net": {"base", "access", "store", "directory", "net", "recorder",
                    "support/base", "support/access", "support/store"},
    "support/app": {"base", "access", "store", "directory", "net", "console", "app", "recorder",
                    "support/base", "support/access", "support/store", "support/net"},
}
# Areas outside src/, by folder.
TOOL_AREAS = {
    "admin": ("tools", "admin"),
    "peer": ("tools", "peer"),
    "console-shots": ("tools", "console-shots"),
    "fuzz": ("fuzz",),
    "bench": ("bench",),
    "support/base": ("tests", "support", "base"),
    "support/access": ("tests", "support", "access"),
    "support/store": ("tests", "support", "store"),
    "support/net": ("tests", "support", "net"),
    "support/app": ("tests", "support", "app"),
}
# The store headers a layer above the directory may include; none other.
STORE_HEADERS_ALLOWED = {
    "net": {"store/database_maintenance.h", "store/database_thread.h", "store/db_outcome.h"},
    "console": {"store/database_maintenance.h", "store/database_thread.h", "store/db_outcome.h"},
}
NOT_INCLUDED_IN_SRC = {"recorder"}
NO_DATABASE_HEADERS = {"net", "recorder"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def includes(path):
    return INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace"))


def include_area(name, layer):
    """The area a quoted include belongs to; a name without a folder is the includer's own."""
    parts = name.split("/")
    if len(parts) == 1:
        return layer
    return "/".join(parts[:2]) if parts[0] == "support" else parts[0]


def reaches_soci(src, header, seen):
    """Whether a project header includes a SOCI header, directly or through others."""
    if header in seen:
        return False
    seen.add(header)
    path = src / header
    if not path.is_file():
        return False
    for kind, name in includes(path):
        if name.startswith("soci/"):
            return True
        if kind == '"' and reaches_soci(src, name, seen):
            return True
    return False


def sources(root):
    """Every source file with the area it belongs to."""
    src = root / "src"
    for path in sorted(src.rglob("*")):
        if path.suffix in (".h", ".cpp"):
            yield path, path.relative_to(src).parts[0]
    for area, parts in TOOL_AREAS.items():
        for path in sorted(root.joinpath(*parts).rglob("*")):
            if path.suffix in (".h", ".cpp"):
                yield path, area


def check(root):
    src = root / "src"
    faults = []
    for path, layer in sources(root):
        if layer not in MAY_INCLUDE:
            continue
        allowed = MAY_INCLUDE[layer] | {layer}
        for kind, name in includes(path):
            where = path.relative_to(root)
            if kind == '"':
                target = include_area(name, layer)
                if target in NOT_INCLUDED_IN_SRC and target not in allowed and layer not in TOOL_AREAS:
                    faults.append(f"{where}: the {layer} layer includes {name}, which only tools and tests may")
                elif target in MAY_INCLUDE and target not in allowed:
                    faults.append(f"{where}: the {layer} layer includes {name} of the {target} layer")
                elif target == "store" and name not in STORE_HEADERS_ALLOWED.get(layer, {name}):
                    faults.append(f"{where}: the {layer} layer includes {name}, a store header it does not need")
            if layer in NO_DATABASE_HEADERS:
                if name.startswith("soci/") or (kind == '"' and reaches_soci(src, name, set())):
                    faults.append(f"{where}: the {layer} layer reaches a database header through {name}")
    return faults


def main():
    root = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent
    if not (root / "src").is_dir():
        print(f"check-layers: no src folder in {root}", file=sys.stderr)
        return 2
    faults = check(root)
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
