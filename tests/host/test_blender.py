"""The in-memory host keeps the Blender 2.4x conventions that the importer relies on."""

import io

import pytest


def close(a, b):
    return all(abs(x - y) < 1e-9 for x, y in zip(a, b))


class TestMathutils:
    def test_points_are_row_vectors_and_translation_sits_in_the_fourth_row(self, host):
        M = host.Mathutils
        t = M.TranslationMatrix(M.Vector((1.0, -3.0, 2.0)))
        assert t.rows()[3] == [1.0, -3.0, 2.0, 1.0]
        assert list(M.Vector(1, 1, 1) * t) == [2.0, -2.0, 3.0]

    def test_products_apply_the_left_operand_first(self, host):
        M = host.Mathutils
        scale = M.Matrix((2, 0, 0), (0, 2, 0), (0, 0, 2)).resize4x4()
        move = M.TranslationMatrix(M.Vector((1, 0, 0)))
        assert list(M.Vector(1, 0, 0) * (scale * move)) == [3.0, 0.0, 0.0]
        assert list(M.Vector(1, 0, 0) * (move * scale)) == [4.0, 0.0, 0.0]

    def test_euler_angles_are_degrees_applied_x_then_y_then_z(self, host):
        M = host.Mathutils
        about_z = M.Euler((0, 0, 90)).toMatrix()
        assert about_z.rowSize == 3
        assert close(M.Vector(1, 0, 0) * about_z, (0, 1, 0))
        both = M.Euler((90, 0, 90)).toMatrix()
        # Y turns into Z about X first, then stays on Z about Z.
        assert close(M.Vector(0, 1, 0) * both, (0, 0, 1))
        assert close(M.Vector(1, 0, 0) * both, (0, 1, 0))

    def test_resize4x4_grows_in_place_and_returns_the_matrix(self, host):
        m = host.Mathutils.Matrix((1, 2, 3), (4, 5, 6), (7, 8, 9))
        assert m.resize4x4() is m
        assert m.rows() == [[1, 2, 3, 0], [4, 5, 6, 0], [7, 8, 9, 0], [0, 0, 0, 1]]

    def test_inverse_undoes_the_matrix(self, host):
        M = host.Mathutils
        m = M.Euler((10, 20, 30)).toMatrix().resize4x4() * M.TranslationMatrix(M.Vector((1, 2, 3)))
        point = M.Vector(4, 5, 6)
        assert close(point * m * m.inverted(), point)
        with pytest.raises(ValueError):
            M.Matrix((1, 2), (2, 4)).invert()


class TestMeshes:
    def test_lists_faces_edges_and_materials(self, host):
        mesh = host.NMesh.New(b"cube")
        for co in ((0, 0, 0), (1, 0, 0), (1, 1, 0)):
            mesh.verts.append(host.NMesh.Vert(*co))
        face = host.NMesh.Face()
        for v in reversed(list(mesh.verts)):
            face.append(v)
        face.uv = [(1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]
        face.col = [host.NMesh.Col(255, 0, 0, 255)] * 3
        mesh.faces.append(face)
        mesh.addEdge(mesh.verts[0], mesh.verts[1])
        red = host.Material.New(b"red")
        assert mesh.getMaterials().count(red) == 0
        mesh.addMaterial(red)
        face.materialIndex = mesh.materials.index(red)
        assert (len(mesh.verts), len(mesh.faces), len(mesh.edges)) == (3, 1, 1)
        assert mesh.faces[0].v == [mesh.verts[2], mesh.verts[1], mesh.verts[0]]
        assert face.materialIndex == 0 and mesh.getMaterials() is not mesh.materials
        assert mesh.hasFaceUV() == 0 and mesh.hasFaceUV(1) == 1

    def test_refuses_what_a_mesh_cannot_hold(self, host):
        mesh = host.NMesh.New("m")
        v = host.NMesh.Vert(0, 0, 0)
        assert mesh.addEdge(v, v) is None and mesh.edges == []
        with pytest.raises(TypeError):
            host.NMesh.Face().append((0, 0, 0))
        with pytest.raises(TypeError):
            host.NMesh.Col(1.5, 0, 0, 0)
        with pytest.raises(IndexError):
            list(mesh.verts)[0]


class TestMaterialsAndTextures:
    def test_ten_texture_slots_none_when_empty(self, host):
        material = host.Material.New(b"m")
        assert material.getTextures() == [None] * 10
        texture = host.Texture.New("ColorMap")
        material.setTexture(2, texture, host.Texture.TexCo.UV, host.Texture.MapTo.ALPHA)
        slot = material.getTextures()[2]
        assert (slot.tex, slot.texco, slot.mapto, slot.object, slot.mapping) == (
            texture, host.Texture.TexCo.UV, host.Texture.MapTo.ALPHA, None, 0)
        with pytest.raises(ValueError):
            material.setTexture(10, texture)

    def test_setters_keep_every_value(self, host):
        m = host.Material.New("m")
        m.setRGBCol((1.0, 0.5, 0.25))
        m.setAlpha(0.75)
        m.setHardness(511)
        m.setSpecShader(2)
        assert (m.rgbCol, m.alpha, m.hard, m.specShader) == ([1.0, 0.5, 0.25], 0.75, 511, 2)
        with pytest.raises(TypeError):
            m.setHardness(1.5)

    def test_image_load_accepts_images_only(self, host, tmp_path):
        png = tmp_path / "a.png"
        png.write_bytes(b"\x89PNG\r\n\x1a\n" + bytes(20))
        image = host.Image.Load(bytes(png))
        assert image.filename == bytes(png)
        text = tmp_path / "notes.png"
        text.write_bytes(b"not an image at all")
        for path in (str(tmp_path / "missing.png"), str(tmp_path), str(text), b"bad\0path"):
            with pytest.raises(IOError):
                host.Image.Load(path)

    def test_constants_are_read_only_integers(self, host):
        assert isinstance(host.Texture.TexCo.OBJECT, int)
        with pytest.raises(AttributeError):
            host.Texture.MapTo.COL = 5


class TestObjectsAndScene:
    def test_parenting_keeps_world_matrices(self, host):
        M = host.Mathutils
        parent, child = host.Object.New("Mesh", b"p"), host.Object.New("Mesh", b"c")
        parent.setMatrix(M.TranslationMatrix(M.Vector((5, 0, 0))))
        child.setMatrix(M.TranslationMatrix(M.Vector((0, 2, 0))))
        parent.makeParent([child])
        assert child.parent is parent
        assert child.matrix.rows()[3] == [0.0, 2.0, 0.0, 1.0]
        with pytest.raises(RuntimeError):
            child.makeParent([parent])

    def test_mesh_data_transforms_its_vertices(self, host):
        obj = host.Object.New("Mesh", b"o")
        assert obj.getData(0, 1) is None
        mesh = host.NMesh.New(b"o")
        mesh.verts.append(host.NMesh.Vert(1, 2, 3))
        obj.link(mesh)
        obj.setMatrix(host.Mathutils.TranslationMatrix(host.Mathutils.Vector((1, 1, 1))))
        obj.getData(0, 1).transform(obj.getInverseMatrix())
        assert list(mesh.verts[0].co) == [0.0, 1.0, 2.0]

    def test_scene_links_each_object_once_and_reset_forgets_everything(self, host):
        scene = host.Scene.getCurrent()
        empty = host.Object.New("Empty")
        scene.link(empty)
        with pytest.raises(RuntimeError):
            scene.link(empty)
        assert host.Scene.getCurrent() is scene and scene.objects == [empty]
        host.reset()
        assert host.Object.Get() == [] and host.Scene.getCurrent().objects == []


class TestRegistryAndWindow:
    def test_registry_gives_none_for_a_record_never_stored_and_copies(self, host):
        assert host.Registry.GetKey("Mivka", 1) is None
        record = {"Scale": 2, "ColorMap": "/tex"}
        host.Registry.SetKey("Mivka", record)
        record["Scale"] = 3
        copy = host.Registry.GetKey("Mivka", 1)
        assert copy == {"Scale": 2, "ColorMap": "/tex"}
        copy["Scale"] = 4
        assert host.Registry.GetKey("Mivka")["Scale"] == 2

    def test_progress_bar_draws_on_terminals_only(self, host, monkeypatch):
        class Terminal(io.StringIO):
            def isatty(self):
                return True

        quiet = io.StringIO()
        monkeypatch.setattr("sys.stderr", quiet)
        host.Window.DrawProgressBar(0.5, "...")
        assert quiet.getvalue() == ""
        terminal = Terminal()
        monkeypatch.setattr("sys.stderr", terminal)
        host.Window.DrawProgressBar(0.5, "...")
        host.Window.DrawProgressBar(1.0, "Done")
        drawn = terminal.getvalue()
        assert drawn.startswith("\r[") and " 50% ..." in drawn and drawn.endswith("100% Done\x1b[K\n")
