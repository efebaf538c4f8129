"""Meshes of the classic interface, gathered in Python lists as the
importer appends to them and written into a Blender mesh in bulk when the
mesh is updated. A mesh with nothing in it gets its Blender mesh only when
something asks for it: an object with no vertices and no children makes
nothing in Blender (see Object)."""

import struct

from blender24.names import decode_name

from blender24.meshes import AssignModes, MeshFlags, ShapeKeys, VertexGroups  # noqa: F401

from . import Mathutils, mesh_writer


# A vertex is its three coordinates packed as doubles (turned into Blender's
# single precision when the mesh is written, where a coordinate beyond its
# range becomes infinite), a corner colour its four bytes (r, g, b, a). Both
# are made by the runtime without running Python code, and each call makes a
# new object, so faces tell vertices apart by identity.
Vert = struct.Struct("=3d").pack
Col = struct.Struct("4B").pack


class Face(list):
    """A face is the list of its corners (vertices), with its material slot,
    texture coordinates, colours and the corners' own normals beside them.
    Making one runs no Python code: the attributes start as the class's."""

    materialIndex = 0
    uv = None
    col = None
    normals = None
    smooth = 0

    @property
    def v(self):
        return self


class Edge:
    __slots__ = ("v1", "v2")

    def __init__(self, v1, v2):
        self.v1, self.v2 = v1, v2


class NMesh(MeshFlags, VertexGroups, ShapeKeys):
    def __init__(self, name):
        self.name = name
        self._mesh = None
        self._written = None  # the writing of a mesh with nothing in it, done when its Blender mesh is made
        self.verts = []
        self.faces = []
        self.edges = []
        self.materials = []
        # A copy of the material list, made without running Python code.
        self.getMaterials = self.materials.copy

    @property
    def mesh(self):
        """The Blender mesh, made on first need."""
        if self._mesh is None:
            import bpy

            self._mesh = bpy.data.meshes.new(decode_name(self.name))
            written, self._written = self._written, None
            if written is not None:
                written()
        return self._mesh

    def _write(self, vertices, lengths, corners, uv, colours, material_index, edges, smooth, normals=None):
        """The arrays into the Blender mesh (see mesh_writer.write); for a mesh
        with nothing in it whose Blender mesh is not made yet, when it is
        made."""
        arrays = (vertices, lengths, corners, uv, colours, material_index, edges, smooth, normals)
        if self._mesh is None and not len(vertices) and not len(edges):
            self._written = lambda: mesh_writer.write(self, *arrays)
        else:
            mesh_writer.write(self, *arrays)

    def made(self):
        """Whether the Blender mesh is made: a mesh with nothing in it is not
        made until something asks for it."""
        return self._mesh is not None

    def addMaterial(self, material):
        self.materials.append(material)

    def addEdge(self, v1, v2):
        edge = Edge(v1, v2)
        self.edges.append(edge)
        return edge


    def update(self, recalc_normals=0, store_edges=0, vertex_shade=0):
        """Writes vertices, faces, edges, texture coordinates, colours and
        materials into the Blender mesh at once."""
        self._write(*mesh_writer.gathered(self))
        return 1

    def putBuffers(self, vertices, counts, corners, uv, colours, materials, edges, smooth=False, normals=None):
        """The whole mesh at once, instead of vertices, faces and edges added
        one by one and written at update(): vertex coordinates (doubles, x y
        z after each other), corners per face and the faces' vertex numbers
        (32-bit integers), texture coordinates (u v per corner, 32-bit
        floats) and colours (r g b a bytes per corner), each None when no
        face has them, each face's material slot and the edges as vertex
        pairs (32-bit integers); all in the machine's byte order. `smooth`:
        every face is smooth. `normals`: the corners' own normals (x y z per
        corner, 32-bit floats, 0 0 0 where a corner has none) or None."""
        import numpy

        self._write(numpy.frombuffer(vertices, dtype=numpy.float64), numpy.frombuffer(counts, dtype=numpy.int32),
                     numpy.frombuffer(corners, dtype=numpy.int32),
                     None if uv is None else numpy.frombuffer(uv, dtype=numpy.float32),
                     None if colours is None else numpy.frombuffer(colours, dtype=numpy.uint8),
                     numpy.frombuffer(materials, dtype=numpy.int32),
                     numpy.frombuffer(edges, dtype=numpy.int32).reshape(-1, 2),
                     numpy.full(len(counts) // 4, bool(smooth)),
                     None if normals is None else numpy.frombuffer(normals, dtype=numpy.float32))

    def _vertex_total(self):
        return len(self.mesh.vertices) if self._mesh is not None else 0

    def _blender_group(self, name):
        """The Blender vertex group of the 2.4x one, made on first need and
        kept: Blender looks a group up by name through all the object's
        groups, and a character has hundreds of bones."""
        made = self.__dict__.setdefault("_made_groups", {})
        group = made.get(name)
        if group is None:
            group = self.owner.blender.vertex_groups.new(name=decode_name(name))
            made[name] = group
        return group

    def _group_added(self, name):
        self._blender_group(name)

    def _group_assigned(self, group, numbers, weight, mode):
        kind = {AssignModes.ADD: "ADD", AssignModes.REPLACE: "REPLACE", AssignModes.SUBTRACT: "SUBTRACT"}[mode]
        self._blender_group(group).add(numbers, weight, kind)

    def _shape_key_put(self, name, positions):
        import numpy

        blender = self.owner.blender
        if blender.data.shape_keys is None:
            blender.shape_key_add(name="Basis", from_mix=False)
        key = blender.shape_key_add(name=decode_name(name), from_mix=False)
        key.data.foreach_set("co", numpy.frombuffer(positions, dtype=numpy.float64).astype(numpy.float32))

    def transform(self, matrix, recalc_normals=0):
        """Moves every vertex of the Blender mesh by the 4x4 2.4x matrix (a
        mesh not made yet has none)."""
        if self._mesh is not None:
            self._mesh.transform(Mathutils.to_blender(matrix))


def New(name="Mesh"):
    return NMesh(name)
