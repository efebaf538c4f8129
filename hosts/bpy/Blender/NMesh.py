"""Meshes of the classic interface, gathered in Python lists as the
importer appends to them and written into a Blender mesh in bulk when the
mesh is updated."""

from itertools import chain

from blender24.names import decode_name

from blender24.meshes import MeshFlags

from . import Mathutils


class Vert:
    __slots__ = ("co",)

    def __init__(self, x=0.0, y=0.0, z=0.0):
        self.co = (x, y, z)


def Col(r=255, g=255, b=255, a=255):
    """A corner colour: the tuple (r, g, b, a) of integers from 0 to 255."""
    return (r, g, b, a)


class Face(list):
    """A face is the list of its corners (vertices), with its material slot,
    texture coordinates and colours beside them."""

    __slots__ = ("materialIndex", "uv", "col", "smooth")

    def __init__(self, vertices=()):
        list.__init__(self, vertices)
        self.materialIndex = 0
        self.uv = None
        self.col = None
        self.smooth = 0

    @property
    def v(self):
        return self


class Edge:
    __slots__ = ("v1", "v2")

    def __init__(self, v1, v2):
        self.v1, self.v2 = v1, v2


class NMesh(MeshFlags):
    def __init__(self, name):
        import bpy

        self.name = name
        self.mesh = bpy.data.meshes.new(decode_name(name))
        self.verts = []
        self.faces = []
        self.edges = []
        self.materials = []

    def getMaterials(self, what=0):
        return list(self.materials)

    def addMaterial(self, material):
        self.materials.append(material)

    def addEdge(self, v1, v2):
        edge = Edge(v1, v2)
        self.edges.append(edge)
        return edge


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
    verts = source.verts
    index = dict(zip(map(id, verts), range(len(verts))))
    number = index.__getitem__
    # A face whose corners repeat a vertex is no polygon Blender can hold:
    # it is left out, the other faces keep their data.
    faces = []
    polygons = []
    for face in source.faces:
        corners = list(map(number, map(id, face)))
        if len(corners) >= 3 and len(set(corners)) == len(corners):
            faces.append(face)
            polygons.append(corners)
    edges = [(number(id(e.v1)), number(id(e.v2))) for e in source.edges if e.v1 is not e.v2]
    mesh.from_pydata([v.co for v in verts], edges, polygons)

    for material in source.materials:
        mesh.materials.append(material.material)
    if faces and source.materials:
        slots = len(source.materials)
        mesh.polygons.foreach_set("material_index", [f.materialIndex if 0 <= f.materialIndex < slots else 0
                                                     for f in faces])
    flatten = chain.from_iterable
    if source._face_uv and faces:
        missing = [(0.0, 0.0)] * 4
        uv = flatten(flatten(f.uv if f.uv and len(f.uv) == len(f) else missing[:len(f)] for f in faces))
        mesh.uv_layers.new(name="UVMap").data.foreach_set("uv", list(uv))
    if source._vertex_colours and faces:
        white = [Col()] * 4
        channels = list(flatten(flatten(f.col if f.col and len(f.col) == len(f) else white[:len(f)]
                                        for f in faces)))
        layer = mesh.color_attributes.new("Col", "BYTE_COLOR", "CORNER")
        layer.data.foreach_set("color_srgb", _bytes_to_unit(channels))
    # No validate(): it would drop faces that repeat another face's vertices,
    # which documents do hold and which Blender can show.
    mesh.update()


def _bytes_to_unit(channels):
    try:
        import numpy
    except ImportError:
        return [x / 255.0 for x in channels]
    return numpy.array(channels, dtype=numpy.float32) / numpy.float32(255.0)


def New(name="Mesh"):
    return NMesh(name)
