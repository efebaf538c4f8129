"""Documents with hostile sizes finish, in a separate process, with memory
bounded by the document and what the host was given."""

import os
import subprocess
import sys

import pytest

from conftest import BUILD, HEAD, ROOT, SANITIZED

pytestmark = pytest.mark.slow  # documents of many megabytes, each in a process of its own

MIB = 1 << 20
PROGRAM = str(ROOT / "tests" / "programs" / "convert_in_memory.py")


def convert_apart(path):
    """Converts in a child process; returns what it wrote to stderr."""
    done = subprocess.run([sys.executable, PROGRAM, str(path)], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, timeout=240)
    assert done.returncode == 0, done.stderr
    return done.stderr


def assert_peak_below(path, bound, command=None):
    """Converts in a child process (see peak_of_child) and checks its peak
    resident memory."""
    peak = peak_of_child(path, command)
    if not SANITIZED:
        assert peak < bound


def peak_of_child(path, command=None):
    """The peak resident memory of the conversion in a child process: by
    convert_in_memory.py, or by the command given."""
    command = command or [sys.executable, PROGRAM, str(path)]
    pid = os.fork()
    if pid == 0:  # pragma: no cover - the child
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.environ["MIVKA_BUILD_DIR"] = str(BUILD)
        os.execv(command[0], command)
    _, status, usage = os.wait4(pid, 0)
    assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0
    return usage.ru_maxrss * 1024


@pytest.fixture(scope="module")
def baseline(tmp_path_factory):
    path = tmp_path_factory.mktemp("baseline") / "empty.mqo"
    path.write_bytes(HEAD.encode())
    return peak_of_child(path)


MATERIAL = 'Material 1 {\n"m"\n}\n'


@pytest.mark.parametrize("name, content", [
    ("vertex count", HEAD + MATERIAL + 'Object "o" {\n\tvertex 4294967295 {\n\t\t1 2 3\n\t\t4 5 6\n\t}\n'
                                       '\tface 1 {\n\t\t3 V(0 1 1)\n\t}\n}\n'),
    ("BVertex count", HEAD + MATERIAL + 'Object "o" {\n\tBVertex 4294967295 {\n\t\tVector 1 [12]\n'
                                        + "\x00" * 12 + '\n\t}\n\tface 0 {\n\t}\n}\n'),
    ("face count", HEAD + MATERIAL + 'Object "o" {\n\tvertex 3 {\n1 2 3 4 5 6 7 8 9\n}\n'
                                     '\tface 4294967295 {\n\t\t3 V(0 1 2)\n\t}\n}\n'),
    ("BVertex past the end", HEAD + MATERIAL + 'Object "o" {\n\tBVertex 1000000 {\n\t\tVector 1000000 [12000000]\n'
                                               + "\x01\x02\x03\x04" * 25),
])
def test_huge_counts_read_only_what_is_there(tmp_path, name, content):
    path = tmp_path / "doc.mqo"
    path.write_bytes(content.encode("latin-1"))
    assert convert_apart(path).split()[0] == b"1"


def test_a_hundred_megabyte_name(tmp_path, baseline):
    path = tmp_path / "doc.mqo"
    with open(path, "wb") as f:
        f.write(HEAD.encode() + b'Material 1 {\n"')
        f.write(b"n" * (100 * MIB))
        f.write(b'" dif(0.5)\n}\n')
    # The mapping, the name as read and the host's copy of it.
    assert_peak_below(path, baseline + 3 * 100 * MIB + 16 * MIB)


def test_a_line_of_a_million_numbers(tmp_path, baseline):
    path = tmp_path / "doc.mqo"
    numbers = " ".join(str(i % 10) for i in range(1000000))
    path.write_bytes((HEAD + MATERIAL + 'Object "o" {\n\tvertex 1 {\n' + numbers + "\n\t}\n\tface 1 {\n\t\t3 V("
                      + numbers + ")\n\t}\n}\n").encode())
    assert_peak_below(path, baseline + 16 * MIB)


def test_a_hundred_thousand_empty_object_chunks(tmp_path, baseline):
    path = tmp_path / "doc.mqo"
    path.write_bytes((HEAD + MATERIAL + 'Object "o" {\n}\n' * 100000).encode())
    assert convert_apart(path).split() == [b"1", b"0"]
    assert_peak_below(path, baseline + 16 * MIB)


def test_a_million_vertices_take_at_most_fifty_bytes_a_document_byte(tmp_path, baseline):
    """Through the command, which also prints what it built."""
    path = tmp_path / "doc.mqo"
    path.write_bytes((HEAD + 'Object "o" {\n\tvertex 1000000 {\n' + "%d 0 0\n" * 1000000 % tuple(
        k % 10 for k in range(1000000)) + "\t}\n\tface 0 {\n\t}\n}\n").encode())
    command = [sys.executable, str(ROOT / "tools" / "mivka"), str(path)]
    assert_peak_below(path, baseline + 50 * path.stat().st_size, command)
