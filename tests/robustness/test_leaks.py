"""Conversions leave nothing behind: no Python objects, no memory, no
mappings, and valgrind finds no block that the module lost."""

import gc
import os
import shutil
import subprocess
import sys

import pytest

from conftest import CORPUS, HAS_CORPUS, ROOT, SANITIZED
from hostile_documents import PNG, document_text

pytestmark = pytest.mark.slow  # valgrind and two hundred conversions


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_two_hundred_conversions_keep_objects_and_memory_flat(tmp_path, mivka, host, capfdbinary, progress):
    (tmp_path / "t.png").write_bytes(PNG)
    whole = tmp_path / "whole.mqo"
    whole.write_bytes(document_text(vertices=300))
    broken = tmp_path / "broken.mqo"
    broken.write_bytes(document_text(vertices=300)[:5000])
    documents = [str(whole), str(broken)] + ([str(CORPUS / "lsbattle__Griffin.mqo")] if HAS_CORPUS else [])

    def round_of_conversions():
        for path in documents:
            try:
                mivka.readmqo(path)
            except IndexError:
                pass
            host.reset()
            progress.clear()
        capfdbinary.readouterr()

    for _ in range(20):  # warm up: caches, interned names, the allocator's pools
        round_of_conversions()
    gc.collect()
    objects, memory = len(gc.get_objects()), resident_bytes()
    for _ in range(200):
        round_of_conversions()
    gc.collect()
    assert len(gc.get_objects()) - objects < 50
    if not SANITIZED:  # the sanitizer's quarantine holds freed blocks back on purpose
        assert resident_bytes() - memory < 4 << 20
    with open("/proc/self/maps") as maps:
        assert str(tmp_path) not in maps.read()


@pytest.mark.skipif(shutil.which("valgrind") is None, reason="valgrind is not installed")
@pytest.mark.skipif(SANITIZED, reason="valgrind cannot run a sanitized build")
def test_valgrind_finds_no_block_lost_by_the_module(tmp_path):
    (tmp_path / "t.png").write_bytes(PNG)
    path = tmp_path / "doc.mqo"
    path.write_bytes(document_text(vertices=30))
    done = subprocess.run(
        ["valgrind", "--tool=memcheck", "--leak-check=full", "--show-leak-kinds=definite",
         "--errors-for-leak-kinds=none", "--error-exitcode=99", "--num-callers=40",
         sys.executable, str(ROOT / "tests" / "programs" / "convert_in_memory.py"), str(path), "3"],
        capture_output=True, env=dict(os.environ, PYTHONMALLOC="malloc"), timeout=600)
    report = done.stderr.decode("utf-8", "replace")
    # Each loss record: its heading line, then its stack up to an empty line.
    records, record = [], None
    for line in report.splitlines():
        text = line.split("== ", 1)[-1]
        if "are definitely lost in loss record" in text:
            record = [text]
        elif record is not None:
            if text.strip():
                record.append(text)
            else:
                records.append("\n".join(record))
                record = None
    assert [r for r in records if "Mivka" in r] == []
    # Nothing else either: no memory error in the whole process, and no
    # definite leak but the interpreter's own (Python 3.13 and later leave
    # blocks of their start-up at exit), whose every frame lies in the
    # interpreter, the C library or valgrind's allocator.
    assert done.returncode == 0, report[-4000:]

    def interpreters_own(record):
        frames = [line.split(": ", 1)[-1] for line in record.splitlines()[1:]]
        return all("(in /usr/bin/python3" in f or "(below main)" in f or "vg_replace_malloc" in f for f in frames)

    assert [r for r in records if not interpreters_own(r)] == [], report[-4000:]
