"""Which faces Blender holds as polygons as they are, which it holds only
cut into polygons, and which need vertices of their own; and how many
material slots a mesh holds."""

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

    from .outlines import pieces

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


def held_polygons(corners, lengths, vertices):
    """The polygons Blender is to hold for faces given as corners per face
    (`lengths`) and the corners' vertex numbers, in face order: each
    polygon's face, its corner count and its corners (numbers into all
    corners). `vertices`: the positions (x y z after each other), for the
    faces that are cut in their plane."""
    import numpy

    kept, distinct, whole_lengths, cut = polygons(corners, lengths)
    pieces_of, piece_loops = cut_faces(cut, distinct, lengths, corners, vertices)
    face_of = numpy.concatenate([numpy.nonzero(kept)[0], pieces_of])
    counts = numpy.concatenate([whole_lengths.astype(numpy.int64),
                                numpy.array([len(p) for p in piece_loops], dtype=numpy.int64)])
    loops = numpy.concatenate([numpy.nonzero(distinct & numpy.repeat(kept, lengths))[0]] + piece_loops)
    starts = starts_of(counts)
    order = numpy.argsort(face_of, kind="stable")
    face_of, counts, starts = face_of[order], counts[order], starts[order]
    loops = loops[numpy.repeat(starts - starts_of(counts), counts) + numpy.arange(int(counts.sum()))]
    return face_of, counts, loops
