"""The object stage as a whole: console lines, linking, hierarchy, and whole documents."""

import re
import struct

import pytest

from conftest import HEAD, MATERIAL_TIME, TIMEIT, corpus_table, CORPUS, cube_object, single, world_vertices

MATERIALS = 'Material 1 {\n\t"m"\n}\n'


def with_depth(name, depth, attributes=""):
    return cube_object(name, "\tdepth %d\n%s" % (depth, attributes))


@pytest.fixture
def stage(document, convert, host):
    def run(chunks, materials=MATERIALS):
        return convert(document(HEAD + materials + chunks))

    return run


def parents(host):
    return [(o.name, o.parent.name if o.parent else None) for o in host.Object.Get()]


class TestConsoleAndLinks:
    def test_a_cube_gives_four_lines_and_is_linked(self, stage, host):
        out = stage(cube_object())
        assert out.split(b"sec\n\n\n", 1)[1].startswith(
            b"Beginning Object Stage\nParsing Object [cube]\n\tVertices 8 Converted\n\tFaces 6 Converted\nTimeIt ")
        (cube,) = host.Object.Get()
        assert host.Scene.getCurrent().objects == [cube] and cube.getData(0, 1).updates == 1
        assert (cube.type, cube.name, cube.getData(0, 1).name) == ("Mesh", b"cube", b"cube")

    def test_only_whitespace_after_the_materials_writes_nothing(self, stage):
        out = stage("\n\t \n")
        assert b"Object Stage" not in out and TIMEIT.search(out)

    def test_same_names_pass_unchanged_and_a_missing_brace_is_forgiven(self, stage, host):
        out = stage(cube_object("twin")[:-2] + "\n" + cube_object("twin"))
        assert [o.name for o in host.Object.Get()] == [b"twin", b"twin"]
        assert len(host.Scene.getCurrent().objects) == 2 and b"Stopped" not in out

    def test_a_missing_face_chunk_ends_the_stage(self, stage, host):
        out = stage(cube_object("a").replace("\tface 6 {", "\tfaces 6 {") + cube_object("b"))
        assert [o.name for o in host.Object.Get()] == [b"a"] and host.Scene.getCurrent().objects == []
        assert b"Parsing Object [a]\n\tVertices 8 Converted\nStopped reading at line 21: s 6 {" in out

    def test_an_object_cut_off_before_its_faces_stays_out_of_the_hierarchy(self, stage, host):
        broken = with_depth("b", 1).replace("\tface 6 {", "\tfaces 6 {")
        out = stage(with_depth("a", 0) + with_depth("a2", 1) + broken + with_depth("c", 1))
        assert parents(host) == [(b"a", None), (b"a2", b"a"), (b"b", None)]
        assert host.Object.Get()[2].getData(0, 1) is None
        assert b"Stopped reading at line" in out and TIMEIT.search(out)

    def test_text_that_is_no_object_after_the_materials(self, stage, host):
        out = stage("Shape {\n}\n")
        assert b"Beginning Object Stage\nStopped reading at line 10: Shape {\n}\n" in out
        assert host.Object.Get() == []


class TestHierarchy:
    def test_parent_is_the_nearest_earlier_entry_of_smaller_depth(self, stage, host):
        stage("".join(with_depth(n, d) for n, d in zip("abcde", (0, 1, 2, 1, 0))))
        assert parents(host) == [(b"a", None), (b"b", b"a"), (b"c", b"b"), (b"d", b"a"), (b"e", None)]

    @pytest.mark.parametrize("depths, expected", [((1, 1), [None, None]), ((0, 2), [None, b"a"]),
                                                  ((1, 0), [None, None]), ((0, 4294967295), [None, None])])
    def test_depth_sequences(self, stage, host, depths, expected):
        stage("".join(with_depth(n, d) for n, d in zip("ab", depths)))
        assert [p for _, p in parents(host)] == expected

    def test_vertices_keep_their_world_positions_through_placement_and_parenting(self, stage, host):
        stage(with_depth("a", 0, "\tscale 2 1 1\n\trotation 0 45 0\n\ttranslation 1 2 3\n") +
              with_depth("b", 1, "\trotation 30 0 0\n\ttranslation 0 5 0\n"))
        a, b = host.Object.Get()
        box = sorted((x, -z, y) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1))
        for obj in (a, b):
            assert sorted(world_vertices(obj, 9)) == [tuple(float(c) + 0.0 for c in p) for p in box]
        assert b.parent is a

    def test_an_object_without_depth_is_neither_moved_nor_chosen_as_parent(self, stage, host):
        stage(with_depth("a", 0) + cube_object("free", "\ttranslation 10 0 0\n") + with_depth("b", 1))
        a, free, b = host.Object.Get()
        assert b.parent is a and free.parent is None
        assert free.getData(0, 1).verts[0].co == host.Mathutils.Vector(-1, -1, 1)

    def test_a_second_depth_line_replaces_the_first(self, stage, host):
        stage(with_depth("a", 0) + with_depth("b", 0, "\ttranslation 1 0 0\n\tdepth 1\n"))
        assert parents(host) == [(b"a", None), (b"b", b"a")]
        assert host.Object.Get()[1].getData(0, 1).verts[0].co == host.Mathutils.Vector(-2, -1, 1)

    def test_a_host_refusing_the_parent_link_raises(self, stage, host, monkeypatch, mivka, document):
        def refuse(self, objects, noninverse=0, fast=0):
            raise RuntimeError("no parenting")

        monkeypatch.setattr(host.Object.Object, "makeParent", refuse)
        with pytest.raises(RuntimeError, match="no parenting"):
            mivka.readmqo(document(HEAD + MATERIALS + with_depth("a", 0) + with_depth("b", 1)))


class TestEndOfDocument:
    @pytest.mark.parametrize("tail", ["", "Eof", "Eof\r\n", "\n\nEof \t\n"])
    def test_a_document_read_to_its_end_says_nothing_more(self, stage, tail):
        assert b"Stopped" not in stage(cube_object() + tail)

    def test_text_after_the_last_object_is_named_with_its_line(self, stage):
        out = stage(cube_object() + "Eof\nmore")
        assert b"\tFaces 6 Converted\nStopped reading at line 30: Eof\nmore\nTimeIt " in out


WHOLE = (HEAD + """Material 2 {
	"paper" shader(3) col(1.000 0.500 0.250 0.800) dif(0.800) amb(0.600) emi(0.100) spc(0.200) power(10.00) tex("paper.png")
	"ink" col(0.1 0.1 0.1 1) power(50)
}
Object "root" {
	depth 0
	scale 1 1 1
	rotation 0 90 0
	translation 0 10 0
	vertex 4 {
		0 0 0
		10 0 0
		10 10 0
		0 10 0
	}
	face 2 {
		4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1) COL(4278190335 4278255360 4294901760 4294967295)
		2 V(0 2)
	}
}
Object "left" {
	depth 1
	translation -5 0 0
	BVertex 3 {
		Vector 3 [36]
""").encode() + struct.pack("<9f", -5, 0, 0, -5, 1, 0, -5, 0, 1) + """
	}
	face 1 {
		3 V(0 1 2) M(1)
	}
}
Object "right" {
	depth 1
	scale 2 2 2
	vertex 3 {
		5 0 0
		5 1 0
		5 0 1
	}
	face 1 {
		3 V(0 1 2) M(1) UV(0.5 0.5 0.25 0.75 0 1)
	}
}
Eof
""".encode()


def test_a_whole_document(document, convert, host, progress, tmp_path):
    (tmp_path / "paper.png").write_bytes(b"\x89PNG\r\n\x1a\n" + bytes(16))
    host.Registry.SetKey("Mivka", {"Scale": 0.1})
    path = document(WHOLE)
    out = convert(path)

    timing = MATERIAL_TIME.search(out)
    assert out[:timing.start()] == (b"Beginning Conversion." + path.encode() + b"\n"
                                    b"Creating Material -paper\nCreating Material -ink\n")
    rest = out[timing.end():]
    assert rest[:-len(TIMEIT.search(rest).group())] == (
        b"Beginning Object Stage\n"
        b"Parsing Object [root]\n\tVertices 4 Converted\n\tFaces 1 Converted\n"
        b"Parsing Object [left]\n\tVertices 3 Converted\n\tFaces 1 Converted\n"
        b"Parsing Object [right]\n\tVertices 3 Converted\n\tFaces 1 Converted\n")
    assert [f for f, _ in progress][0] == 0.0 and len(progress) == 5 and progress[-1] == (1.0, "Done")
    assert all(0 < f < 1 and f == single(f) for f, _ in progress[1:4])

    paper, ink = host.Material.Get()
    assert (paper.rgbCol, paper.alpha, paper.ref, paper.amb, paper.emit, paper.spec, paper.hard, paper.specShader) == (
        [1.0, 0.5, 0.25], 0.8, 0.8, 0.6, 0.1, 0.4, 51, 1)
    assert paper.getTextures()[0].tex.image.filename == str(tmp_path / "paper.png").encode()
    assert (ink.rgbCol, ink.hard) == ([0.1, 0.1, 0.1], 255)

    root, left, right = host.Object.Get()
    assert host.Scene.getCurrent().objects == [root, left, right]
    assert (root.parent, left.parent, right.parent) == (None, root, root)
    mesh = root.getData(0, 1)
    assert sorted(world_vertices(root)) == sorted([(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (1.0, 0.0, 1.0), (0.0, 0.0, 1.0)])
    (face,) = mesh.faces
    assert [mesh.verts.index(v) for v in face.v] == [3, 2, 1, 0]
    assert face.uv == [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]
    assert [tuple(c) for c in face.col] == [(255, 255, 255, 255), (0, 0, 255, 255), (0, 255, 0, 255), (255, 0, 0, 255)]
    assert [(mesh.verts.index(e.v1), mesh.verts.index(e.v2)) for e in mesh.edges] == [(2, 0)]
    assert mesh.materials == [paper] and face.materialIndex == 0
    assert world_vertices(left) == [(-0.5, 0.0, 0.0), (-0.5, 0.0, 0.1), (-0.5, -0.1, 0.0)]
    assert left.getData(0, 1).materials == [ink] and left.getData(0, 1).faces[0].uv == []
    assert world_vertices(right) == [(0.5, 0.0, 0.0), (0.5, 0.0, 0.1), (0.5, -0.1, 0.0)]
    assert right.getData(0, 1).faces[0].uv == [(0.0, 0.0), (0.25, 0.25), (0.5, 0.5)]
    assert right.getData(0, 1).hasFaceUV() == 1 and right.getData(0, 1).hasVertexColours() == 0
    assert root.matrix.rows()[3] == [0.0, 0.0, 1.0, 1.0]


def test_every_real_document_converts_completely(convert, host):
    incomplete = {}
    for row in corpus_table():
        if row["ver"] != "1.0":
            continue
        host.reset()
        out = convert(str(CORPUS / row["file"]))
        stopped = re.search(rb"Stopped reading at line (\d+)", out)
        if stopped:
            incomplete[row["file"]] = int(stopped.group(1))
            continue
        edges = int(re.search(r"(\d+) edges", row["other"]).group(1)) if "edges" in row["other"] else 0
        meshes = [o.getData(0, 1) for o in host.Scene.getCurrent().objects]
        assert len(meshes) == int(row["objects"]), row["file"]
        assert sum(len(m.verts) for m in meshes) == int(row["vertices"]), row["file"]
        assert sum(len(m.faces) for m in meshes) == int(row["faces"]) - edges, row["file"]
        assert sum(len(m.edges) for m in meshes) == edges, row["file"]
    # Hand-made samples of a parser's error cases: a chunk the format does
    # not have stands in front of the Scene chunk.
    assert incomplete == {"mqoparser__trialnoise.mqo": 4, "mqoparser__includexml.mqo": 4}


def joined_additions(obj, host):
    """The vertices and faces that joining connected mirror halves added to
    an object's mesh: the projections onto a mirror plane, which follow the
    document's vertices, and the faces that use them."""
    mirrors = [m for m in obj.modifiers if m.type == host.Modifier.Types.MIRROR]
    settings = host.Modifier.Settings
    if not mirrors or not mirrors[0][settings.LIMIT] > 0:
        return 0, 0
    axes = [a for a, s in enumerate((settings.AXIS_X, settings.AXIS_Y, settings.AXIS_Z)) if mirrors[0][s]]
    verts = obj.getData(0, 1).verts
    seen = {}
    for v in verts:
        for a in axes:
            seen.setdefault((a,) + tuple(c for i, c in enumerate(v.co) if i != a), []).append(v.co[a])
    added = 0
    for v in reversed(verts):
        if not any(v.co[a] == 0 and any(seen[(a,) + tuple(c for i, c in enumerate(v.co) if i != a)]) for a in axes):
            break
        added += 1
    extra = {id(v) for v in verts[len(verts) - added:]}
    return added, sum(1 for f in obj.getData(0, 1).faces if any(id(v) in extra for v in f.v))


def test_every_real_document_converts_completely_when_read_extended(convert, host):
    """Documents of format 1.1 too, with their newer chunks, attributes and
    faces of more than four corners; counts as the corpus's own list gives
    them (its face count includes two-corner lines), beside what joining
    connected mirror halves adds."""
    incomplete, joined = {}, set()
    for row in corpus_table():
        host.reset(registry=True)
        host.Registry.SetKey("Mivka", {"Extended": True})
        out = convert(str(CORPUS / row["file"]))
        stopped = re.search(rb"Stopped reading at line (\d+)", out)
        if stopped:
            incomplete[row["file"]] = int(stopped.group(1))
            continue
        objects = [o for o in host.Scene.getCurrent().objects if o.type == "Mesh"]
        meshes = [o.getData(0, 1) for o in objects]
        added = [joined_additions(o, host) for o in objects]
        assert len(meshes) == int(row["objects"]), row["file"]
        assert sum(len(m.verts) for m in meshes) - sum(a[0] for a in added) == int(row["vertices"]), row["file"]
        assert sum(len(m.faces) + len(m.edges) for m in meshes) - sum(a[1] for a in added) == int(row["faces"]), \
            row["file"]
        joined.update(row["file"] for a in added if a[0])
    assert joined == {"lsbattle__medaka.mqo", "webgl-metasequoia__isu.mqo", "blender-mqo__mirrored_multiple_axes.mqo",
                      "blender-mqo__mirrored.mqo"}
    # The two hand-made samples with a chunk in front of the Scene chunk are
    # read too: such chunks are skipped wherever they stand.
    assert incomplete == {}
