"""Legal documents that used to stop a conversion or misplace vertices,
a document cut short while it is read, and texture folders we may not
search: the conversion goes on (or ends with a clear error) and every
vertex lands where the document puts it."""

import contextlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import pytest

from conftest import BUILD, ROOT, TIMEIT
from hostile_documents import BROKEN_SKIPS, MODIFIER_BUDGETS, PLACEMENTS, connected_half, display_settings, obj, projected, rotated_again, HEAD


def document_vertices(text):
    """Each object's vertices as the document gives them, in the host's axes."""
    objects = []
    for chunk in text.split('Object "')[1:]:
        body = chunk.split("vertex ", 1)[1].split("{", 1)[1].split("}", 1)[0]
        rows = [[float(c) for c in line.split()] for line in body.strip().splitlines()]
        objects.append([(x, -z, y) for x, y, z in rows])
    return objects


@pytest.mark.parametrize("name, text", PLACEMENTS, ids=[n for n, _ in PLACEMENTS])
def test_every_vertex_lands_where_the_document_puts_it(name, text, document, convert, host):
    out = convert(document(text))
    assert b"Stopped reading" not in out and TIMEIT.search(out)
    objects = host.Scene.getCurrent().objects
    expected = document_vertices(text)
    assert len(objects) == len(expected)
    for o, vertices in zip(objects, expected):
        world = [tuple(v.co * o.matrix) for v in o.getData(0, 1).verts]
        for got, want in zip(world, vertices):
            assert max(abs(a - b) for a, b in zip(got, want)) < 1e-9, (name, o.name, got, want)


def test_lone_carriage_returns_end_lines_where_reading_stops(document, convert, host):
    out = convert(document(HEAD.replace("\n", "\r") + obj("a") + "Shape {\r}\r"))
    assert b"Stopped reading at line 16: Shape {\r}\r" in out


@pytest.mark.parametrize("name, text, stop, objects", BROKEN_SKIPS, ids=[row[0] for row in BROKEN_SKIPS])
def test_broken_text_that_extended_reading_skips_takes_nothing_after_it(name, text, stop, objects, document,
                                                                         convert, host):
    host.Registry.SetKey("Mivka", {"Extended": True})
    out = convert(document(text))
    if stop is None:
        assert b"Stopped reading" not in out
    else:
        assert re.search(rb"Stopped reading at line \d+: " + re.escape(stop), out), out
    assert len(host.Scene.getCurrent().objects) == objects


def test_the_projection_empty_of_a_scene_that_is_gone_is_forgotten(document, convert, host):
    convert(document(projected("first")))
    (empty,) = [o for o in host.Object.Get() if o.type == "Empty"]
    turned = empty.matrix
    host.reset()  # a new file: the old Empty is no longer in the scene
    convert(document(rotated_again()))
    assert empty.matrix == turned and host.Object.Get() == [host.Scene.getCurrent().objects[0]]
    # While it is in the scene, a later document still turns it.
    convert(document(projected("second")))
    (empty,) = [o for o in host.Object.Get() if o.type == "Empty"]
    turned = empty.matrix
    convert(document(rotated_again()))
    assert empty.matrix != turned


@pytest.mark.parametrize("left", [0, 100], ids=["empty", "inside_the_first_page"])
def test_a_document_cut_short_while_read_ends_with_an_error(left, document, mivka, host, monkeypatch, capfdbinary):
    text = HEAD + "".join(obj("o%d" % i) for i in range(2000))
    path = document(text)
    draw = host.Window.DrawProgressBar

    cuts = [left]

    def cut_at_first_object(fraction, message):
        if 0.0 < fraction < 1.0 and cuts:
            os.truncate(path, cuts.pop())
        return draw(fraction, message)

    monkeypatch.setattr(host.Window, "DrawProgressBar", cut_at_first_object)
    with pytest.raises(OSError, match="cut short"):
        mivka.readmqo(path)
    assert b"Document cut short while reading. " + path.encode() in capfdbinary.readouterr().out
    with open("/proc/self/maps") as maps:
        assert path not in maps.read()
    # The same path, whole again, converts as usual.
    with open(path, "w") as f:
        f.write(text)
    host.reset()
    mivka.readmqo(path)
    assert len(host.Scene.getCurrent().objects) == 2000


def test_a_texture_in_a_folder_we_may_not_search_is_not_found():
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        os.chmod(folder, 0o755)
        # The other user may not enter the checkout (a home folder of mode
        # 0700): the module and the host packages go along.
        lib = folder / "lib"
        for source, name in ((ROOT / "hosts" / "memory", "memory"), (ROOT / "hosts" / "common", "common")):
            shutil.copytree(source, lib / name, ignore=shutil.ignore_patterns("__pycache__"))
        (lib / "module").mkdir()
        for built in BUILD.glob("Mivka*.so"):
            shutil.copy(built, lib / "module")
        shutil.copy(ROOT / "tests" / "programs" / "search_as_other_user.py", lib)
        for place in [lib, *lib.rglob("*")]:
            os.chmod(place, 0o755 if place.is_dir() else 0o644)
        private = folder / "private"
        private.mkdir()
        (private / "wood.png").write_bytes(b"\x89PNG\r\n\x1a\n")
        os.chmod(private, 0o700 if os.getuid() == 0 else 0o000)
        path = folder / "m.mqo"
        path.write_text(HEAD + 'Material 1 {\n\t"m" tex("private/wood.png")\n}\n' + obj("o"))
        try:
            done = subprocess.run([sys.executable, str(lib / "search_as_other_user.py"), str(path), str(private), str(lib)],
                                  capture_output=True, timeout=60, cwd=folder)
        finally:
            os.chmod(private, 0o700)
    assert done.returncode == 0, done.stderr
    assert b"Unable to Load ColorMap[" in done.stdout and done.stdout.endswith(b"\n1\n")


@pytest.mark.parametrize("mode, x, distance, vertices, faces", [
    (2, 0.5, "1.0", 6, 2),  # the inner edge joined to the plane
    (2, 0.0, "1.0", 4, 1),  # already on it: welded by the modifier alone
    (2, 1.5, "1.0", 4, 1),  # beyond the mirror distance
    (2, 1.5, None, 6, 2),  # no distance named (older documents): any distance
    (1, 0.5, "1.0", 4, 1),  # separated halves
])
def test_connected_halves_reach_the_mirror_plane(mode, x, distance, vertices, faces, document, convert, host):
    host.Registry.SetKey("Mivka", {"Extended": True})
    assert b"Stopped" not in convert(document(connected_half(mode, x, distance)))
    (half,) = host.Scene.getCurrent().objects
    mesh = half.getData(0, 1)
    assert (len(mesh.verts), len(mesh.faces)) == (vertices, faces)
    if faces > 1:
        # Turning as the face it continues: corners reversed, as every face.
        assert [tuple(v.co) for v in mesh.faces[1].v] == [(0, 0, 0), (0, -0.0, 1), (x, -0.0, 1), (x, -0.0, 0)]
    assert half.modifiers[0][host.Modifier.Settings.LIMIT] == (0.0001 if mode == 2 else 0.0)


@pytest.mark.parametrize("corners, vertices, faces", [
    ("3 2 1 0", 8, 5),  # its front looks away from the plane: joined along every open edge
    ("0 1 2 3", 4, 1),  # its front looks towards the plane
])
def test_a_connected_half_parallel_to_the_plane_is_joined_where_its_front_looks_away(corners, vertices, faces,
                                                                                    document, convert, host):
    host.Registry.SetKey("Mivka", {"Extended": True})
    wall = ("\tvertex 4 {\n\t\t2 0 0\n\t\t2 1 0\n\t\t2 1 1\n\t\t2 0 1\n\t}\n"
            "\tface 1 {\n\t\t4 V(%s)\n\t}\n" % corners)
    assert b"Stopped" not in convert(document(HEAD + obj("wall", ("mirror 2", "mirror_axis 1"), wall)))
    mesh = host.Scene.getCurrent().objects[0].getData(0, 1)
    assert (len(mesh.verts), len(mesh.faces)) == (vertices, faces)
    # No face of the join is flat: each reaches from the wall to the plane.
    assert all(len({round(v.co[0], 6) for v in face.v}) == 2 for face in mesh.faces[1:])


@pytest.mark.parametrize("name, objects, built", MODIFIER_BUDGETS, ids=[row[0] for row in MODIFIER_BUDGETS])
def test_what_modifiers_make_stays_within_reach_over_the_whole_document(name, objects, built, document, convert,
                                                                        host):
    host.Registry.SetKey("Mivka", {"Extended": True})
    settings, types = host.Modifier.Settings, host.Modifier.Types
    out = convert(document(HEAD + "".join(objects)))
    assert b"Stopped" not in out
    found = []
    for o in host.Scene.getCurrent().objects:
        by_type = {m.type: m for m in o.modifiers}
        screw, subsurf = by_type.get(types.SCREW), by_type.get(types.SUBSURF)
        found.append((screw[settings.STEPS] if screw else 0, subsurf[settings.RENDLEVELS] if subsurf else 0))
        if subsurf:
            assert subsurf[settings.LEVELS] == max(subsurf[settings.RENDLEVELS] - 1, 1)
    assert found == built
    assert (b"too large to build" in out) == (name != "within_reach")


@pytest.mark.parametrize("failing", [False, True])
def test_a_code_page_holds_while_its_document_converts(failing, document, mivka, host, monkeypatch, capfdbinary):
    host.Registry.SetKey("Mivka", {"Extended": True})
    seen = []
    monkeypatch.setattr(host.Object, "New", lambda *a, _new=host.Object.New: seen.append(host.Get("codepage")) or _new(*a))
    text = HEAD.replace("1.0\n", "1.1\nCodePage 932\n") + obj("a")
    if failing:
        text = text.replace("V(0 1 2)", "V(0 1 7)")
    with pytest.raises(IndexError) if failing else contextlib.nullcontext():
        mivka.readmqo(document(text))
    assert seen == ["cp932"] and host.Get("codepage") is None


@pytest.mark.parametrize("extended", [True, False])
def test_display_settings_are_the_hosts_where_extended_reading_is_on(extended, document, convert, host):
    host.Registry.SetKey("Mivka", {"Extended": extended})
    text = display_settings("1.0")
    if extended:
        # Normals of the first and last corners: in the host's axes, reversed as the corners are.
        text = text.replace("3 V(0 1 2)", "3 V(0 1 2) N(2 0 2 1 0 0 0 0 1)", 1)
    out = convert(document(text))
    assert b"Stopped" not in out
    smooth, hidden, mirrored, curved, turned = host.Scene.getCurrent().objects
    mesh = smooth.getData(0, 1)
    assert [f.smooth for f in mesh.faces] == [int(extended)]
    assert [list(n) for n in mesh.faces[0].normals] == ([[0, -1, 0], [0, 0, 0], [1, 0, 0]] if extended else [])
    assert (mesh.getMode(), mesh.getMaxSmoothAngle()) == ((32, 40.0) if extended else (0, 30.0))
    assert [f.smooth for f in hidden.getData(0, 1).faces] == [0]
    assert (hidden.restrictDisplay, hidden.restrictRender) == (extended, extended)
    assert not smooth.restrictDisplay and not smooth.modifiers
    if extended:
        (mirror,) = mirrored.modifiers
        settings = host.Modifier.Settings
        assert mirror.type == host.Modifier.Types.MIRROR
        assert [mirror[s] for s in (settings.AXIS_X, settings.AXIS_Y, settings.AXIS_Z, settings.LIMIT)] == \
            [True, True, False, 0.0]
        (subdivision,) = curved.modifiers
        assert (subdivision.type, subdivision[settings.LEVELS], subdivision[settings.RENDLEVELS]) == \
            (host.Modifier.Types.SUBSURF, 1, 2)
        # Turned, then subdivided: five parts of each edge need three halvings.
        screw, subdivision = turned.modifiers
        assert (screw.type, screw[settings.AXIS], screw[settings.STEPS], screw[settings.ANGLE]) == \
            (host.Modifier.Types.SCREW, 2, 1024, 360.0)
        assert (subdivision[settings.LEVELS], subdivision[settings.RENDLEVELS]) == (2, 3)
        mesh = curved.getData(0, 1)
        assert mesh.getVertGroupNames() == ["weit"]
        assert mesh.getVertsFromGroup("weit", 1) == [(0, 1.0), (2, 0.5)]
    else:
        assert not mirrored.modifiers and not curved.modifiers and not turned.modifiers
        assert curved.getData(0, 1).getVertGroupNames() == []
