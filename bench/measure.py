#!/usr/bin/python3
"""One measurement in a process of its own: a conversion of DOCUMENT by
`mivka` (readmqo), by the `peer` (parse and replay in Python) or the host
`floor` (replay of values parsed beforehand), against the in-memory host
or the minimal one. Prints one JSON line: seconds, and the process's
anonymous resident memory after the conversion."""

import json
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def anonymous_resident():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("RssAnon:"):
                return int(line.split()[1]) * 1024
    return 0


def main():
    host, what, document = sys.argv[1:4]
    build = os.environ.get("MIVKA_BUILD_DIR", os.path.join(ROOT, "build"))
    folder = os.path.join(ROOT, "hosts", "memory") if host == "memory" else os.path.join(HERE, "minimal_host")
    sys.path[:0] = [build, folder, os.path.join(ROOT, "hosts", "common"), HERE]
    import Blender  # noqa: F401
    import Mivka
    import pymqo

    model = pymqo.parse(document) if what == "floor" else None
    ready = anonymous_resident()
    # The console lines of readmqo go nowhere; the result goes to stderr.
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)
    start = time.perf_counter()
    if what == "mivka":
        Mivka.readmqo(document)
    elif what == "peer":
        pymqo.replay(pymqo.parse(document))
    else:
        pymqo.replay(model)
    seconds = time.perf_counter() - start
    print(json.dumps({"seconds": seconds, "ready": ready, "after": anonymous_resident()}), file=sys.stderr)


if __name__ == "__main__":
    main()
