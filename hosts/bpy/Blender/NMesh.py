"""Meshes of the classic interface, gathered in Python lists as the
importer appends to them and written into a Blender mesh in bulk when the
mesh is updated."""

from blender24.names import decode_name

from . import Mathutils


class Vert:
    __slots__ = ("co",)

    def __init__(self, x=0.0, y=0.0, z=0.0):
        self.co = (float(x), float(y), float(z))


class Col:
    __slots__ = ("r", "g", "b", "a")

    def __init__(self, r=255, g=255, b=255, a=255):
        self.r, self.g, self.b, self.a = r, g, b, a


class Face:
    __slots__ = ("v", "materialIndex", "uv", "col", "smooth")

    def __init__(self, vertices=None):
        self.v = list(vertices) if vertices else []
        self.materialIndex = 0
        self.uv = None
        self.col = None
        self.smooth = 0

    def append(self, vertex):
        self.v.append(vertex)


class Edge:
    __slots__ = ("v1", "v2")

    def __init__(self, v1, v2):
        self.v1, self.v2 = v1, v2


class NMesh:
    def __init__(self, name):
        import bpy

        self.name = name
        self.mesh = bpy.data.meshes.new(decode_name(name))
        self.verts = []
        self.faces = []
        self.edges = []
        self.materials = []
        self._face_uv = False
        self._vertex_colours = False

    def getMaterials(self, what=0):
        return list(self.materials)

    def addMaterial(self, material):
        self.materials.append(material)

    def addEdge(self, v1, v2):
        edge = Edge(v1, v2)
        self.edges.append(edge)
        return edge

    def hasFaceUV(self, flag=None):
        if flag is not None:
            self._face_uv = bool(flag)
        return int(self._face_uv)

    def hasVertexColours(self, flag=None):
        if flag is not None:
            self._vertex_colours = bool(flag)
        return int(self._vertex_colours)

    def update(self, recalc_normals=0, store_edges=0, vertex_shade=0):
        """Writes vertices, faces, edges, texture coordinates, colours and
        materials into the Blender mesh at once."""
        write_mesh(self)
        return 1

    def transform(self, matrix, recalc_normals=0):
        """Moves every vertex by the 4x4 2.4x matrix."""
        self.mesh.transform(Mathutils.to_blender(matrix))


def write_mesh(source):
    mesh = source.mesh
    mesh.clear_geometry()
    index = {id(v): i for i, v in enumerate(source.verts)}
    coordinates = [v.co for v in source.verts]
    # A face whose corners repeat a vertex is no polygon Blender can hold:
    # it is left out, the other faces keep their data.
    faces = [f for f in source.faces if len(f.v) >= 3 and len({id(v) for v in f.v}) == len(f.v)]
    polygons = [[index[id(v)] for v in f.v] for f in faces]
    edges = [(index[id(e.v1)], index[id(e.v2)]) for e in source.edges if e.v1 is not e.v2]
    mesh.from_pydata(coordinates, edges, polygons)

    for material in source.materials:
        mesh.materials.append(material.material)
    if faces:
        slots = len(source.materials)
        mesh.polygons.foreach_set("material_index", [f.materialIndex if 0 <= f.materialIndex < slots else 0
                                                     for f in faces])
    if source._face_uv and faces:
        layer = mesh.uv_layers.new(name="UVMap")
        uv = []
        for face in faces:
            corners = face.uv if face.uv and len(face.uv) == len(face.v) else [(0.0, 0.0)] * len(face.v)
            for u, v in corners:
                uv += (u, v)
        layer.data.foreach_set("uv", uv)
    if source._vertex_colours and faces:
        layer = mesh.color_attributes.new("Col", "BYTE_COLOR", "CORNER")
        colours = []
        for face in faces:
            corners = face.col if face.col and len(face.col) == len(face.v) else None
            if corners is None:
                colours += (1.0, 1.0, 1.0, 1.0) * len(face.v)
            else:
                for c in corners:
                    colours += (c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0)
        layer.data.foreach_set("color_srgb", colours)
    # No validate(): it would drop faces that repeat another face's vertices,
    # which documents do hold and which Blender can show.
    mesh.update()


def New(name="Mesh"):
    return NMesh(name)
