"""Meshes of the classic interface: vertices, faces, edges and materials as Python lists."""

from blender24.mathutils import turned_direction
from array import array

from blender24.meshes import AssignModes, MeshFlags, ShapeKeys, VertexGroups  # noqa: F401

from . import Mathutils
from ._store import get_named, store


class Vert:
    """A mesh vertex. Its normal is made when first asked for: documents
    hold millions of vertices, and none of them asks."""

    __slots__ = ("co", "index", "_no", "sel")

    def __init__(self, x=0.0, y=0.0, z=0.0):
        self.co = Mathutils.Vector(float(x), float(y), float(z))
        self.index = 0
        self._no = None
        self.sel = 0

    @property
    def no(self):
        if self._no is None:
            self._no = Mathutils.Vector(0.0, 0.0, 0.0)
        return self._no

    @no.setter
    def no(self, value):
        self._no = value

    def __repr__(self):
        return "[NMVert (%f %f %f)]" % tuple(self.co)


class Col:
    """A per-corner colour, four integers from 0 to 255."""

    __slots__ = ("r", "g", "b", "a")

    def __init__(self, r=255, g=255, b=255, a=255):
        channels = []
        for c in (r, g, b, a):
            if isinstance(c, bool) or not isinstance(c, int):
                raise TypeError("NMesh.Col: expected four integers")
            channels.append(min(max(c, 0), 255))
        self.r, self.g, self.b, self.a = channels

    def __iter__(self):
        return iter((self.r, self.g, self.b, self.a))

    def __repr__(self):
        return "[NMCol (%d %d %d %d)]" % (self.r, self.g, self.b, self.a)


class Face:
    """A face: its corners (vertices) in order, material slot, UVs, colours
    and the corners' own normals where the document gives them ((x, y, z)
    per corner, (0, 0, 0) for a corner that keeps its shading's normal)."""

    def __init__(self, vertices=None):
        self.v = list(vertices) if vertices else []
        self.materialIndex = 0
        self.uv = []
        self.col = []
        self.normals = []
        self.smooth = 0

    def append(self, vertex):
        if not isinstance(vertex, Vert):
            raise TypeError("NMFace.append: expected a vertex")
        self.v.append(vertex)

    def __len__(self):
        return len(self.v)

    def __getitem__(self, i):
        return self.v[i]

    def __iter__(self):
        return iter(self.v)

    @property
    def mat(self):
        return self.materialIndex

    def __repr__(self):
        return "[NMFace (%s)]" % " ".join(str(id(v)) for v in self.v)


class Edge:
    __slots__ = ("v1", "v2")

    def __init__(self, v1, v2):
        self.v1 = v1
        self.v2 = v2

    def __repr__(self):
        return "[NMEdge]"


class NMesh(MeshFlags, VertexGroups, ShapeKeys):
    def __init__(self, name):
        self.name = name
        self.verts = []
        self.faces = []
        self.edges = []
        self.materials = []
        self.updates = 0
        self.shape_keys = []  # (name, positions: x y z per vertex), the basis first

    def getMaterials(self, what=0):
        return list(self.materials)

    def addMaterial(self, material):
        from .Material import Material

        if not isinstance(material, Material):
            raise TypeError("NMesh.addMaterial: expected a Material")
        self.materials.append(material)

    def addEdge(self, v1, v2):
        if not isinstance(v1, Vert) or not isinstance(v2, Vert):
            raise TypeError("NMesh.addEdge: expected two vertices")
        if v1 is v2:
            return None  # a vertex joined to itself is no edge: nothing to keep
        edge = Edge(v1, v2)
        self.edges.append(edge)
        return edge


    def _shape_key_put(self, name, positions):
        if not self.shape_keys:
            self.shape_keys.append(("Basis", array("d", (c for v in self.verts for c in v.co))))
        self.shape_keys.append((name, positions))

    def update(self, recalc_normals=0, store_edges=0, vertex_shade=0):
        """Writes the mesh back; the in-memory scene only counts the writes."""
        for i, v in enumerate(self.verts):
            v.index = i
        self.updates += 1
        return 1

    def transform(self, matrix, recalc_normals=0):
        """Moves every vertex by the 4x4 matrix (row vectors: co * matrix);
        the corners' own normals turn with it."""
        if not isinstance(matrix, Mathutils.Matrix) or matrix.rowSize != 4 or matrix.colSize != 4:
            raise TypeError("NMesh.transform: expected a 4x4 matrix")
        for v in self.verts:
            v.co = v.co * matrix
        for f in self.faces:
            if f.normals:
                f.normals = [turned_direction(n, matrix) for n in f.normals]

    def __repr__(self):
        return "[NMesh %r]" % (self.name,)


def New(name="Mesh"):
    mesh = NMesh(name)
    store.meshes.append(mesh)
    return mesh


def Get(name=None):
    return get_named(store.meshes, name, NameError, "NMesh.Get")
