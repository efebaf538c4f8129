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
import time

from .blender import blender_command, own_temporary_folder, write_job

WHOLE, STOPPED, FAILED = "converted whole", "stopped early", "failed"
# A Blender takes about this much memory for itself and an ordinary model.
MEMORY_PER_JOB = 1 << 30


def shown(text):
    """A path as one line shows it: control characters (a newline in a file
    name) and bytes that are no text written as escapes."""
    return "".join(c if c.isprintable() or c == " " else repr(c)[1:-1] for c in text)


def documents(paths, unreadable):
    """(document, its path below its folder) for every .mqo and .mqoz file
    of the folders (searched through all subfolders, in name order) and
    files; folders that cannot be read are added to `unreadable` as
    (folder, reason). A document named twice (also through a folder) is
    converted once."""
    found, seen = [], set()

    def add(document, below):
        real = os.path.realpath(document)
        if real not in seen:
            seen.add(real)
            found.append((document, below))

    for path in paths:
        if os.path.isdir(path):
            def refused(error):
                unreadable.append((error.filename or path, error.strerror or str(error)))

            for folder, subfolders, files in os.walk(path, onerror=refused):
                subfolders.sort()
                for name in sorted(files):
                    if name.lower().endswith((".mqo", ".mqoz")):
                        document = os.path.join(folder, name)
                        add(document, os.path.relpath(document, path))
        else:
            add(path, os.path.basename(path))
    return found


def outputs(found, out_folder, extension):
    """Each document's output path, no two alike: a name another document
    already has takes the document's whole name (model.mqoz beside
    model.mqo), then a number. Returns the work items and the lines that
    tell of the names that moved."""
    work, taken, moved = [], set(), []
    for document, below in found:
        wanted = os.path.join(out_folder, os.path.splitext(below)[0] + extension)
        candidates = [wanted, os.path.join(out_folder, below + extension)]
        out = next((c for c in candidates if c not in taken), None)
        number = 2
        while out is None or out in taken:
            out = "%s-%d%s" % (os.path.splitext(wanted)[0], number, extension)
            number += 1
        if out != wanted:
            moved.append("mivka: %s: %s is another document's output; writing %s"
                         % (shown(document), shown(wanted), shown(out)))
        taken.add(out)
        work.append({"document": document, "output": out})
    return work, moved


def memory_available():
    try:
        with open("/proc/meminfo") as f:
            for line in f:
                if line.startswith("MemAvailable:"):
                    return int(line.split()[1]) * 1024
    except (OSError, ValueError, IndexError):
        pass
    return None


def job_count(asked, documents_count):
    """The Blender processes to run: as many as asked, but no more than the
    documents, and no more than the memory available holds."""
    jobs = min(asked, documents_count)
    available = memory_available()
    if available is not None and jobs > max(1, available // MEMORY_PER_JOB):
        fitting = max(1, available // MEMORY_PER_JOB)
        print("mivka: %d Blender processes at once, not %d: %.1f GiB of memory are available"
              % (fitting, jobs, available / (1 << 30)), flush=True)
        jobs = fitting
    return jobs


class Worker:
    """One Blender process after another over a share of the documents: a
    Blender that ends early, or takes longer than the time limit over one
    document, fails that document only, and a new one goes on from the
    next."""

    def __init__(self, start, arguments, share, count, numbers, folder, name, timeout, lock):
        self.start, self.arguments, self.share, self.count, self.numbers = start, arguments, share, count, numbers
        self.folder, self.name, self.timeout, self.lock = folder, name, timeout, lock
        self.results = {}

    def forward(self, stream, progress):
        for line in stream:
            if line.startswith(b"mivka: ["):
                progress[0] = time.monotonic()
                with self.lock:
                    sys.stdout.buffer.write(line)
                    sys.stdout.flush()

    def fail(self, item, reason):
        self.results[item["document"]] = {"status": FAILED, "reason": reason, "output": item["output"]}
        with self.lock:
            print("mivka: [%d/%d] %s: %s" % (self.numbers[item["document"]], self.count, shown(item["document"]),
                                             FAILED), flush=True)

    def run(self):
        left = list(self.share)
        run_number = 0
        while left:
            job_file = os.path.join(self.folder, "%s-%d.json" % (self.name, run_number))
            result_file = os.path.join(self.folder, "%s-%d-done.json" % (self.name, run_number))
            run_number += 1
            write_job(job_file, self.arguments,
                      [{"document": item["document"], "outputs": [item["output"]],
                        "number": self.numbers[item["document"]]} for item in left], self.count, batch=True)
            process = subprocess.Popen(self.start + ["--job", job_file, result_file], stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL, env=own_temporary_folder(self.folder))
            progress = [time.monotonic()]
            reader = threading.Thread(target=self.forward, args=(process.stdout, progress))
            reader.start()
            timed_out = False
            while process.poll() is None:
                if self.timeout and time.monotonic() - progress[0] > self.timeout:
                    process.kill()
                    timed_out = True
                    break
                time.sleep(0.2)
            process.wait()
            reader.join()
            done = {}
            if os.path.exists(result_file):
                try:
                    with open(result_file) as f:
                        done = json.load(f)
                except ValueError:  # ended while writing it
                    done = {}
            self.results.update(done)
            left = [item for item in left if item["document"] not in done]
            if left and (timed_out or process.returncode != 0 or done):
                # The document it was converting when it ended.
                why = ("took longer than %g s" % self.timeout if timed_out
                       else "Blender ended while converting it")
                self.fail(left.pop(0), why)
            elif left:
                for item in left:  # a Blender that came back with nothing done
                    self.fail(item, "Blender ended before converting it")
                left = []


def run_batch(arguments):
    """Converts every document; 0 only when each converted whole, 3 when
    some stopped early and none failed, 1 when one failed."""
    start = blender_command("a batch needs")
    if start is None:
        return 1
    unreadable = []
    found = documents(arguments.files, unreadable)
    for folder, reason in unreadable:
        print("mivka: cannot read the folder %s: %s" % (shown(folder), reason), file=sys.stderr)
    if not found:
        print("mivka: no .mqo or .mqoz documents in %s" % " ".join(map(shown, arguments.files)), file=sys.stderr)
        return 1
    work, moved = outputs(found, arguments.output[0], "." + arguments.format)
    for line in moved:
        print(line, flush=True)
    for item in work:
        os.makedirs(os.path.dirname(os.path.abspath(item["output"])), exist_ok=True)

    results = _run_workers(start, arguments, work)
    return _report(work, results, unreadable)


def _run_workers(start, arguments, work):
    """Each document's result, from Blender processes side by side."""
    numbers = {item["document"]: k + 1 for k, item in enumerate(work)}
    jobs = job_count(arguments.jobs, len(work))
    lock = threading.Lock()
    results = {}
    with tempfile.TemporaryDirectory() as folder:
        workers = [Worker(start, arguments, work[j::jobs], len(work), numbers, folder, "job%d" % j, arguments.timeout, lock)
                   for j in range(jobs)]
        threads = [threading.Thread(target=w.run) for w in workers]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        for worker in workers:
            results.update(worker.results)
    for item in work:
        results.setdefault(item["document"], {"status": FAILED, "reason": "Blender ended before converting it"})
    return results


def _report(work, results, unreadable):
    """The batch's summary; answers the command's exit status."""
    counts = {status: sum(1 for r in results.values() if r["status"] == status) for status in (WHOLE, STOPPED, FAILED)}
    counts[FAILED] += len(unreadable)
    print("%-16s %d" % (WHOLE + ":", counts[WHOLE]))
    print("%-16s %d" % (STOPPED + ":", counts[STOPPED]))
    print("%-16s %d" % (FAILED + ":", counts[FAILED]))
    for item in work:
        result = results[item["document"]]
        if result["status"] != WHOLE:
            print("  %s: %s%s" % (shown(item["document"]), result["status"],
                                  " (%s)" % result["reason"] if result.get("reason") else ""))
    for folder, reason in unreadable:
        print("  %s: %s (cannot read the folder: %s)" % (shown(folder), FAILED, reason))
    if counts[FAILED]:
        return 1
    return 3 if counts[STOPPED] else 0
