"""Whole model libraries in one command: every document of the folders and
files given, converted inside Blender into one output folder whose tree
mirrors the inputs', with one progress line per document and a closing
table. N Blender processes share the documents (--jobs)."""

import json
import os
import subprocess
import sys
import tempfile
import threading

WHOLE, STOPPED, FAILED = "converted whole", "stopped early", "failed"


def documents(paths):
    """(document, its path below its folder) for every .mqo and .mqoz file
    of the folders (searched through all subfolders, in name order) and
    files."""
    found = []
    for path in paths:
        if os.path.isdir(path):
            for folder, subfolders, files in os.walk(path):
                subfolders.sort()
                for name in sorted(files):
                    if name.lower().endswith((".mqo", ".mqoz")):
                        document = os.path.join(folder, name)
                        found.append((document, os.path.relpath(document, path)))
        else:
            found.append((path, os.path.basename(path)))
    return found


def run_batch(arguments):
    """Converts every document; 0 only when each converted whole, 3 when
    some stopped early and none failed, 1 when one failed."""
    from mivka_cli import blender_command

    start = blender_command(arguments, "a batch needs")
    if start is None:
        return 1
    out_folder = arguments.output[0]
    work = []
    taken = set()
    for document, below in documents(arguments.files):
        out = os.path.join(out_folder, os.path.splitext(below)[0] + "." + arguments.format)
        if out in taken:  # model.mqo beside model.mqoz: the second keeps its whole name
            out = os.path.join(out_folder, below + "." + arguments.format)
        taken.add(out)
        work.append({"document": document, "output": out})
    if not work:
        print("mivka: no .mqo or .mqoz documents in %s" % " ".join(arguments.files), file=sys.stderr)
        return 1
    for item in work:
        os.makedirs(os.path.dirname(os.path.abspath(item["output"])), exist_ok=True)

    jobs = min(arguments.jobs, len(work))
    results = {}
    with tempfile.TemporaryDirectory() as folder:
        running = []
        for j in range(jobs):
            share = work[j::jobs]
            job_file, result_file = os.path.join(folder, "job%d.json" % j), os.path.join(folder, "done%d.json" % j)
            with open(job_file, "w") as f:
                json.dump({"items": share, "count": len(work), "first": j, "step": jobs}, f)
            process = subprocess.Popen(start + ["--batch", job_file, result_file], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            running.append((process, result_file))
        lock = threading.Lock()

        def forward(stream):  # the progress lines, as they come
            for line in stream:
                if line.startswith(b"mivka: ["):
                    with lock:
                        sys.stdout.buffer.write(line)
                        sys.stdout.flush()

        readers = [threading.Thread(target=forward, args=(p.stdout,)) for p, _ in running]
        for reader in readers:
            reader.start()
        for (process, result_file), reader in zip(running, readers):
            process.wait()
            reader.join()
            if os.path.exists(result_file):
                with open(result_file) as f:
                    results.update(json.load(f))
    # A document a Blender process did not come back from failed with it.
    for item in work:
        results.setdefault(item["document"], {"status": FAILED, "reason": "Blender ended before converting it"})

    counts = {status: sum(1 for r in results.values() if r["status"] == status) for status in (WHOLE, STOPPED, FAILED)}
    print("%-16s %d" % (WHOLE + ":", counts[WHOLE]))
    print("%-16s %d" % (STOPPED + ":", counts[STOPPED]))
    print("%-16s %d" % (FAILED + ":", counts[FAILED]))
    for item in work:
        result = results[item["document"]]
        if result["status"] != WHOLE:
            print("  %s: %s%s" % (item["document"], result["status"],
                                  " (%s)" % result["reason"] if result.get("reason") else ""))
    if counts[FAILED]:
        return 1
    return 3 if counts[STOPPED] else 0
