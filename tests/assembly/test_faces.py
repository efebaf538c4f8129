"""Face chunks: faces, materials, texture coordinates, colours and edges on the host mesh."""

import pytest

from conftest import HEAD

MATERIALS = 'Material 3 {\n\t"zero"\n\t"one"\n\t"two"\n}\n'
VERTICES = "\tvertex 8 {\n" + "".join("\t\t%d %d 0\n" % (i, i % 3) for i in range(8)) + "\t}\n"


@pytest.fixture
def faces(document, convert, host, host_calls):
    """Converts one object with eight vertices and the given face lines.
    Returns (console bytes, the mesh, its vertices)."""
    host_calls.watch(host.NMesh.NMesh, "addMaterial", "addEdge", "hasFaceUV", "hasVertexColours")

    def run(lines, materials=MATERIALS):
        out = convert(document(HEAD + materials + 'Object "o" {\n' + VERTICES + "\tface 9 {\n" + lines + "\t}\n}\n"))
        (mesh,) = host.NMesh.Get()
        return out, mesh, mesh.verts

    return run


def corners(face, verts):
    return [verts.index(v) for v in face.v]


class TestFaces:
    def test_corners_are_reversed_and_nothing_else_is_set(self, faces, host_calls):
        _, mesh, verts = faces("\t\t4 V(0 1 2 3)\n")
        (face,) = mesh.faces
        assert corners(face, verts) == [3, 2, 1, 0]
        assert (face.materialIndex, face.uv, face.col, mesh.materials) == (0, [], [], [])
        assert host_calls == []

    def test_a_triangle_with_material_and_flipped_texture_coordinates(self, faces, host):
        _, mesh, verts = faces("\t\t3 V(0 1 2) M(1) UV(0 0 1 0 1 1)\n")
        (face,) = mesh.faces
        assert corners(face, verts) == [2, 1, 0]
        assert face.uv == [(1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]
        assert [m.name for m in mesh.materials] == [b"one"] and face.materialIndex == 0

    def test_materials_are_added_once_in_order_of_first_use(self, faces, host_calls):
        _, mesh, _ = faces("\t\t3 V(0 1 2) M(2)\n\t\t3 V(1 2 3) M(2)\n\t\t3 V(2 3 4) M(0)\n"
                           "\t\t3 V(2 3 4) M(-1)\n\t\t3 V(2 3 4)\n\t\t3 V(3 4 5) M(2)\n")
        assert [m.name for m in mesh.materials] == [b"two", b"zero"]
        assert [f.materialIndex for f in mesh.faces] == [0, 0, 1, 0, 0, 0]
        assert [name for name, _ in host_calls] == ["addMaterial", "addMaterial"]

    def test_colours_unpack_red_from_the_low_byte_per_reversed_corner(self, faces, host_calls):
        _, mesh, _ = faces("\t\t3 V(0 1 2) UV(0 0 0 0 0 0)\n"
                           "\t\t3 V(0 1 2) COL(4278190335 4278255360 16711680)\n")
        first, second = mesh.faces
        assert first.col == []
        assert [tuple(c) for c in second.col] == [(0, 0, 255, 0), (0, 255, 0, 255), (255, 0, 0, 255)]
        assert [name for name, _ in host_calls] == ["hasFaceUV", "hasVertexColours"]
        assert mesh.hasFaceUV() == mesh.hasVertexColours() == 1

    def test_two_corners_make_an_edge_from_the_second_to_the_first(self, faces, host_calls):
        out, mesh, verts = faces("\t\t2 V(4 7) M(0) UV(0 0 1 1) COL(1 2)\n\t\t3 V(0 1 2)\n")
        assert [(verts.index(e.v1), verts.index(e.v2)) for e in mesh.edges] == [(7, 4)]
        assert len(mesh.faces) == 1 and mesh.materials == []
        assert b"\tFaces 1 Converted\n" in out
        assert [name for name, _ in host_calls] == ["addEdge"]

    @pytest.mark.parametrize("line", ["0 V(1 2 3)", "1 V(1)", "5 V(0 1 2 3)", "4 V(0 1 2)", "2 V(3)",
                                      "4294967295 V(0 1 2)"])
    def test_lines_that_name_no_face_build_nothing(self, faces, line):
        out, mesh, _ = faces("\t\t%s\n\t\t3 V(0 1 2)\n" % line)
        assert (len(mesh.faces), len(mesh.edges)) == (1, 0)
        assert b"Stopped" not in out

    @pytest.mark.parametrize("line", ["3 V(0 1 2) UV(0 0 1 0 1)", "3 V(0 1 2) COL(1 2)"])
    def test_lists_short_of_the_corners_count_as_absent(self, faces, line, host_calls):
        _, mesh, _ = faces("\t\t%s\n" % line)
        (face,) = mesh.faces
        assert face.uv == [] and face.col == [] and host_calls == []


class TestChunkEnds:
    def test_an_empty_list_echoes_and_ends_the_chunk(self, faces):
        out, mesh, _ = faces("\t\t3 V()\n\t\t3 V(0 1 2)\n")
        assert b")\n\t\t3 V(0 1 2)\n\t}\n}\n\tFaces 0 Converted\n" in out
        assert mesh.faces == [] and b"Stopped reading at line 24: )\n\t\t3 V(0 1 2)" in out

    def test_parts_out_of_order_end_the_chunk_after_the_face(self, faces):
        out, mesh, verts = faces("\t\t3 V(0 1 2) UV(0 0 0 0 0 0) M(1)\n\t\t3 V(1 2 3)\n")
        assert len(mesh.faces) == 1 and mesh.materials == [] and len(mesh.faces[0].uv) == 3
        assert b"Stopped reading at line 24: M(1)" in out

    def test_a_fifth_corner_fails_the_line_and_a_ninth_coordinate_the_part(self, faces):
        out, mesh, _ = faces("\t\t3 V(0 1 2) UV(0 0 0 0 0 0 0 0 0)\n\t\t3 V(0 1 2 3 4)\n")
        (face,) = mesh.faces
        assert face.uv == []
        assert b"Stopped reading at line 24: UV(0 0 0 0 0 0 0 0 0" in out

    def test_an_empty_chunk_converts_zero_faces_and_links_the_object(self, faces, host):
        out, mesh, _ = faces("")
        assert b"\tFaces 0 Converted\n" in out
        assert host.Object.Get()[0] in host.Scene.getCurrent().objects and mesh.updates == 1


class TestLookupErrors:
    @pytest.mark.parametrize("line, error", [("3 V(0 1 8)", IndexError), ("3 V(0 1 2) M(3)", IndexError),
                                             ("3 V(0 1 4294967295)", IndexError)])
    def test_numbers_beyond_the_lists_raise_the_hosts_error(self, document, mivka, host, line, error):
        text = HEAD + MATERIALS + 'Object "o" {\n' + VERTICES + "\tface 2 {\n\t\t3 V(0 1 2)\n\t\t%s\n\t}\n}\n" % line
        with pytest.raises(error):
            mivka.readmqo(document(text))
        assert len(host.NMesh.Get()[0].faces) == 1

    def test_a_document_without_materials_converts_and_a_material_number_raises(self, document, convert, mivka,
                                                                               host, capfdbinary):
        body = 'Object "o" {\n' + VERTICES + "\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n}\nEof\n"
        out = convert(document(HEAD + body))
        assert b"Material Convert Time" not in out and b"Beginning Object Stage\n" in out
        assert len(host.NMesh.Get()[0].faces) == 1 and b"Stopped" not in out
        with pytest.raises(IndexError):
            mivka.readmqo(document(HEAD + body.replace("3 V(0 1 2)", "3 V(0 1 2) M(0)")))
