"""Documents cut short and with single bytes changed convert through the
host without crashing, and leave a scene that holds together: at worst the
host raises a Python error. (The reader alone is swept far more densely in
C++.)"""

import random

import pytest

from conftest import CORPUS, needs_corpus
from hostile_documents import HOST_ERRORS, PNG, document_text
from scene_invariants import assert_scene_holds_together

pytestmark = pytest.mark.slow  # every prefix and many changed bytes of real documents


@pytest.fixture
def sweep(tmp_path, mivka, host, capfdbinary, progress):
    path = tmp_path / "doc.mqo"

    def convert(content):
        path.write_bytes(content)
        host.reset()
        try:
            mivka.readmqo(str(path))
        except HOST_ERRORS:
            pass
        capfdbinary.readouterr()
        assert_scene_holds_together(host)

    (tmp_path / "t.png").write_bytes(PNG)
    return convert


@needs_corpus
@pytest.mark.parametrize("name, step", [("lsbattle__kuma.mqo", 1009)])
def test_every_prefix_of_real_documents(sweep, name, step):
    content = (CORPUS / name).read_bytes()
    for end in range(0, len(content) + 1, step):
        sweep(content[:end])


def test_every_prefix_of_a_document_with_every_chunk(sweep):
    content = document_text(vertices=30)
    for end in range(len(content) + 1):
        sweep(content[:end])


@needs_corpus
@pytest.mark.parametrize("name", ["webgl-metasequoia__heisi.mqo"])
def test_single_bytes_changed_at_many_places(sweep, name):
    content = (CORPUS / name).read_bytes()
    chance = random.Random(name)
    replacements = b"\x00 \t\n\"(){}-.9eEVMx\xff"
    for _ in range(150):
        at = chance.randrange(len(content))
        changed = bytearray(content)
        changed[at] = replacements[chance.randrange(len(replacements))]
        sweep(bytes(changed))


def test_single_bytes_changed_in_binary_vertices(sweep):
    content = document_text(vertices=30)
    start = content.index(b"[36]") + 5
    for at in range(start - 8, start + 40):
        for value in (0x00, 0x20, 0x7D, 0xFF):
            changed = bytearray(content)
            changed[at] = value
            sweep(bytes(changed))
