"""Faces whose outline passes through a vertex twice, as polygons that
Blender holds.

Metasequoia keeps a face with a hole as one polygon whose outline runs in
to the hole and out again along a bridge, so the bridge's two vertices
appear twice. Blender refuses such a polygon. Cut into triangles in the
face's plane (ear by ear, concave outlines and bridges included), it shows
what Metasequoia shows. A very long outline is cut at its repeated
vertices into simple loops instead, in time that grows with its corners
(a hole then shows filled, but nothing of the face is lost)."""

# Up to this many corners, ear cutting (whose time grows with the square of
# the corners, or worse for strange outlines) is used.
EAR_CUTTING_LIMIT = 256


def pieces(points, ids):
    """The polygons that stand for one face: tuples of corner numbers (into
    `points` and `ids`, the face's corner positions and vertex numbers, with
    no corner repeating the one before it). Answers the face itself when
    no vertex repeats."""
    if len(set(ids)) == len(ids):
        return [tuple(range(len(ids)))]
    loops = _loops(ids)
    if len(ids) > EAR_CUTTING_LIMIT:
        return loops
    flat = _plane(points)
    turns = [_area([flat[k] for k in loop]) for loop in loops]
    # A loop that turns the other way inside another is a hole, reached by
    # a bridge: the outline is cut into triangles around it. Loops that
    # only touch are polygons each.
    holes = [loop for loop, turn in zip(loops, turns) if turn < 0.0 and any(
        t > 0.0 and _encloses([flat[k] for k in other], flat[loop[0]], [ids[k] for k in other], ids[loop[0]])
        for other, t in zip(loops, turns))]
    if not holes:
        return loops
    return _ears(flat, ids)


def _loops(ids):
    """The outline cut at every vertex it reaches again: each closed loop,
    then what is left, those with three corners or more."""
    found, stack, at = [], [], {}
    for corner, vertex in enumerate(ids):
        if vertex in at:
            start = at[vertex]
            loop = stack[start:]
            for left in loop:
                del at[ids[left]]
            del stack[start:]
            if len(loop) >= 3:
                found.append(tuple(loop))
        at[vertex] = len(stack)
        stack.append(corner)
    if len(stack) >= 3:
        found.append(tuple(stack))
    return found


def _plane(points):
    """The two coordinates that show the outline counter-clockwise: the
    axis along which its normal (Newell's) is longest is dropped."""
    nx = ny = nz = 0.0
    for k, (x1, y1, z1) in enumerate(points):
        x2, y2, z2 = points[k + 1 - len(points)]
        nx += (y1 - y2) * (z1 + z2)
        ny += (z1 - z2) * (x1 + x2)
        nz += (x1 - x2) * (y1 + y2)
    normal = (nx, ny, nz)
    drop = max(range(3), key=lambda i: abs(normal[i]))
    first, second = [(1, 2), (2, 0), (0, 1)][drop]
    if normal[drop] < 0:
        first, second = second, first
    return [(p[first], p[second]) for p in points]


def _turn(a, b, c):
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])


def _area(flat):
    """Twice the signed area of an outline in the plane: positive counter-clockwise."""
    return sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(flat, flat[1:] + flat[:1]))


def _encloses(outline, point, outline_ids, point_id):
    """Whether `point` (a vertex not on the outline) lies inside it."""
    if point_id in outline_ids:
        return False
    x, y = point
    inside = False
    for (x1, y1), (x2, y2) in zip(outline, outline[1:] + outline[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def _ears(flat, ids):
    """Triangles that cover the outline, cut off ear by ear. The corners
    left are a ring of links; after each cut the search goes on beside it,
    so an outline is cut in one or two rounds, not one round per ear."""
    count = len(ids)
    after = [k + 1 for k in range(count)]
    after[-1] = 0
    before = [k - 1 for k in range(count)]
    before[0] = count - 1
    left = count
    found = []

    def drop(k):
        nonlocal left
        after[before[k]], before[after[k]] = after[k], before[k]
        left -= 1

    k, misses = 0, 0
    while left > 3:
        a, c = before[k], after[k]
        if ids[a] == ids[c]:
            # A spike out and back along a bridge: nothing to cover. The
            # spike's tip goes, and the vertex it returns to with it.
            drop(k)
            drop(c)
            k, misses = a, 0
            continue
        turn = _turn(flat[a], flat[k], flat[c])
        if turn == 0.0:
            drop(k)  # on the line between its neighbours
            k, misses = a, 0
            continue
        if turn > 0.0 and not _blocked(flat, ids, after, a, k, c):
            found.append((a, k, c))
            drop(k)
            k, misses = a, 0
            continue
        k, misses = c, misses + 1
        if misses > left:
            # No ear: an outline that crosses itself. A corner goes.
            trio = (before[k], k, after[k])
            if len({ids[q] for q in trio}) == 3:
                found.append(trio)
            drop(k)
            k, misses = trio[2], 0
    last = (before[k], k, after[k])
    if left == 3 and len({ids[q] for q in last}) == 3 and _turn(*(flat[q] for q in last)) != 0.0:
        found.append(last)
    return found


def _blocked(flat, ids, after, a, b, c):
    """Whether a corner left, other than the triangle's own vertices, lies
    inside the triangle a b c or on its sides: the triangle would cover
    what the outline leaves open there (a corner of a hole, or one that
    the cut from a to c passes through)."""
    pa, pb, pc = flat[a], flat[b], flat[c]
    own = (ids[a], ids[b], ids[c])
    low_x, high_x = min(pa[0], pb[0], pc[0]), max(pa[0], pb[0], pc[0])
    low_y, high_y = min(pa[1], pb[1], pc[1]), max(pa[1], pb[1], pc[1])
    q = after[c]
    while q != a:
        p = flat[q]
        if low_x <= p[0] <= high_x and low_y <= p[1] <= high_y and ids[q] not in own and \
                p != pa and p != pb and p != pc and \
                _turn(pa, pb, p) >= 0.0 and _turn(pb, pc, p) >= 0.0 and _turn(pc, pa, p) >= 0.0:
            return True
        q = after[q]
    return False
