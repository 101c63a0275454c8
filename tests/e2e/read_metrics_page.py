#!/usr/bin/env python3
"""Reads a server's metrics page for the end-to-end tests.

  read_metrics_page.py samples URL   every sample, parsed by the Prometheus client's own
                                     parser: one 'name{label="value",...} value' line each,
                                     labels sorted
  read_metrics_page.py status URL    the answer's status code and body on one line
"""
import sys
import urllib.error
import urllib.request

from prometheus_client.parser import text_string_to_metric_families


def fetch(url):
    try:
        with urllib.request.urlopen(url, timeout=5) as answer:
            return answer.status, answer.read().decode()
    except urllib.error.HTTPError as error:
        return error.code, error.read().decode()


def print_samples(url):
    status, text = fetch(url)
    if status != 200:
        sys.exit(f"{url} answered {status}")
    for family in text_string_to_metric_families(text):
        for sample in family.samples:
            labels = ",".join(f'{k}="{v}"' for k, v in sorted(sample.labels.items()))
            print(f"{sample.name}{{{labels}}} {sample.value:g}")


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("samples", "status"):
        sys.exit(__doc__)
    if sys.argv[1] == "samples":
        print_samples(sys.argv[2])
    else:
        status, body = fetch(sys.argv[2])
        print(status, body.strip())


main()
