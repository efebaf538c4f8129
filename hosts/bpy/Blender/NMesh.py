"""Meshes of the classic interface, gathered in Python lists as the
importer appends to them and written into a Blender mesh in bulk when the
mesh is updated. A mesh with nothing in it gets its Blender mesh only when
something asks for it: an object with no vertices and no children makes
nothing in Blender (see Object)."""

import struct
from itertools import chain

from blender24.names import decode_name

from blender24.meshes import AssignModes, MeshFlags, VertexGroups  # noqa: F401

from . import Mathutils, versions


# A vertex is its three coordinates packed as doubles (turned into Blender's
# single precision when the mesh is written, where a coordinate beyond its
# range becomes infinite), a corner colour its four bytes (r, g, b, a). Both
# are made by the runtime without running Python code, and each call makes a
# new object, so faces tell vertices apart by identity.
Vert = struct.Struct("=3d").pack
Col = struct.Struct("4B").pack
WHITE = Col(255, 255, 255, 255)


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


class NMesh(MeshFlags, VertexGroups):
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
        """The arrays into the Blender mesh (see write_arrays); for a mesh
        with nothing in it whose Blender mesh is not made yet, when it is
        made."""
        arrays = (vertices, lengths, corners, uv, colours, material_index, edges, smooth, normals)
        if self._mesh is None and not len(vertices) and not len(edges):
            self._written = lambda: write_arrays(self, *arrays)
        else:
            write_arrays(self, *arrays)

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
        write_mesh(self)
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
        blender = self._owner.blender
        found = blender.vertex_groups.get(decode_name(name))
        return found if found is not None else blender.vertex_groups.new(name=decode_name(name))

    def _group_added(self, name):
        self._blender_group(name)

    def _group_assigned(self, group, numbers, weight, mode):
        kind = {AssignModes.ADD: "ADD", AssignModes.REPLACE: "REPLACE", AssignModes.SUBTRACT: "SUBTRACT"}[mode]
        self._blender_group(group).add(numbers, weight, kind)

    def transform(self, matrix, recalc_normals=0):
        """Moves every vertex of the Blender mesh by the 4x4 2.4x matrix (a
        mesh not made yet has none)."""
        if self._mesh is not None:
            self._mesh.transform(Mathutils.to_blender(matrix))


# Blender counts a mesh's material slots in a signed 16-bit number: one more
# slot corrupts the file, a few more crash it.
MATERIAL_SLOTS = 32767


def starts_of(counts):
    """Where each of the runs of `counts` items starts, when they follow one another."""
    import numpy

    starts = numpy.zeros(len(counts), dtype=numpy.int64)
    numpy.cumsum(counts[:-1], out=starts[1:])
    return starts


def polygons(corners, lengths):
    """Which faces Blender can hold as polygons, and with which corners.

    A corner that repeats the one before it (the last counts as before the
    first) is dropped, so a quad with a doubled corner is the triangle it
    shows; a face left with fewer than three corners is no polygon, and one
    whose corners still repeat a vertex is to be cut into polygons. Answers
    the faces kept whole (a mask over the faces), the corners left (a mask
    over all corners), the corner counts of the faces kept whole and the
    faces to cut."""
    import numpy

    count = len(lengths)
    starts = starts_of(lengths)
    face_of = numpy.repeat(numpy.arange(count), lengths)
    before = numpy.arange(len(corners)) - 1
    filled = lengths > 0
    before[starts[filled]] = starts[filled] + lengths[filled] - 1
    distinct = corners != corners[before] if len(corners) else numpy.zeros(0, dtype=bool)
    new_lengths = numpy.bincount(face_of[distinct], minlength=count).astype(numpy.int32)

    kept = (lengths >= 3) & (new_lengths >= 3)
    # A face whose remaining corners still repeat a vertex: one sort of the
    # (face, vertex) pairs finds them all, however many corners a face has.
    cut = numpy.zeros(0, dtype=numpy.int64)
    if len(corners):
        base = int(corners.max()) + 1
        pairs = numpy.sort(face_of[distinct].astype(numpy.int64) * base + corners[distinct])
        cut = numpy.unique(pairs[1:][pairs[1:] == pairs[:-1]] // base)
        cut = cut[kept[cut]]
        kept[cut] = False
    return kept, distinct, new_lengths[kept], cut


def cut_faces(cut, distinct, lengths, corners, vertices):
    """The polygons that stand for the faces to cut, in face order: their
    faces, and each one's corners (numbers into all corners)."""
    import numpy

    from blender24.outlines import pieces

    if not len(cut):
        return numpy.zeros(0, dtype=numpy.int64), []
    starts = starts_of(lengths)
    positions = vertices.reshape(-1, 3)
    faces, loops = [], []
    for face in cut:
        left = numpy.nonzero(distinct[starts[face]:starts[face] + lengths[face]])[0] + starts[face]
        ids = corners[left]
        for piece in pieces(ids.tolist(), lambda: positions[ids].tolist()):
            faces.append(face)
            loops.append(left[list(piece)])
    return numpy.array(faces, dtype=numpy.int64), loops


def part_repeated_faces(vertices, loop_vertices, counts):
    """A face on the same vertices as an earlier one (the same triangle both
    ways round, so that both sides show) gets vertices of its own at the
    same places: exporters keep one face per set of vertices. Answers the
    vertices (with those added) and the corners' vertex numbers."""
    import numpy

    if not len(counts):
        return vertices, loop_vertices
    starts = starts_of(counts)
    ids = loop_vertices.astype(numpy.uint64)
    # Faces on the same vertices agree in this mix of their vertex numbers'
    # sums; those that agree are then compared vertex by vertex.
    with numpy.errstate(over="ignore"):
        mixed = ids * numpy.uint64(0x9E3779B97F4A7C15) ^ (ids * ids)
        key = (numpy.add.reduceat(ids, starts) * numpy.uint64(0xC2B2AE3D27D4EB4F)
               + numpy.add.reduceat(mixed, starts) + counts.astype(numpy.uint64))
    order = numpy.argsort(key)
    same = key[order[1:]] == key[order[:-1]]
    if not same.any():
        return vertices, loop_vertices
    seen, repeated = {}, []
    for face in numpy.unique(numpy.concatenate([order[1:][same], order[:-1][same]])):
        key = tuple(sorted(loop_vertices[starts[face]:starts[face] + counts[face]].tolist()))
        if key in seen:
            repeated.append(face)
        else:
            seen[key] = face
    if not repeated:
        return vertices, loop_vertices
    repeated = numpy.array(repeated, dtype=numpy.int64)
    taken = numpy.concatenate([numpy.arange(starts[f], starts[f] + counts[f]) for f in repeated])
    positions = vertices.reshape(-1, 3)
    loop_vertices = loop_vertices.copy()
    added = positions[loop_vertices[taken]]
    loop_vertices[taken] = len(positions) + numpy.arange(len(taken), dtype=loop_vertices.dtype)
    return numpy.concatenate([vertices, added.ravel()]), loop_vertices


def write_mesh(source):
    """Everything the mesh gathered face by face, written with whole-array
    assignments."""
    import numpy

    flatten = chain.from_iterable
    verts, faces = source.verts, source.faces
    number = dict(zip(map(id, verts), range(len(verts)))).__getitem__
    lengths = numpy.fromiter(map(len, faces), dtype=numpy.int32, count=len(faces))
    corners = numpy.fromiter(map(number, map(id, flatten(faces))), dtype=numpy.int32, count=int(lengths.sum()))
    uv = colours = None
    if source._face_uv:
        missing = (0.0, 0.0)
        uv = numpy.fromiter(flatten(flatten(f.uv if f.uv and len(f.uv) == len(f) else [missing] * len(f)
                                            for f in faces)), dtype=numpy.float32, count=2 * len(corners))
    if source._vertex_colours:
        colours = numpy.frombuffer(b"".join(flatten(f.col if f.col and len(f.col) == len(f) else [WHITE] * len(f)
                                                    for f in faces)), dtype=numpy.uint8)
    normals = None
    if any(f.normals for f in faces):
        missing = (0.0, 0.0, 0.0)
        normals = numpy.fromiter(flatten(flatten(f.normals if f.normals and len(f.normals) == len(f)
                                                 else [missing] * len(f) for f in faces)),
                                 dtype=numpy.float32, count=3 * len(corners))
    source._write(numpy.frombuffer(b"".join(verts), dtype=numpy.float64), lengths, corners, uv, colours,
                 numpy.fromiter((f.materialIndex for f in faces), dtype=numpy.int64, count=len(faces)),
                 numpy.array([(number(id(e.v1)), number(id(e.v2))) for e in source.edges],
                             dtype=numpy.int32).reshape(-1, 2),
                 numpy.fromiter((f.smooth for f in faces), dtype=bool, count=len(faces)), normals)


def write_arrays(source, vertices, lengths, corners, uv, colours, material_index, edges, smooth, normals=None):
    """A whole mesh into the Blender mesh: vertex coordinates (doubles, x y z
    after each other), corners per face, the faces' vertex numbers, texture
    coordinates (u v per corner) and colours (r g b a bytes per corner) or
    None, each face's material slot, the edges as vertex pairs, whether
    each face is smooth, and the corners' own normals (x y z per corner, 0 0
    0 where a corner has none) or None."""
    import numpy

    mesh = source.mesh
    if len(mesh.vertices) or len(mesh.edges) or len(mesh.loops):
        mesh.clear_geometry()
    kept, distinct, whole_lengths, cut = polygons(corners, lengths)
    # The faces kept whole and the pieces of those cut, in face order: each
    # polygon's face, its corner count, and its corners (numbers into all
    # corners).
    pieces_of, piece_loops = cut_faces(cut, distinct, lengths, corners, vertices)
    face_of = numpy.concatenate([numpy.nonzero(kept)[0], pieces_of])
    counts = numpy.concatenate([whole_lengths.astype(numpy.int64),
                                numpy.array([len(p) for p in piece_loops], dtype=numpy.int64)])
    loops = numpy.concatenate([numpy.nonzero(distinct & numpy.repeat(kept, lengths))[0]] + piece_loops)
    starts = starts_of(counts)
    order = numpy.argsort(face_of, kind="stable")
    face_of, counts, starts = face_of[order], counts[order], starts[order]
    kept_starts = starts_of(counts)
    loops = loops[numpy.repeat(starts - kept_starts, counts) + numpy.arange(int(counts.sum()))]
    kept_lengths = counts.astype(numpy.int32)
    kept_starts = kept_starts.astype(numpy.int32)

    loop_vertices = corners[loops]
    vertices, loop_vertices = part_repeated_faces(vertices, loop_vertices, counts)
    mesh.vertices.add(len(vertices) // 3)
    with numpy.errstate(over="ignore"):
        mesh.vertices.foreach_set("co", vertices.astype(numpy.float32))
    edges = edges[edges[:, 0] != edges[:, 1]]  # a vertex joined to itself is no edge
    if len(edges):
        mesh.edges.add(len(edges))
        mesh.edges.foreach_set("vertices", edges.ravel())
    mesh.loops.add(int(kept_lengths.sum()))
    mesh.loops.foreach_set("vertex_index", loop_vertices)
    mesh.polygons.add(len(kept_lengths))
    mesh.polygons.foreach_set("loop_start", kept_starts)
    mesh.polygons.foreach_set("loop_total", kept_lengths)

    materials = source.materials[:MATERIAL_SLOTS]
    if len(source.materials) > MATERIAL_SLOTS:
        print("Mesh %s uses %d materials; Blender holds %d: the faces of the others take the last"
              % (mesh.name, len(source.materials), MATERIAL_SLOTS), flush=True)
    for material in materials:
        mesh.materials.append(material.material)
    if len(kept_lengths) and materials:
        index = numpy.array(material_index, dtype=numpy.int64)[face_of]
        index[(index >= MATERIAL_SLOTS) & (index < len(source.materials))] = MATERIAL_SLOTS - 1
        index[(index < 0) | (index >= len(materials))] = 0
        mesh.polygons.foreach_set("material_index", index.astype(numpy.int32))
    if uv is not None and len(kept_lengths):
        layer = mesh.uv_layers.new(name="UVMap")
        layer.data.foreach_set("uv", uv.reshape(-1, 2)[loops].ravel())
    if colours is None and len(kept_lengths) and any(m._tints for m in materials):
        # Corners without colours are white, as in Metasequoia: a material
        # that multiplies by them must not find them missing (black).
        colours = numpy.full((len(corners), 4), 255, dtype=numpy.uint8)
    if colours is not None and len(kept_lengths):
        layer = mesh.color_attributes.new("Col", "BYTE_COLOR", "CORNER")
        unit = colours.reshape(-1, 4)[loops].ravel().astype(numpy.float32) / numpy.float32(255.0)
        layer.data.foreach_set("color_srgb", unit)
    loop_normals = None
    if normals is not None and len(kept_lengths):
        loop_normals = normals.reshape(-1, 3)[loops]
        # A face whose corners have normals of their own is smooth: Blender
        # shows a flat face with its face normal whatever its corners hold.
        given = numpy.zeros(len(smooth), dtype=bool)
        given[face_of[numpy.logical_or.reduceat(loop_normals.any(axis=1), kept_starts)]] = True
        smooth = smooth | given
    if len(kept_lengths):
        # Written flat too: new faces are flat before Blender 4.1, smooth after.
        mesh.polygons.foreach_set("use_smooth", smooth[face_of])
    # No validate(): it would drop faces that repeat another face's vertices,
    # which documents do hold and which Blender can show.
    mesh.update(calc_edges=True)
    if source._auto_smooth:
        versions.smooth_by_angle(mesh, source.degr)
    if loop_normals is not None:
        versions.set_corner_normals(mesh, loop_normals)


def New(name="Mesh"):
    return NMesh(name)
