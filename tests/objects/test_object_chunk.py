"""Object chunk heads, attribute lines, placement and vertices, observed through the host."""

import struct

import pytest

from conftest import HEAD, cube_object, single

MATERIALS = 'Material 2 {\n\t"red" col(1 0 0 1)\n\t"blue" col(0 0 1 1)\n}\n'


@pytest.fixture
def objects(document, convert, host, progress):
    """Converts the given Object chunks after two materials; returns the console bytes."""

    def run(chunks, materials=MATERIALS):
        return convert(document(HEAD + materials + chunks))

    return run


def mesh_objects(host):
    return [o for o in host.Object.Get() if o.type == "Mesh"]


def identity():
    return [[1.0 if i == j else 0.0 for j in range(4)] for i in range(4)]


class TestAttributes:
    def test_no_attribute_lines_keep_the_initial_matrix(self, objects, host):
        objects(cube_object())
        (cube,) = mesh_objects(host)
        assert cube.matrix.rows() == identity() and cube.parent is None

    def test_ignored_attributes_are_consumed(self, objects, host):
        out = objects(cube_object(attributes="\tvisible 15\n\tshading 1\n\tfacet 59.5\n\tcolor 0.898 0.498 0.698\n"
                                             "\tcolor_type 0\n\tmirror 1\n\tmirror_axis 1\n\tmirror_dis 10.0\n"
                                             "\tlathe 0\n\tlathe_axis 0\n\tlathe_seg 3\n\tfolding 0\n\tpatch 0\n"
                                             "\tsegment 1\n\tlocking 0\n\tfacet -30\n\tdepth\n0\n"))
        assert b"\tFaces 6 Converted\n" in out and b"Stopped" not in out
        assert mesh_objects(host)[0].matrix.rows() == identity()

    @pytest.mark.parametrize("line, rest", [("shading 1.5", ".5"), ("depth -1", "depth -1"),
                                            ("scalex 1 1 1", "scalex 1 1 1"), ("Depth 0", "Depth 0")])
    def test_an_unreadable_line_ends_the_attributes_and_the_object(self, objects, host, line, rest):
        out = objects(cube_object(attributes="\tvisible 15\n\t%s\n" % line) + cube_object("second"))
        (cube,) = mesh_objects(host)
        assert b"\tVertices 0 Converted\n" in out and b"\tFaces" not in out
        assert cube not in host.Scene.getCurrent().objects
        assert b"Stopped reading at line 13: " + rest.encode() in out

    def test_an_empty_triple_echoes_twenty_bytes(self, objects):
        out = objects(cube_object(attributes="\tscale abc\n"))
        assert b"Parsing Object [cube]\nabc\n\tvertex 8 {\n\t\t-1\tVertices 0 Converted\n" in out

    def test_head_names_lose_outer_blanks(self, objects, host):
        objects(cube_object("  My Obj  ") + cube_object(""))
        assert [o.name for o in mesh_objects(host)] == [b"My Obj", b""]
        assert [m.name for m in host.NMesh.Get()] == [b"My Obj", b""]


class TestPlacement:
    def test_steps_multiply_onto_the_right_in_document_order(self, objects, host):
        objects(cube_object("a", "\tscale 1 2 3\n\trotation 0 90 0\n\ttranslation 1 2 3\n") +
                cube_object("b", "\ttranslation 1 2 3\n\tscale 1 2 3\n"))
        a, b = mesh_objects(host)
        M = host.Mathutils
        S = M.Matrix((1, 0, 0), (0, 3, 0), (0, 0, 2)).resize4x4()
        R = M.Euler((0, 0, 90)).toMatrix().resize4x4()
        T = M.TranslationMatrix(M.Vector((1, -3, 2)))
        assert a.matrix == S * R * T
        assert b.matrix == T * S

    def test_rotation_angles_trade_second_and_third(self, objects, host):
        objects(cube_object(attributes="\trotation 10 20 30\n"))
        assert mesh_objects(host)[0].matrix == host.Mathutils.Euler((10, 30, 20)).toMatrix().resize4x4()

    def test_the_scale_factor_applies_to_translations_and_vertices_only(self, objects, host):
        host.Registry.SetKey("Mivka", {"Scale": 0.01})
        objects(cube_object(attributes="\tscale 2 2 2\n\ttranslation 1 2 3\n\ttranslation 1 2 3\n"))
        (cube,) = mesh_objects(host)
        rows = cube.matrix.rows()
        assert [round(v, 12) for v in rows[3]] == [0.02, -0.06, 0.04, 1.0]
        assert rows[0][0] == 2.0
        # The hierarchy is not built (no depth line): vertices stay where they were read.
        assert cube.getData(0, 1).verts[0].co == host.Mathutils.Vector(-0.01, -0.01, 0.01)

    def test_unread_components_leave_their_axis_alone(self, objects, host):
        objects(cube_object(attributes="\tscale 2\n\ttranslation 5\n\trotation 0 30\n"))
        M = host.Mathutils
        expected = (M.Matrix((2, 0, 0), (0, 1, 0), (0, 0, 1)).resize4x4() * M.TranslationMatrix(M.Vector((5, 0, 0)))
                    * M.Euler((0, 0, 30)).toMatrix().resize4x4())
        assert mesh_objects(host)[0].matrix == expected


class TestVertices:
    def body(self, vertices):
        return 'Object "o" {\n%s\tface 0 {\n\t}\n}\n' % vertices

    def test_axes_change_and_scale(self, objects, host):
        host.Registry.SetKey("Mivka", {"Scale": 0.5})
        objects(self.body("\tvertex 2 {\n\t\t1 2 3\n\t\t0.1 0 0\n\t}\n"))
        verts = mesh_objects(host)[0].getData(0, 1).verts
        assert list(verts[0].co) == [0.5, -1.5, 1.0]
        assert verts[1].co[0] == single(0.1) * 0.5

    def test_numbers_may_share_lines_and_short_lines_fill_with_zero(self, objects, host):
        objects(self.body("\tvertex 3 { 1 2 3 4\n5 6 7 8 9 }\n"))
        co = [list(v.co) for v in mesh_objects(host)[0].getData(0, 1).verts]
        assert co == [[1, -3, 2], [4, -6, 5], [7, -9, 8]]

    def test_text_then_binary_vertices_and_skipped_vertex_attributes(self, objects, host):
        floats = struct.pack("<6f", 4, 5, 6, 7, 8, 9)
        chunk = (b'Object "o" {\n\tvertex 1 {\n\t\t1 2 3\n\t}\n\tvertexattr {\n\t\tweit {\n\t\t\t0 1\n\t\t}\n'
                 b'\t\tcolor {\n\t\t\t0 4294967295\n\t\t}\n\t}\n\tBVertex 2 {\n\t\tVector 2 [24]\r\n' + floats +
                 b'\r\n\t\tweit {\n\t\t}\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n}\n')
        out = objects(chunk.decode("latin-1"))
        co = [list(v.co) for v in mesh_objects(host)[0].getData(0, 1).verts]
        assert co == [[1, -3, 2], [4, -6, 5], [7, -9, 8]]
        assert b"\tVertices 3 Converted\n\tFaces 1 Converted\n" in out

    def test_binary_data_that_starts_with_a_whitespace_byte_is_data(self, objects, host):
        x = struct.unpack("<f", b" \x00\x80\x3f")[0]  # its first byte is a blank
        floats = struct.pack("<3f", x, 2, 3)
        objects((b'Object "o" {\n\tBVertex 1 {\n\t\tVector 1 [12]\n' + floats + b'\n\t}\n\tface 0 {\n\t}\n}\n')
                .decode("latin-1"))
        assert list(mesh_objects(host)[0].getData(0, 1).verts[0].co) == [x, -3.0, 2.0]

    def test_too_few_lines_echo_keep_what_was_appended_and_stop(self, objects, host):
        out = objects(self.body("\tvertex 3 {\n\t\t1 2 3\n\t}\n"))
        (obj,) = mesh_objects(host)
        assert b"}\n\tface 0 {\n\t}\n}\n\tVertices 1 Converted\n" in out
        assert len(host.NMesh.Get()[0].verts) == 1 and obj not in host.Scene.getCurrent().objects

    def test_a_binary_chunk_cut_short_keeps_the_vertices_read(self, objects, host, document, convert):
        data = (HEAD + MATERIALS + 'Object "o" {\n\tBVertex 5 {\n\t\tVector 5 [60]\n').encode() + struct.pack("<4f", 1, 2, 3, 4)
        out = convert(document(data))
        # The second vertex has one float before the data end: it counts, with 0 for y and z.
        assert [list(v.co) for v in host.NMesh.Get()[0].verts] == [[1, -3, 2], [4, 0, 0]]
        assert b"\tVertices 2 Converted\n" in out

    def test_one_progress_report_per_object_before_its_vertices(self, document, convert, host, progress):
        text = HEAD + MATERIALS + cube_object("a") + cube_object("b")
        path = document(text)
        convert(path)
        total = len(text)
        first, second = (text.index("\tvertex"), text.rindex("\tvertex"))
        assert progress == [(0.0, "..."), (single((first + 1) / total), "..."), (single((second + 1) / total), "..."),
                            (1.0, "Done")]
