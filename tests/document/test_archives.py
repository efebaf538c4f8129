"""Zip archives (.mqoz): in extended mode their document member is read out
of memory and converts as the document itself does; an archive that cannot
be read ends with one clear line and the header failure."""

import io
import os
import shutil
import struct
import zipfile

import pytest

from conftest import ROOT, TIMEIT
from scene_snapshot import snapshot_memory

SAMPLE = (ROOT / "samples" / "lantern.mqo").read_bytes()
FAILED = b"\x8e\xb8\x94\x73\x28\x8a\xbe\n"


def zipped(members, compression=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compression) as archive:
        for name, data in members:
            archive.writestr(name, data)
    return buffer.getvalue()


def damaged_member(data):
    """The archive of one stored member with one byte of that member changed:
    its checksum no longer holds."""
    at = data.index(SAMPLE[:40]) + 100
    return data[:at] + bytes([data[at] ^ 0x01]) + data[at + 1:]


def understated(data):
    """The archive of one member whose headers say it unpacks to 1,000 bytes."""
    central = data.index(b"PK\x01\x02")
    data = bytearray(data)
    struct.pack_into("<I", data, 22, 1000)
    struct.pack_into("<I", data, central + 24, 1000)
    return bytes(data)


@pytest.fixture
def beside_texture(tmp_path):
    shutil.copy(ROOT / "samples" / "lantern.png", tmp_path)
    return tmp_path


@pytest.mark.parametrize("members, compression", [
    ([("lantern.mqo", SAMPLE)], zipfile.ZIP_DEFLATED),
    ([("thumbnail.png", b"\x89PNG"), ("model/LANTERN.MQO", SAMPLE), ("second.mqo", b"x")], zipfile.ZIP_STORED),
], ids=["deflated", "after-other-members"])
def test_the_document_member_converts_as_the_document_does(members, compression, beside_texture, convert, host):
    (beside_texture / "lantern.mqo").write_bytes(SAMPLE)
    host.Registry.SetKey("Mivka", {"Extended": True})
    convert(str(beside_texture / "lantern.mqo"))
    expected = snapshot_memory()
    host.reset()
    host.Registry.SetKey("Mivka", {"Extended": True})
    path = beside_texture / "lantern.mqoz"
    path.write_bytes(zipped(members, compression))
    out = convert(str(path))
    assert TIMEIT.search(out) and b"Stopped" not in out and b"Unable" not in out
    assert snapshot_memory() == expected and expected["objects"] and expected["textures"]


@pytest.mark.parametrize("member", ["lantern.png", "maps\\Lantern.PNG"])
def test_a_texture_inside_the_archive_is_taken_from_it(member, tmp_path, convert, host):
    """Looked for there first (by its path, else its file name); the host
    keeps the image's bytes, and nothing unpacked stays on disk."""
    png = (ROOT / "samples" / "lantern.png").read_bytes()
    path = tmp_path / "lantern.mqoz"
    path.write_bytes(zipped([("lantern.mqo", SAMPLE), (member, png)]))
    host.Registry.SetKey("Mivka", {"Extended": True})
    out = convert(str(path))
    assert b"Unable" not in out and b"Stopped" not in out
    images = host.Image.Get()
    assert images and all(image.packed == png for image in images)
    assert not any(os.path.exists(image.filename) for image in images)


def test_archive_textures_are_unpacked_once_per_member_and_within_a_bound(tmp_path, convert, host, monkeypatch):
    """However many ways the document names a member, it is unpacked once;
    its file goes as soon as the host keeps its bytes; and all members
    together unpack to no more than the archive's size allows."""
    png = (ROOT / "samples" / "lantern.png").read_bytes()
    big = b"\x89PNG\r\n\x1a\n" + bytes(40 << 20)
    named = "".join('"m%d" tex("d%d\\a.png")\n' % (i, i) for i in range(20))
    document = (b"Metasequoia Document\nFormat Text Ver 1.0\n\nMaterial 22 {\n" + named.encode() +
                b'"x" tex("b1.png")\n"y" tex("b2.png")\n}\n')
    path = tmp_path / "m.mqoz"
    path.write_bytes(zipped([("m.mqo", document), ("a.png", png), ("b1.png", big), ("b2.png", big)]))
    loaded = []

    def load(name, load=host.Image.Load):
        # Every earlier member's file is gone by the time the next is loaded.
        assert not any(os.path.exists(earlier) for earlier in loaded)
        loaded.append(name)
        return load(name)

    monkeypatch.setattr(host.Image, "Load", load)
    host.Registry.SetKey("Mivka", {"Extended": True})
    out = convert(str(path))
    assert [os.path.basename(name) for name in loaded] == [b"a.png", b"b1.png"]
    assert b"Unable to Load ColorMap[b2.png]\n" in out and out.count(b"Unable") == 1
    assert [len(image.packed) for image in host.Image.Get()] == [len(png), len(big)]
    assert [t.tex.image for t in host.Material.Get()[0].getTextures() if t] == [host.Image.Get()[0]]


GOOD = zipped([("lantern.mqo", SAMPLE)], zipfile.ZIP_STORED)
# 96 MiB from some 100 KB.
BOMB = zipped([("bomb.mqo", SAMPLE[:50] + b" " * (96 << 20))])


@pytest.mark.parametrize("data, extended, line", [
    (GOOD, False, None),
    (zipped([("readme.txt", b"text")]), True, b"no .mqo document in the archive"),
    (GOOD[:len(GOOD) // 2], True, b"Unable to read archive."),
    (damaged_member(GOOD), True, b"Unable to read archive."),
    (b"PK\x03\x04", True, b"Unable to read archive."),
    # Refused before it is unpacked, and while.
    (BOMB, True, b"the document unpacks to more than 67108864"),
    (understated(BOMB), True, b"the document unpacks to more than 67108864"),
], ids=["not-extended", "no-document", "cut-in-half", "bad-checksum", "signature-only", "bomb", "bomb-lying"])
def test_an_archive_that_cannot_be_read_ends_at_the_header(data, extended, line, tmp_path, convert, host, progress):
    host.Registry.SetKey("Mivka", {"Extended": extended})
    path = tmp_path / "model.mqoz"
    path.write_bytes(data)
    out = convert(str(path))
    assert out.endswith(FAILED) and progress[-1] == (1.0, "Error")
    assert (line is None and out.count(b"\n") == 2) or (line in out and out.count(b"\n") == 3)
    assert not host.Scene.getCurrent().objects
