"""Texture files found and loaded into texture slots, and projection Empties."""

import io
import os
import shutil
import struct
import subprocess
import sys
import zipfile

import pytest

from conftest import HEAD, ROOT, run_mivka

PNG = b"\x89PNG\r\n\x1a\n" + bytes(24)
JPEG = b"\xff\xd8\xff" + bytes(8)
BMP = b"BM" + bytes(60)
TEXTURE_CALLS = ("New", "Load", "setType", "setImage", "setImageFlags", "setTexture")


@pytest.fixture
def textures(tmp_path, monkeypatch, convert, host, host_calls):
    """A document folder, a working folder elsewhere, and a converter that
    returns (console bytes, texture calls)."""
    docs, work = tmp_path / "docs", tmp_path / "work"
    docs.mkdir()
    work.mkdir()
    monkeypatch.chdir(work)
    host_calls.watch(host.Texture, "New")
    host_calls.watch(host.Image, "Load")
    host_calls.watch(host.Texture.Texture, "setType", "setImage", "setImageFlags")
    host_calls.watch(host.Material.Material, "setTexture")

    def run(attributes):
        path = docs / "doc.mqo"
        text = attributes if isinstance(attributes, bytes) else attributes.encode()
        path.write_bytes(HEAD.encode() + b'Material 1 {\n"m" ' + text + b'\n}\n')
        out = convert(str(path))
        shown = [(name, tuple(a.name if hasattr(a, "name") else a for a in args)) for name, args in host_calls]
        return out, shown

    run.docs, run.work = docs, work
    return run


def zipped(members):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, data in members:
            archive.writestr(name, data)
    return buffer.getvalue()


def loads(calls):
    return [args[0] for name, args in calls if name == "Load"]


class TestSearch:
    def test_found_as_written_relative_to_the_working_folder(self, textures, host):
        (textures.work / "wood.bmp").write_bytes(b"BM" + bytes(60))
        (textures.docs / "wood.bmp").write_bytes(b"BM" + bytes(60))
        out, calls = textures('tex("wood.bmp")')
        UV, COL = host.Texture.TexCo.UV, host.Texture.MapTo.COL
        assert calls == [("New", ("ColorMap",)), ("Load", (b"wood.bmp",)), ("setType", ("ColorMap", "Image")),
                         ("setImage", ("ColorMap", b"wood.bmp")), ("setTexture", (b"m", 0, "ColorMap", UV, COL))]
        assert b"Unable" not in out

    def test_found_next_to_the_document(self, textures):
        (textures.docs / "tex").mkdir()
        (textures.docs / "tex" / "wood.png").write_bytes(PNG)
        _, calls = textures('tex("tex\\wood.png")')
        assert loads(calls) == [os.fsencode(textures.docs) + b"/tex/wood.png"]

    @pytest.mark.parametrize("code_page, name, path", [
        # The second byte of 表 is a backslash.
        (None, "\u8868\u9762.png".encode("cp932"), "\u8868\u9762.png".encode("cp932")),
        ("932", "tex\\\u30bd.png".encode("cp932"), "tex/\u30bd.png".encode("cp932")),
        # Unified Hangul has no such second byte: the backslash is a separator.
        ("949", "\ud45c\\\uba74.png".encode("cp949"), "\ud45c/\uba74.png".encode("cp949")),
    ], ids=["shift-jis-guessed", "shift-jis-named", "unified-hangul"])
    def test_a_double_byte_name_is_not_cut_at_its_second_byte(self, code_page, name, path, tmp_path, convert, host,
                                                                monkeypatch):
        docs = tmp_path / "docs"
        found = os.fsencode(docs) + b"/" + path
        os.makedirs(os.path.dirname(found))
        with open(found, "wb") as image:
            image.write(PNG)
        monkeypatch.chdir(tmp_path)  # not the document's folder
        head = HEAD if code_page is None else HEAD.replace("1.0\n", "1.1\nCodePage %s\n" % code_page)
        (docs / "doc.mqo").write_bytes(head.encode() + b'Material 1 {\n"m" tex("' + name + b'")\n}\n')
        host.Registry.SetKey("Mivka", {"Extended": True})
        assert b"Unable" not in convert(str(docs / "doc.mqo"))
        assert [image.filename for image in host.Image.Get()] == [found]

    def test_in_extended_reading_other_names_are_looked_for_in_the_two_folders(self, textures, host, tmp_path):
        """Names in UTF-8 for Shift_JIS text, Windows paths of the author's
        machine, and names that Windows matches in any case: beside the
        document, then in the registry folder, when exactly one file
        matches."""
        library = tmp_path / "library"
        (library / "sub").mkdir(parents=True)
        (textures.docs / "sub").mkdir()
        for folder, name, data in [
                (textures.docs, "x.png", PNG), (library, "x.png", PNG), (textures.docs, "DRAGON.JPG", JPEG),
                (textures.docs, "Wood.png", PNG), (textures.docs, "WOOD.png", PNG), (library, "Stone.BMP", BMP),
                (textures.docs / "sub", "\u8868\u9762.png", PNG), (library / "sub", "\u30bd.PNG", PNG),
                (textures.docs, "\u80fd.png", PNG)]:
            (folder / name).write_bytes(data)
        host.Registry.SetKey("Mivka", {"Extended": True, "ColorMap": str(library)})
        sjis = lambda text: text.encode("cp932").decode("latin-1")  # noqa: E731 (written back as bytes)
        written = ('tex("C:\\Users\\me\\textures\\train\\x.png")\n"b" tex("..\\..\\textures\\dragon.jpg")\n'
                   '"c" tex("wood.png")\n"d" tex("D:\\stone.bmp")\n"e" tex("sub\\%s")\n"f" tex("sub\\%s")\n'
                   '"g" tex("..\\%s")' % (sjis("\u8868\u9762.png"), sjis("\u30bd.png"), sjis("\u80fd.png")))
        out, calls = textures(written.encode("latin-1"))
        folder, elsewhere = os.fsencode(textures.docs), os.fsencode(library)
        assert loads(calls) == [folder + b"/x.png", folder + b"/DRAGON.JPG", elsewhere + b"/Stone.BMP",
                                folder + "/sub/\u8868\u9762.png".encode(), elsewhere + "/sub/\u30bd.PNG".encode(),
                                folder + "/\u80fd.png".encode()]
        assert b"Found ColorMap[C:\\Users\\me\\textures\\train\\x.png] as %s/x.png\n" % folder in out
        assert b"Found ColorMap[..\\..\\textures\\dragon.jpg] as %s/DRAGON.JPG\n" % folder in out
        assert b"Unable to Load ColorMap[%s/wood.png]" % elsewhere in out  # two files match
        assert out.count(b"Found ColorMap[") == 6
        # Format 1.0 only: as written, beside the document, in the folder.
        host.Registry.SetKey("Mivka", {"Extended": False})
        out, calls = textures('tex("C:\\x.png")')
        assert b"Unable to Load ColorMap[C:\\x.png]" in out

    def test_folders_we_may_not_read_are_passed_by(self, tmp_path):
        """A locked folder beside the document and a locked texture folder:
        the command says what it could not load and finds what it can."""
        prefix = []
        if os.geteuid() == 0:  # root reads every folder unless it gives up that right
            if shutil.which("setpriv") is None:
                pytest.skip("running as root without setpriv to drop the right to read every folder")
            prefix = ["setpriv", "--bounding-set=-dac_override,-dac_read_search",
                      "--inh-caps=-dac_override,-dac_read_search"]
        docs, library = tmp_path / "docs", tmp_path / "library"
        (docs / "locked").mkdir(parents=True)
        library.mkdir()
        for image in (docs / "locked" / "a.png", docs / "b.png", library / "C.png"):
            image.write_bytes(PNG)
        (docs / "doc.mqo").write_bytes((HEAD + 'Material 2 {\n"m" tex("locked\\a.png")\n'
                                        '"n" tex("x\\locked\\b.png")\n"o" tex("c.png")\n}\n').encode())
        for folder in (docs / "locked", library):
            folder.chmod(0)
        try:
            done = run_mivka(docs / "doc.mqo", "--texture-dir", "color=%s" % library, timeout=120, prefix=prefix)
        finally:
            for folder in (docs / "locked", library):
                folder.chmod(0o755)
        assert done.returncode == 0, done.stderr[-2000:]
        assert b"Unable to Load ColorMap[%s/locked/a.png]" % os.fsencode(library) in done.stdout
        assert b"] as %s/b.png\n" % os.fsencode(docs) in done.stdout
        assert b"Unable to Load ColorMap[%s/c.png]" % os.fsencode(library) in done.stdout

    def test_found_in_the_registry_folder_of_its_kind(self, textures, host, tmp_path):
        (tmp_path / "library" / "sub").mkdir(parents=True)
        (tmp_path / "library" / "sub" / "bump.png").write_bytes(PNG)
        host.Registry.SetKey("Mivka", {"NormalMap": str(tmp_path / "library") + "\\"})
        out, calls = textures('bump("sub\\bump.png")')
        assert loads(calls) == [os.fsencode(tmp_path) + b"/library/sub/bump.png"]
        assert ("setTexture", (b"m", 1, "NormalMap", host.Texture.TexCo.UV, host.Texture.MapTo.NOR)) in calls

    def test_missing_without_a_registry_entry(self, textures, host):
        out, calls = textures('tex("wood.bmp") aplane("mask.png")')
        assert b"Unable to Load ColorMap[wood.bmp]\nUnable to Load AlphaMap[mask.png]\n" in out
        assert calls == []
        host.Registry.SetKey("Mivka", {"Scale": 1.0})
        out, _ = textures('tex("wood.bmp")')
        assert b"Unable to Load ColorMap[wood.bmp]\n" in out

    def test_missing_in_the_registry_folder_names_the_joined_path(self, textures, host):
        host.Registry.SetKey("Mivka", {"ColorMap": "C:\\tex"})
        out, calls = textures('tex("sub\\wood.bmp")')
        assert b"Unable to Load ColorMap[C:/tex/sub/wood.bmp]\n" in out and calls == []

    def test_a_registry_folder_that_is_not_text_raises(self, textures, host):
        host.Registry.SetKey("Mivka", {"ColorMap": 5})
        with pytest.raises(TypeError):
            textures('tex("wood.bmp")')

    def test_a_file_the_host_cannot_read_as_an_image_is_not_loaded(self, textures, host, monkeypatch):
        (textures.docs / "notes.png").write_bytes(b"just text")
        (textures.docs / "layers.psd").write_bytes(b"8BPS\x00\x01")
        out, calls = textures('tex("notes.png") bump("layers.psd")')
        assert b"Unable to Load ColorMap[" + os.fsencode(textures.docs) + b"/notes.png]\n" in out
        assert [os.path.basename(name) for name in loads(calls)] == [b"notes.png", b"layers.psd"]
        assert [i.name for i in host.Image.Get()] == [b"layers.psd"]
        assert [t.name for t in host.Texture.Get()] == ["ColorMap", "NormalMap"]
        # Any other error of the host still ends the conversion.
        monkeypatch.setattr(host.Image, "Load", lambda name: 1 / 0)
        with pytest.raises(ZeroDivisionError):
            textures('tex("notes.png")')

    def test_images_that_declare_too_many_pixels_are_not_handed_to_the_host(self, textures, host, tmp_path, convert):
        """A few bytes of header can declare more pixels than any memory
        holds; Blender decodes them whole. Per image and per document."""
        def png(width, height):
            return b"\x89PNG\r\n\x1a\n" + struct.pack(">I4sIIBB", 13, b"IHDR", width, height, 8, 6) + bytes(7)
        huge = {"huge.png": png(30000, 30000),
                "huge.tga": struct.pack("<2xB9xHHBB", 2, 30000, 30000, 32, 8),
                "huge.hdr": b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 30000 +X 30000\n",
                "big1.png": png(16000, 16000), "big2.png": png(16000, 16000), "big3.png": png(16000, 16000),
                "strip.png": png(1, 16385)}
        for name, data in huge.items():
            (textures.docs / name).write_bytes(data)
        out, calls = textures('tex("huge.png") bump("huge.tga") alpha("huge.hdr")\n"n" tex("big1.png")\n'
                              '"o" tex("big2.png") bump("big1.png")\n"p" tex("big3.png") alpha("strip.png")')
        folder = os.fsencode(textures.docs)
        for slot, name in (("ColorMap", b"huge.png"), ("NormalMap", b"huge.tga"), ("AlphaMap", b"huge.hdr")):
            assert (b"Unable to Load %s[%s/%s]: 30000 x 30000 pixels, more than 16384 pixels on a side\n"
                    % (slot.encode(), folder, name)) in out
        assert b"Unable to Load ColorMap[%s/big3.png]: 16000 x 16000 pixels, past the 2 GiB that a document's " \
               b"images may take\n" % folder in out
        assert b"[%s/strip.png]: 1 x 16385 pixels, more than 16384" % folder in out
        assert [os.path.basename(name) for name in loads(calls)] == [b"big1.png", b"big2.png", b"big1.png"]
        # The next document has the whole allowance again; so has an archive's
        # member, refused before the host sees it.
        assert b"Unable" not in textures('tex("big1.png") bump("big2.png")')[0]
        (tmp_path / "m.mqoz").write_bytes(zipped([("m.mqo", HEAD + 'Material 1 {\n"m" tex("l.psd")\n}\n'),
                                                   ("l.psd", b"8BPS\0\1" + bytes(6) + struct.pack(">HIIHH", 3, 30000,
                                                                                                   30000, 8, 3))]))
        host.Registry.SetKey("Mivka", {"Extended": True})
        images = len(host.Image.Get())
        assert b"l.psd]: 30000 x 30000 pixels, more than 16384" in convert(str(tmp_path / "m.mqoz"))
        assert len(host.Image.Get()) == images

    def test_a_name_too_long_for_the_file_system_is_a_missing_file(self, textures, host):
        long_name = "d" * 300 + "/" + "x" * 5000 + ".png"
        host.Registry.SetKey("Mivka", {"ColorMap": "/tex"})
        out, calls = textures('tex("%s")' % long_name)
        # The console shows the start of a path that long.
        shown = ("/tex/" + long_name)[:200].encode()
        assert calls == [] and b"Unable to Load ColorMap[" + shown + b"...]\n" in out

    def test_a_file_text_with_a_nul_byte_is_never_found(self, textures):
        (textures.work / "a").write_bytes(PNG)
        out, calls = textures('tex("a\0b")')
        assert calls == [] and b"Unable to Load ColorMap[a\0b]\n" in out


class TestSlots:
    def test_alpha_maps_use_alpha_and_slot_two(self, textures, host):
        (textures.work / "mask.png").write_bytes(PNG)
        _, calls = textures('alpha("mask.png")')
        assert ("setImageFlags", ("AlphaMap", "UseAlpha")) in calls
        assert calls[-1] == ("setTexture", (b"m", 2, "AlphaMap", host.Texture.TexCo.UV, host.Texture.MapTo.ALPHA))

    def test_each_attribute_makes_its_own_texture_and_image(self, textures, host):
        (textures.work / "a.png").write_bytes(PNG)
        (textures.work / "b.png").write_bytes(PNG)
        textures('tex("a.png") tex("b.png")')
        slot = host.Material.Get()[0].getTextures()[0]
        assert len(host.Texture.Get()) == len(host.Image.Get()) == 2
        assert slot.tex.image.filename == b"b.png"


class TestProjection:
    def test_proj_type_maps_the_filled_slots_through_a_new_empty(self, textures, host):
        (textures.work / "a.png").write_bytes(PNG)
        textures('tex("a.png") proj_type(1) bump("a.png")')
        empties = [o for o in host.Object.Get() if o.type == "Empty"]
        assert len(empties) == 1 and host.Scene.getCurrent().objects == empties
        colour, bump, alpha = host.Material.Get()[0].getTextures()[:3]
        assert (colour.texco, colour.object, colour.mapping) == (host.Texture.TexCo.OBJECT, empties[0], 0)
        assert (bump.texco, bump.object) == (host.Texture.TexCo.UV, None) and alpha is None

    def test_a_material_makes_one_empty_however_often_it_says_proj_type(self, textures, host):
        (textures.work / "a.png").write_bytes(PNG)
        textures('tex("a.png")' + " proj_type(1)" * 1000 + ' proj_type(2)\n"n" tex("a.png") proj_type(1)')
        empties = [o for o in host.Object.Get() if o.type == "Empty"]
        assert len(empties) == 2
        assert [(m.getTextures()[0].object, m.getTextures()[0].mapping) for m in host.Material.Get()] == \
            [(empties[0], 2), (empties[1], 0)]

    @pytest.mark.parametrize("kind, mapping", [(2, 2), (3, 3)])
    def test_other_projection_kinds_are_passed_on(self, textures, host, kind, mapping):
        (textures.work / "a.png").write_bytes(PNG)
        textures('tex("a.png") proj_type(%d)' % kind)
        assert host.Material.Get()[0].getTextures()[0].mapping == mapping

    def test_proj_type_zero_makes_nothing(self, textures, host):
        textures("proj_type(0)")
        assert host.Object.Get() == []

    def test_proj_angle_rotates_the_latest_empty_with_axes_swapped(self, textures, host):
        textures('proj_type(1) proj_angle(1 2 3)')
        textures('proj_type(1) proj_angle(10 20 30) proj_angle(1 2)')
        first, second = host.Object.Get()
        M = host.Mathutils
        assert first.matrix == M.Euler((1, 3, 2)).toMatrix().resize4x4()
        assert second.matrix == M.Euler((10, 30, 20)).toMatrix().resize4x4()


@pytest.mark.parametrize("extended", [True, False])
def test_extended_reading_places_a_planar_projection_as_metasequoia_does(extended, document, convert, host):
    """Texture coordinates through the Empty are the ones Metasequoia gives
    the corners for proj_pos(10 20 0) proj_scale(50 25 1); the plain rules
    only turn the Empty."""
    host.Registry.SetKey("Mivka", {"Extended": extended})
    corners = [(-40, 45, 7), (60, 45, 7), (60, -5, 7), (-40, -5, 7)]
    uv = [((x - 10) / 100 + 0.5, -(y - 20) / 50 + 0.5) for x, y, _ in corners]
    body = "\tvertex 4 {\n%s\t}\n\tface 1 {\n\t\t4 V(0 1 2 3) M(0) UV(%s)\n\t}\n" % (
        "".join("\t\t%d %d %d\n" % c for c in corners), " ".join("%g %g" % p for p in uv))
    convert(document(HEAD + 'Material 1 {\n\t"m" proj_type(1) proj_pos(10 20 0) proj_scale(50 25 1) '
                     'proj_angle(0 0 0)\n}\nObject "o" {\n' + body + "}\n"))
    (empty,) = [o for o in host.Object.Get() if o.type == "Empty"]
    (obj,) = [o for o in host.Scene.getCurrent().objects if o.type == "Mesh"]
    face = obj.getData(0, 1).faces[0]
    through = [tuple(round(c, 6) for c in (v.co * obj.matrix * empty.matrix.inverted()))[:2] for v in face.v]
    assert (through == [tuple(round(c, 6) for c in p) for p in face.uv]) == extended
    assert extended or empty.matrix == host.Mathutils.Euler((0, 0, 0)).toMatrix().resize4x4()


def test_proj_angle_before_any_proj_type_does_nothing(tmp_path):
    # A fresh interpreter: the Empty of earlier conversions is kept for the
    # life of the module.
    path = tmp_path / "doc.mqo"
    path.write_bytes((HEAD + 'Material 1 {\n"m" proj_angle(10 20 30)\n}\n').encode())
    program = ROOT / "tests" / "programs" / "convert_in_memory.py"
    done = subprocess.run([sys.executable, str(program), str(path)], capture_output=True, check=True)
    assert done.stderr == b"0 0\n"
