"""A whole mesh written into a Blender mesh with whole-array assignments,
in passes: the polygons Blender holds, the materials, the texture
coordinates, the colours, and the shading."""

from itertools import chain

from blender24.constants import MeshModes
from blender_hold.faces import MATERIAL_SLOTS, held_polygons, part_repeated_faces, starts_of

from . import versions

WHITE = bytes((255, 255, 255, 255))


def gathered(source):
    """The arrays of a mesh gathered face by face (an NMesh), in the order
    write() takes them."""
    import numpy

    flatten = chain.from_iterable
    verts, faces = source.verts, source.faces
    number = dict(zip(map(id, verts), range(len(verts)))).__getitem__
    lengths = numpy.fromiter(map(len, faces), dtype=numpy.int32, count=len(faces))
    corners = numpy.fromiter(map(number, map(id, flatten(faces))), dtype=numpy.int32, count=int(lengths.sum()))

    def per_corner(values, missing, width):
        """Each face's values per corner, `missing` for a face without one each."""
        return numpy.fromiter(flatten(flatten(values(f) if values(f) and len(values(f)) == len(f)
                                              else [missing] * len(f) for f in faces)),
                              dtype=numpy.float32, count=width * len(corners))

    uv = per_corner(lambda f: f.uv, (0.0, 0.0), 2) if source.hasFaceUV() else None
    colours = None
    if source.hasVertexColours():
        colours = numpy.frombuffer(b"".join(flatten(f.col if f.col and len(f.col) == len(f) else [WHITE] * len(f)
                                                    for f in faces)), dtype=numpy.uint8)
    normals = per_corner(lambda f: f.normals, (0.0, 0.0, 0.0), 3) if any(f.normals for f in faces) else None
    edges = numpy.array([(number(id(e.v1)), number(id(e.v2))) for e in source.edges], dtype=numpy.int32)
    return (numpy.frombuffer(b"".join(verts), dtype=numpy.float64), lengths, corners, uv, colours,
            numpy.fromiter((f.materialIndex for f in faces), dtype=numpy.int64, count=len(faces)),
            edges.reshape(-1, 2), numpy.fromiter((f.smooth for f in faces), dtype=bool, count=len(faces)), normals)


class _Polygons:
    """The polygons Blender holds for the faces: each one's face, corner
    count and first corner, and its corners (numbers into all corners)."""

    def __init__(self, corners, lengths, vertices):
        import numpy

        self.face_of, self.counts, self.loops = held_polygons(corners, lengths, vertices)
        self.lengths = self.counts.astype(numpy.int32)
        self.starts = starts_of(self.counts).astype(numpy.int32)

    def __len__(self):
        return len(self.lengths)


def _geometry(mesh, held, vertices, corners, edges):
    import numpy

    vertices, loop_vertices = part_repeated_faces(vertices, corners[held.loops], held.counts)
    mesh.vertices.add(len(vertices) // 3)
    with numpy.errstate(over="ignore"):
        mesh.vertices.foreach_set("co", vertices.astype(numpy.float32))
    edges = edges[edges[:, 0] != edges[:, 1]]  # a vertex joined to itself is no edge
    if len(edges):
        mesh.edges.add(len(edges))
        mesh.edges.foreach_set("vertices", edges.ravel())
    mesh.loops.add(int(held.lengths.sum()))
    mesh.loops.foreach_set("vertex_index", loop_vertices)
    mesh.polygons.add(len(held))
    mesh.polygons.foreach_set("loop_start", held.starts)
    mesh.polygons.foreach_set("loop_total", held.lengths)


def _materials(mesh, held, given, material_index):
    """The mesh's materials (`given`, the 2.4x ones) and each polygon's
    slot; answers the materials the mesh holds."""
    import numpy

    materials = given[:MATERIAL_SLOTS]
    if len(given) > MATERIAL_SLOTS:
        print("Mesh %s uses %d materials; Blender holds %d: the faces of the others take the last"
              % (mesh.name, len(given), MATERIAL_SLOTS), flush=True)
    for material in materials:
        mesh.materials.append(material.material)
    if len(held) and materials:
        index = numpy.array(material_index, dtype=numpy.int64)[held.face_of]
        index[(index >= MATERIAL_SLOTS) & (index < len(given))] = MATERIAL_SLOTS - 1
        index[(index < 0) | (index >= len(materials))] = 0
        mesh.polygons.foreach_set("material_index", index.astype(numpy.int32))
    return materials


def _colours(mesh, held, colours, corner_count, tinted):
    """Corner colours; where none are given but a material multiplies by
    them, white ones, as in Metasequoia (missing ones would be black)."""
    import numpy

    if colours is None and tinted:
        colours = numpy.full((corner_count, 4), 255, dtype=numpy.uint8)
    if colours is not None:
        layer = mesh.color_attributes.new("Col", "BYTE_COLOR", "CORNER")
        unit = colours.reshape(-1, 4)[held.loops].ravel().astype(numpy.float32) / numpy.float32(255.0)
        layer.data.foreach_set("color_srgb", unit)


def _shading(mesh, held, smooth, normals):
    """Smooth or flat faces; answers the corners' own normals, if any, for
    after the mesh is updated."""
    import numpy

    loop_normals = None
    if normals is not None:
        loop_normals = normals.reshape(-1, 3)[held.loops]
        # A face whose corners have normals of their own is smooth: Blender
        # shows a flat face with its face normal whatever its corners hold.
        given = numpy.zeros(len(smooth), dtype=bool)
        given[held.face_of[numpy.logical_or.reduceat(loop_normals.any(axis=1), held.starts)]] = True
        smooth = smooth | given
    # Written flat too: new faces are flat before Blender 4.1, smooth after.
    mesh.polygons.foreach_set("use_smooth", smooth[held.face_of])
    return loop_normals


def write(source, vertices, lengths, corners, uv, colours, material_index, edges, smooth, normals=None):
    """A whole mesh into the Blender mesh of `source` (an NMesh): vertex
    coordinates (doubles, x y z after each other), corners per face, the
    faces' vertex numbers, texture coordinates (u v per corner) and colours
    (r g b a bytes per corner) or None, each face's material slot, the
    edges as vertex pairs, whether each face is smooth, and the corners' own
    normals (x y z per corner, 0 0 0 where a corner has none) or None."""
    mesh = source.mesh
    if len(mesh.vertices) or len(mesh.edges) or len(mesh.loops):
        mesh.clear_geometry()
    held = _Polygons(corners, lengths, vertices)
    _geometry(mesh, held, vertices, corners, edges)
    materials = _materials(mesh, held, source.materials, material_index)
    loop_normals = None
    if len(held):
        if uv is not None:
            layer = mesh.uv_layers.new(name="UVMap")
            layer.data.foreach_set("uv", uv.reshape(-1, 2)[held.loops].ravel())
        _colours(mesh, held, colours, len(corners), any(m.tints for m in materials))
        loop_normals = _shading(mesh, held, smooth, normals)
    # No validate(): it would drop faces that repeat another face's vertices,
    # which documents do hold and which Blender can show.
    mesh.update(calc_edges=True)
    if source.getMode() & MeshModes.AUTOSMOOTH:
        versions.smooth_by_angle(mesh, source.getMaxSmoothAngle())
    if loop_normals is not None:
        versions.set_corner_normals(mesh, loop_normals)
