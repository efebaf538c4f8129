"""Shared set-up of the Python tests: where the built module, the host
package and the real MQO documents lie, and fixtures around a conversion."""

import os
import re
import struct
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
BUILD = Path(os.environ.get("MIVKA_BUILD_DIR", ROOT / "build"))
CORPUS = Path(os.environ.get("MIVKA_CORPUS", ROOT.parent / "shared" / "corpus" / "mqo"))
DATA = Path(__file__).resolve().parent / "data"
# Set when the suite runs against the AddressSanitizer build: its shadow
# memory and quarantine make resident sizes meaningless, and neither Blender
# nor valgrind can load that build.
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")

for folder in (BUILD, ROOT / "hosts" / "memory", ROOT / "hosts" / "common", ROOT / "tools"):
    if str(folder) not in sys.path:
        sys.path.insert(0, str(folder))

import Blender  # noqa: E402

SECONDS = rb"\d+(\.\d+)?(e[-+]\d+)?sec"
TIMEIT = re.compile(rb"TimeIt " + SECONDS + rb"\n")
MATERIAL_TIME = re.compile(rb"Material Convert Time " + SECONDS + rb"\n\n\n")
HEAD = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nScene {\r\n\tpos 0 0 1500\r\n}\r\n"


def pytest_configure(config):
    config.addinivalue_line("markers", "slow: Blender, valgrind, sweeps and large documents; "
                                       "-m 'not slow' runs the quick suite")


HAS_CORPUS = (CORPUS / "SOURCES.md").is_file()
NO_CORPUS = "the real documents are not beside the project (../shared/corpus/mqo, or $MIVKA_CORPUS)"
needs_corpus = pytest.mark.skipif(not HAS_CORPUS, reason=NO_CORPUS)


def run_mivka(*arguments, timeout=None, prefix=()):
    """The mivka command, as users run it, with this build's module; after
    `prefix` (a command that runs it) when one is given."""
    import subprocess

    environment = dict(os.environ, MIVKA_BUILD_DIR=str(BUILD))
    return subprocess.run(list(prefix) + [sys.executable, str(ROOT / "tools" / "mivka")] + [str(a) for a in arguments],
                          capture_output=True, env=environment, timeout=timeout)


def corpus_table():
    """The rows of the corpus's own list of its documents, as {column: text};
    skips the calling test when the corpus is not there."""
    if not HAS_CORPUS:
        pytest.skip(NO_CORPUS)
    rows = []
    header = None
    for line in (CORPUS / "SOURCES.md").read_text(encoding="utf-8").splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if header is None and "file" in cells and "ver" in cells:
            header = cells
        elif header and len(cells) == len(header) and cells[0].endswith(".mqo"):
            rows.append(dict(zip(header, cells)))
        elif header and not line.startswith("|"):
            break
    return rows


def corpus_versions():
    """{file name: format version}."""
    return {row["file"]: row["ver"] for row in corpus_table()}


@pytest.fixture
def corpus_documents():
    """(path, material count) of every Format Text Ver 1.0 document of the corpus."""
    return sorted((CORPUS / row["file"], int(row["materials"].split()[0]))
                  for row in corpus_table() if row["ver"] == "1.0")


def single(value):
    """A number rounded to single precision, as a float."""
    return struct.unpack("f", struct.pack("f", value))[0]


def world_vertices(obj, digits=6):
    """The object's mesh vertices in world space, rounded."""
    matrix = obj.matrix
    return [tuple(round(c, digits) + 0.0 for c in v.co * matrix) for v in obj.getData(0, 1).verts]


def cube_object(name="cube", attributes="", faces=None):
    """An Object chunk holding a box of 8 vertices and 6 four-sided faces."""
    faces = faces if faces is not None else (
        "\t\t4 V(0 2 3 1)\n\t\t4 V(2 4 5 3)\n\t\t4 V(4 6 7 5)\n"
        "\t\t4 V(6 0 1 7)\n\t\t4 V(6 4 2 0)\n\t\t4 V(1 3 5 7)\n")
    return ('Object "%s" {\n%s\tvertex 8 {\n'
            "\t\t-1 1 1\n\t\t-1 -1 1\n\t\t1 1 1\n\t\t1 -1 1\n\t\t1 1 -1\n\t\t1 -1 -1\n\t\t-1 1 -1\n\t\t-1 -1 -1\n"
            "\t}\n\tface %d {\n%s\t}\n}\n") % (name, attributes, faces.count("V("), faces)


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
def host_calls(host, monkeypatch):
    """Records the calls of the host operations that a test names, in order.

    `watch(module, "New", ...)` records calls of module functions;
    `watch(Material.Material, "setRGBCol", ...)` calls of methods, with the
    receiver's name first. Each entry is (operation, arguments).
    """
    class Calls(list):
        pass

    calls = Calls()

    def watch(owner, *names):
        is_class = isinstance(owner, type)
        for name in names:
            original = getattr(owner, name)

            def recorder(*args, _name=name, _original=original):
                shown = (args[0].name,) + args[1:] if is_class else args
                calls.append((_name, shown))
                return _original(*args)

            monkeypatch.setattr(owner, name, recorder)

    calls.watch = watch
    return calls


@pytest.fixture
def convert(mivka, capfdbinary):
    """Runs readmqo and returns the bytes that reached standard output."""

    def run(path):
        capfdbinary.readouterr()
        assert mivka.readmqo(path) is None
        return capfdbinary.readouterr().out

    return run
