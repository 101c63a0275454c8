#!/usr/bin/env python3
"""Every orlentis_* series the dashboard, the alerts and the guide name is one the metrics page
serves, and the guide names every family.

usage: metric_names_test.py METRICS_FAMILIES_CPP [--every GUIDE] FILE...

The families are read from the source that builds them, so that a renamed metric breaks this
test rather than a dashboard nobody looks at until the night it is needed. A histogram is
served only as its _bucket, _sum and _count series; its bare name is no series and is refused
outside the guide.
"""
import json
import re
import sys

FAMILY = re.compile(r'\bAdd\(\s*"(\w+)".*?MetricType::(\w+)', re.S)
SIMPLE = re.compile(r'\bAdd(?:Counter|Gauge)\(\s*families,\s*"(\w+)"')
USED = re.compile(r"\borlentis_\w+")
HISTOGRAM_SERIES = ("_bucket", "_sum", "_count")


def families(source):
    found = {"orlentis_" + name: kind for name, kind in FAMILY.findall(source)}
    found.update({"orlentis_" + name: "Simple" for name in SIMPLE.findall(source)})
    return found


def series(found):
    names = set()
    for name, kind in found.items():
        if kind == "Histogram":
            names.update(name + suffix for suffix in HISTOGRAM_SERIES)
        else:
            names.add(name)
    return names


def main(args):
    source = open(args.pop(0), encoding="utf-8").read()
    guide = args.pop(args.index("--every") + 1) if "--every" in args else None
    if guide:
        args.remove("--every")
    found = families(source)
    if len(found) < 10:
        return f"only {len(found)} families found in the source: is the pattern out of date?"
    known = series(found)
    problems = []
    for path in args + ([guide] if guide else []):
        text = open(path, encoding="utf-8").read()
        if path.endswith(".json"):
            json.loads(text)
        allowed = known | set(found) if path == guide else known
        used = set(USED.findall(text))
        if not used:
            problems.append(f"{path}: names no orlentis_* series")
        problems += [f"{path}: unknown metric {name}" for name in sorted(used - allowed)]
    if guide:
        text = open(guide, encoding="utf-8").read()
        problems += [f"{guide}: does not describe {name}" for name in sorted(found)
                     if f"`{name}`" not in text]
    return "\n".join(problems) or None


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
