"""Shared set-up of the Python tests: where the built module, the host
package and the real MQO documents lie, and fixtures around a conversion."""

import os
import re
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
BUILD = Path(os.environ.get("MIVKA_BUILD_DIR", ROOT / "build"))
CORPUS = Path(os.environ.get("MIVKA_CORPUS", ROOT.parent / "shared" / "corpus" / "mqo"))
DATA = Path(__file__).resolve().parent / "data"

for folder in (BUILD, ROOT / "hosts" / "memory", ROOT / "tools"):
    if str(folder) not in sys.path:
        sys.path.insert(0, str(folder))

import Blender  # noqa: E402

TIMEIT = re.compile(rb"TimeIt \d+(\.\d+)?(e[-+]\d+)?sec\n")


def corpus_versions():
    """{file name: format version} as the corpus's own list gives them."""
    table = (CORPUS / "SOURCES.md").read_text(encoding="utf-8")
    header = None
    versions = {}
    for line in table.splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if header is None and "file" in cells and "ver" in cells:
            header = cells
        elif header and len(cells) == len(header) and cells[0].endswith(".mqo"):
            versions[cells[0]] = cells[header.index("ver")]
        elif header and not line.startswith("|"):
            break
    return versions


@pytest.fixture
def mivka():
    import Mivka

    return Mivka


@pytest.fixture
def host():
    """The in-memory host, emptied before and after the test."""
    Blender.reset(registry=True)
    yield Blender
    Blender.reset(registry=True)


@pytest.fixture
def progress(host, monkeypatch):
    """Every progress report of the test, as (fraction, text) pairs."""
    reports = []

    def draw(fraction, text):
        reports.append((fraction, text))

    monkeypatch.setattr(host.Window, "DrawProgressBar", draw)
    return reports


@pytest.fixture
def document(tmp_path):
    """Writes a document (bytes or text) and returns its path as str."""
    counter = iter(range(1000))

    def write(content, name=None):
        path = tmp_path / (name or "doc%d.mqo" % next(counter))
        path.write_bytes(content.encode("latin-1") if isinstance(content, str) else content)
        return str(path)

    return write


@pytest.fixture
def convert(mivka, capfdbinary):
    """Runs readmqo and returns the bytes that reached standard output."""

    def run(path):
        capfdbinary.readouterr()
        assert mivka.readmqo(path) is None
        return capfdbinary.readouterr().out

    return run
