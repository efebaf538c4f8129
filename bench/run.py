#!/usr/bin/python3
"""Benchmarks of a whole conversion, for documents of 10k, 100k and 1M
vertices (generated into a temporary folder):

- mivka/floor: readmqo against the host floor, the same host calls made
  from Python with the values parsed beforehand, with the in-memory host
  and with a minimal host whose operations do the least possible;
- mivka/peer: against a plain Python importer (splits and regular
  expressions) making the same calls;
- grammar: the module's vertex and face line rules with no host calls, in
  MB/s, beside the scan floor (every byte read once);
- memory: the anonymous memory that readmqo needs beyond what the host
  keeps, as a share of the document's size;
- growth: how time grows from one document size to the next.

Every figure is measured in this one run. Usage: run.py [--sizes 10000,...]
"""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
BUILD = os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build"))
PYTHON = "/usr/bin/python3"


def measure(host, what, document, repeat):
    """The best of `repeat` runs, each in a new process: seconds and the peak
    of anonymous memory during the conversion beyond what stays after it."""
    best = None
    for _ in range(repeat):
        child = subprocess.Popen([PYTHON, os.path.join(HERE, "measure.py"), host, what, document],
                                 stderr=subprocess.PIPE)
        peak = [0]

        def watch():
            path = "/proc/%d/status" % child.pid
            while child.poll() is None:
                try:
                    with open(path) as status:
                        for line in status:
                            if line.startswith("RssAnon:"):
                                peak[0] = max(peak[0], int(line.split()[1]) * 1024)
                except OSError:
                    break
                time.sleep(0.002)

        watcher = threading.Thread(target=watch)
        watcher.start()
        _, err = child.communicate()
        watcher.join()
        if child.returncode != 0:
            sys.exit("measurement failed: %s %s\n%s" % (host, what, err.decode(errors="replace")))
        result = json.loads(err.decode().strip().splitlines()[-1])
        result["beyond"] = max(0, peak[0] - result["after"])
        if best is None or result["seconds"] < best["seconds"]:
            best = result
    return best


def grammar(document):
    out = subprocess.run([os.path.join(BUILD, "bench_grammar"), document, "--benchmark_format=json",
                          "--benchmark_min_time=0.5"], capture_output=True, check=True)
    results = {b["name"]: b["bytes_per_second"] / 1e6 for b in json.loads(out.stdout)["benchmarks"]}
    return results["grammar"], results["scan_floor"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sizes", default="10000,100000,1000000")
    parser.add_argument("--repeat", type=int, default=3, help="runs per figure, the best kept (default 3)")
    arguments = parser.parse_args()
    sizes = [int(s) for s in arguments.sizes.split(",")]

    rows = []
    with tempfile.TemporaryDirectory() as folder:
        for size in sizes:
            document = os.path.join(folder, "doc%d.mqo" % size)
            subprocess.run([PYTHON, os.path.join(HERE, "generate.py"), document, str(size)], check=True)
            doc_bytes = os.path.getsize(document)
            repeat = arguments.repeat if size <= 100000 else 1
            row = {"vertices": size, "bytes": doc_bytes}
            for host in ("memory", "minimal"):
                for what in ("floor", "mivka", "peer"):
                    row[host, what] = measure(host, what, document, repeat)
            row["grammar"], row["scan"] = grammar(document)
            rows.append(row)
            print("measured %d vertices (%.1f MB)" % (size, doc_bytes / 1e6), file=sys.stderr)

    print("| vertices | MB | in-memory host: floor s | mivka s | mivka/floor | peer s | mivka/peer "
          "| minimal host: floor s | mivka s | mivka/floor | peer s | mivka/peer "
          "| grammar MB/s | scan floor MB/s | memory beyond host data |")
    print("|" + "---|" * 15)
    for row in rows:
        cells = [str(row["vertices"]), "%.1f" % (row["bytes"] / 1e6)]
        for host in ("memory", "minimal"):
            floor, mivka, peer = (row[host, w]["seconds"] for w in ("floor", "mivka", "peer"))
            cells += ["%.3f" % floor, "%.3f" % mivka, "%.2f" % (mivka / floor), "%.3f" % peer,
                      "%.2f" % (mivka / peer)]
        cells += ["%.0f" % row["grammar"], "%.0f" % row["scan"],
                  "%.1f%%" % (100.0 * row["memory", "mivka"]["beyond"] / row["bytes"])]
        print("| " + " | ".join(cells) + " |")
    print()
    for before, after in zip(rows, rows[1:]):
        for host in ("memory", "minimal"):
            ratio = after[host, "mivka"]["seconds"] / before[host, "mivka"]["seconds"]
            print("growth %s host, %d -> %d vertices: time x%.2f for size x%.2f" % (
                host, before["vertices"], after["vertices"], ratio, after["bytes"] / before["bytes"]))


if __name__ == "__main__":
    main()
