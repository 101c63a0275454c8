#!/usr/bin/env python3
"""Scrapes a server's metrics page at a steady period, as a monitoring system would.

    metrics_scraper.py URL SECONDS OUTPUT.jsonl [--period S]

Every PERIOD seconds (default 0.1) for SECONDS, fetches URL on a new connection and appends one
JSON object a line to OUTPUT.jsonl: the wall-clock time the fetch began ("time", seconds since
1970), how long it took until the whole page was read ("seconds"), the HTTP status and the page
itself ("body"). A fetch that fails is recorded with status 0 and the error as its body, so that
a page that stops answering shows in the figures rather than ending the measurement. A fetch
that runs past its turn takes the following turns' places: the period is a floor, never a
backlog.
"""

import argparse
import json
import time
import urllib.error
import urllib.request

# A fetch slower than this counts as failed; far beyond any latency worth measuring.
FETCH_TIMEOUT_SECONDS = 5


def fetch(url):
    """The status and text of one fetch of url, and the seconds it took."""
    began = time.perf_counter()
    try:
        with urllib.request.urlopen(url, timeout=FETCH_TIMEOUT_SECONDS) as answer:
            status, body = answer.status, answer.read().decode("utf-8")
    except (urllib.error.URLError, OSError) as error:
        status, body = 0, str(error)
    return status, body, time.perf_counter() - began


def scrape(url, seconds, period, output):
    start = time.perf_counter()
    turn = 0
    while time.perf_counter() - start < seconds:
        began_at = time.time()
        status, body, took = fetch(url)
        output.write(
            json.dumps({"time": began_at, "seconds": took, "status": status, "body": body}) + "\n"
        )
        turn = max(turn + 1, int((time.perf_counter() - start) / period) + 1)
        pause = start + turn * period - time.perf_counter()
        if pause > 0:
            time.sleep(pause)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("url")
    parser.add_argument("seconds", type=float)
    parser.add_argument("output")
    parser.add_argument("--period", type=float, default=0.1)
    options = parser.parse_args()
    with open(options.output, "a", encoding="utf-8") as output:
        scrape(options.url, options.seconds, options.period, output)


if __name__ == "__main__":
    main()
