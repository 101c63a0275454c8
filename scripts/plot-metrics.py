#!/usr/bin/env python3
"""Draws the scrapes of bench/metrics as a monitoring dashboard would show them.

    scripts/plot-metrics.py SCRAPES_DIR OUTPUT.png [--window S]

SCRAPES_DIR holds the scrapes-N.jsonl files that bench/metrics writes, one a server: every line
one reading of /metrics with the time it began. Rates and quantiles come from the difference
between each reading and the last one at least S seconds (default 1) before it on the same
server, as a monitoring system computes them from its samples; a server's counters begin again
at zero, so the servers are never compared with one another. The servers' rounds are drawn one
after another, a dotted line between them. Needs python3-matplotlib and
python3-prometheus-client.
"""

import argparse
import io
import json
import math
import pathlib
import re

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from PIL import Image  # noqa: E402
from prometheus_client.parser import text_string_to_metric_families  # noqa: E402

# About 1400 x 900 pixels: small enough for the documentation, large enough for six panels.
FIGURE_INCHES = (14, 9)
FIGURE_DPI = 100
# The blank between two rounds on the time axis, in seconds.
ROUND_GAP = 1.0
QUANTILE = 0.99
# The picture's colours: a handful of lines on white need no more, and a palette keeps the
# noisy lines' file small.
PALETTE_COLOURS = 64
LEGEND_ROOM = 1.3


def read_round(path):
    """The readings of one server: (time, {(sample name, labels): value}) in time order."""
    readings = []
    for line in path.read_text(encoding="utf-8").splitlines():
        scrape = json.loads(line)
        if scrape["status"] != 200:
            continue
        values = {}
        for family in text_string_to_metric_families(scrape["body"]):
            for sample in family.samples:
                values[(sample.name, tuple(sorted(sample.labels.items())))] = sample.value
        readings.append((scrape["time"], values))
    return sorted(readings, key=lambda reading: reading[0])


def round_number(path):
    return int(re.search(r"(\d+)", path.stem).group(1))


def windows(readings, window):
    """Each reading paired with the latest one at least window seconds before it."""
    earlier = 0
    for later in range(len(readings)):
        while (earlier + 1 < later
               and readings[later][0] - readings[earlier + 1][0] >= window):
            earlier += 1
        if readings[later][0] - readings[earlier][0] >= window:
            yield readings[earlier], readings[later]


def label_of(key, name):
    return dict(key[1]).get(name)


def rates(before, after, sample_name, by):
    """Per second, by label by (summed over the other labels), of the counters sample_name."""
    seconds = after[0] - before[0]
    totals = {}
    for key, value in after[1].items():
        if key[0] == sample_name:
            group = label_of(key, by)
            totals[group] = totals.get(group, 0.0) + value - before[1].get(key, 0.0)
    return {group: total / seconds for group, total in totals.items()}


def quantile(buckets):
    """The quantile of the cumulative buckets [(upper bound, count)], interpolated in its bucket
    as a monitoring system does; NaN without observations."""
    buckets = sorted(buckets)
    total = buckets[-1][1] if buckets else 0
    if total <= 0:
        return math.nan
    rank = QUANTILE * total
    lower, below = 0.0, 0.0
    for bound, count in buckets:
        if count >= rank:
            if math.isinf(bound):
                return lower
            return lower + (bound - lower) * (rank - below) / max(count - below, 1e-12)
        lower, below = bound, count
    return lower


def quantiles(before, after, family, by):
    """The quantile of the histogram family's observations between the readings, by label by."""
    buckets = {}
    for key, value in after[1].items():
        if key[0] == family + "_bucket":
            bound = float(label_of(key, "le"))
            buckets.setdefault(label_of(key, by), []).append(
                (bound, value - before[1].get(key, 0.0)))
    return {group: quantile(found) for group, found in buckets.items()}


def gauges(reading, sample_name, by):
    return {label_of(key, by): value for key, value in reading[1].items() if key[0] == sample_name}


def group_commit_mean(before, after):
    def delta(name):
        key = (name, ())
        return after[1].get(key, 0.0) - before[1].get(key, 0.0)

    commits = delta("orlentis_database_group_commit_size_count")
    return {"mean": delta("orlentis_database_group_commit_size_sum") / commits
            if commits > 0 else math.nan}


def scaled(values, factor):
    return {group: value * factor for group, value in values.items()}


# Each panel: its title, its y axis, and what it shows of a window (before, after).
PANELS = [
    ("Exchanges by kind", "per second",
     lambda b, a: rates(b, a, "orlentis_requests_total", "kind")),
    ("Exchange latency p99 by kind", "ms",
     lambda b, a: scaled(quantiles(b, a, "orlentis_request_duration_seconds", "kind"), 1000)),
    ("Logins by outcome", "per second",
     lambda b, a: rates(b, a, "orlentis_logins_total", "outcome")),
    ("Connections by state", "open",
     lambda b, a: gauges(a, "orlentis_connections", "state")),
    ("Database job wait p99 by lane", "ms",
     lambda b, a: scaled(quantiles(b, a, "orlentis_database_job_wait_seconds", "lane"), 1000)),
    ("Group commit size", "writes a commit (mean)", group_commit_mean),
]


def series(rounds, window, shown):
    """{label: ([x], [y])} of one panel over every round, the rounds one after another, and the
    x where each round after the first begins."""
    lines, starts, offset = {}, [], 0.0
    for readings in rounds:
        if not readings:
            continue
        if offset > 0:
            starts.append(offset)
        first = readings[0][0]
        for before, after in windows(readings, window):
            x = offset + after[0] - first
            for group, value in shown(before, after).items():
                xs, ys = lines.setdefault(group, ([], []))
                xs.append(x)
                ys.append(value)
        for xs, ys in lines.values():
            xs.append(math.nan)
            ys.append(math.nan)
        offset += readings[-1][0] - first + ROUND_GAP
    return lines, starts


def active(lines):
    """The lines that ever show more than zero: the kinds and outcomes the run never saw would
    only crowd the legend."""
    return {group: line for group, line in sorted(lines.items())
            if any(value > 0 for value in line[1] if not math.isnan(value))}


def draw(rounds, window, output):
    plt.rcParams.update({"font.family": "DejaVu Sans", "font.size": 9})
    figure, axes = plt.subplots(2, 3, figsize=FIGURE_INCHES, dpi=FIGURE_DPI)
    for axis, (title, unit, shown) in zip(axes.flat, PANELS):
        lines, starts = series(rounds, window, shown)
        for group, (xs, ys) in active(lines).items():
            axis.plot(xs, ys, linewidth=1, label=group)
        for start in starts:
            axis.axvline(start - ROUND_GAP / 2, color="grey", linestyle=":", linewidth=0.8)
        axis.set_title(title)
        axis.set_ylabel(unit)
        axis.set_xlabel("seconds of the rounds with metrics on")
        # Room above the lines for the legend.
        axis.set_ylim(0, axis.get_ylim()[1] * LEGEND_ROOM)
        axis.grid(alpha=0.3)
        if axis.get_legend_handles_labels()[0]:
            axis.legend(fontsize=7, loc="upper right")
    figure.suptitle(f"The server under the mix, as read from /metrics ({window:g} s windows)")
    figure.tight_layout()
    drawn = io.BytesIO()
    figure.savefig(drawn, format="png", dpi=FIGURE_DPI)
    picture = Image.open(drawn).convert("RGB").quantize(colors=PALETTE_COLOURS)
    picture.save(output, format="png", optimize=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scrapes", type=pathlib.Path)
    parser.add_argument("output")
    parser.add_argument("--window", type=float, default=1.0)
    options = parser.parse_args()
    paths = sorted(options.scrapes.glob("scrapes-*.jsonl"), key=round_number)
    if not paths:
        parser.error(f"{options.scrapes} holds no scrapes-N.jsonl")
    draw([read_round(path) for path in paths], options.window, options.output)


if __name__ == "__main__":
    main()
