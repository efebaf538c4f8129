"""Faces whose outline passes through a vertex twice, as polygons that
Blender holds.

Metasequoia keeps a face with a hole as one polygon whose outline runs in
to the hole and out again along a bridge, so the bridge's two vertices
appear twice. Blender refuses such a polygon. The outline is cut at its
repeated vertices into loops: the face itself and its holes, which turn
the other way. In the face's plane, lines from corner to corner then cut
the face between its holes into polygons without holes (a sweep across the
plane, in time that grows with the corners times their logarithm,
whatever the shape), which Blender holds and shows as Metasequoia does.
Where those polygons do not cover the loops exactly (an outline that
crosses itself, loops that only touch), a short outline is cut into
triangles ear by ear instead, and a long one is left as its loops (a hole
then shows filled, but nothing of the face is lost)."""

from bisect import bisect_left

# Up to this many corners, ear cutting (whose time grows with the square of
# the corners, or worse for strange outlines) is tried where the sweep's
# polygons do not cover the loops.
EAR_CUTTING_LIMIT = 256
# Beyond this many corners an outline is not cut in its plane at all: the
# positions and links of its corners would take more memory than the
# document's own bytes warrant.
PLANE_CUTTING_LIMIT = 200000


def pieces(ids, points):
    """The polygons that stand for one face: tuples of corner numbers (into
    `ids`, the face's vertex numbers, with no corner repeating the one
    before it). `points`: a function answering the corners' positions,
    asked only where the outline is cut in its plane. Answers the face
    itself when no vertex repeats."""
    if len(set(ids)) == len(ids):
        return [tuple(range(len(ids)))]
    loops = _loops(ids)
    if len(ids) > PLANE_CUTTING_LIMIT or not loops:
        return loops
    flat = _plane(points())
    turns = [_area([flat[k] for k in loop]) for loop in loops]
    if all(turn > 0.0 for turn in turns):
        return loops  # loops that only touch: polygons each
    swept = _swept(flat, ids, loops, sum(turns))
    if swept is not None:
        return swept
    if len(ids) > EAR_CUTTING_LIMIT:
        return loops
    # A loop that turns the other way inside another is a hole, reached by
    # a bridge: the outline is cut into triangles around it. Loops that
    # only touch are polygons each.
    holes = [loop for loop, turn in zip(loops, turns) if turn < 0.0 and any(
        t > 0.0 and _encloses([flat[k] for k in other], flat[loop[0]], [ids[k] for k in other], ids[loop[0]])
        for other, t in zip(loops, turns))]
    if not holes:
        return loops
    return _ears(flat, ids)


def _swept(flat, ids, loops, total):
    """The loops (each with the region on its left) cut into polygons
    without holes, or None where those would not cover the loops exactly
    (twice their area must be `total`) or would pass through a vertex
    twice."""
    after = {}  # each corner's next along its loop
    for loop in loops:
        for k, corner in enumerate(loop):
            after[corner] = loop[k + 1 - len(loop)]
    try:
        cuts = _monotone_cuts(flat, after)
    except (_Degenerate, KeyError, ValueError):  # an outline that crosses itself, or positions that are no numbers
        return None
    if not cuts:
        return None
    found = _faces(flat, after, cuts)
    if found is None or any(len({ids[k] for k in face}) != len(face) for face in found):
        return None
    areas = [_area([flat[k] for k in face]) for face in found]
    # Written so that positions that are no numbers fail too.
    if not (all(area > 0.0 for area in areas) and abs(sum(areas) - total) <= 1e-9 * sum(areas)):
        return None
    return found


class _Degenerate(Exception):
    """The sweep met what it cannot order: corners at one place, or a
    corner with no edge of the region on its left."""


def _monotone_cuts(flat, after):
    """The lines from corner to corner that cut the region into polygons
    without holes: a sweep from the top, in the order of (-y, x), keeps
    the edges that have the region on their right and, for each, the
    last corner seen beside it; a corner where the region splits below or
    merges above is joined to such a corner. `after`: each corner's next
    along its loop."""
    before = {n: corner for corner, n in after.items()}
    order = sorted(after, key=lambda k: (-flat[k][1], flat[k][0]))
    rank = {corner: place for place, corner in enumerate(order)}
    for one, other in zip(order, order[1:]):
        if flat[one] == flat[other]:
            raise _Degenerate()
    START, SPLIT, END, MERGE, DOWN, UP = range(6)

    def kind(v):
        p, n = before[v], after[v]
        left = _turn(flat[p], flat[v], flat[n]) > 0.0
        if rank[p] > rank[v] and rank[n] > rank[v]:
            return START if left else SPLIT
        if rank[p] < rank[v] and rank[n] < rank[v]:
            return END if left else MERGE
        return DOWN if rank[p] < rank[v] else UP

    status = []  # edges by their upper corner, left to right along the sweep
    helper = {}
    merges = set()
    cuts = []
    y_now = x_now = 0.0

    def x_along(edge):
        (x1, y1), (x2, y2) = flat[edge], flat[after[edge]]
        if y1 == y2:
            return x_now
        return x1 + (y_now - y1) * (x2 - x1) / (y2 - y1)

    def insert(edge):
        status.insert(bisect_left(status, x_now, key=x_along), edge)
        helper[edge] = v

    def remove(edge):
        at = bisect_left(status, x_now, key=x_along)
        for place in range(max(at - 2, 0), min(at + 3, len(status))):
            if status[place] == edge:
                del status[place]
                return
        status.remove(edge)

    def left_of():
        at = bisect_left(status, x_now, key=x_along) - 1
        if at < 0:
            raise _Degenerate()
        return status[at]

    def join_if_merge(edge):
        if helper[edge] in merges:
            cuts.append((v, helper[edge]))

    for v in order:
        x_now, y_now = flat[v]
        what = kind(v)
        if what == START:
            insert(v)
        elif what == END:
            join_if_merge(before[v])
            remove(before[v])
        elif what == SPLIT:
            edge = left_of()
            cuts.append((v, helper[edge]))
            helper[edge] = v
            insert(v)
        elif what == MERGE:
            merges.add(v)
            join_if_merge(before[v])
            remove(before[v])
            edge = left_of()
            join_if_merge(edge)
            helper[edge] = v
        elif what == DOWN:
            join_if_merge(before[v])
            remove(before[v])
            insert(v)
        else:
            edge = left_of()
            join_if_merge(edge)
            helper[edge] = v
    return cuts


def _faces(flat, after, cuts):
    """The polygons that the loops' edges (`after`: each corner's next along
    its loop) and the cuts bound, each with the region on its left; None
    where a walk does not close."""
    import math

    leaving = {}
    for a, b in set(tuple(sorted(cut)) for cut in cuts):
        for u, w in ((a, b), (b, a)):
            leaving.setdefault(u, [after[u]]).append(w)

    def angle(u, w):
        return math.atan2(flat[w][1] - flat[u][1], flat[w][0] - flat[u][0])

    turning = {u: sorted(ends, key=lambda w, u=u: angle(u, w)) for u, ends in leaving.items()}

    def onward(u, w):
        # The first edge from w clockwise from the one back to u.
        ends = turning.get(w)
        if ends is None:
            return after[w]
        back = angle(w, u)
        lower = [e for e in ends if angle(w, e) < back]
        return lower[-1] if lower else ends[-1]

    walked = set()
    found = []
    edges = [(u, after[u]) for u in after] + [(u, w) for u, ends in leaving.items() for w in ends[1:]]
    for first in edges:
        if first in walked:
            continue
        face = []
        u, w = first
        while (u, w) not in walked:
            walked.add((u, w))
            face.append(u)
            if len(face) > len(after):
                return None
            u, w = w, onward(u, w)
        if (u, w) != first or len(face) < 3 or len(set(face)) != len(face):
            return None
        found.append(tuple(face))
    return found


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
    so an outline is cut in one or two rounds, not one round per ear. The
    corners left are kept in a grid of cells, so that each ear is tested
    against those near it."""
    count = len(ids)
    after = [k + 1 for k in range(count)]
    after[-1] = 0
    before = [k - 1 for k in range(count)]
    before[0] = count - 1
    left = count
    found = []
    blocking = _Cells(flat)
    for k in range(count):
        blocking.add(k)

    def drop(k):
        nonlocal left
        after[before[k]], before[after[k]] = after[k], before[k]
        left -= 1
        blocking.remove(k)

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
        if turn > 0.0 and not _blocked(flat, ids, blocking, a, k, c):
            found.append((a, k, c))
            drop(k)
            k, misses = after[c], 0
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


class _Cells:
    """Corners in a grid of about as many square cells as the outline has
    corners, found by the rectangle around a triangle."""

    def __init__(self, flat):
        xs, ys = [p[0] for p in flat], [p[1] for p in flat]
        self.flat = flat
        self.x, self.y = min(xs), min(ys)
        extent = max(max(xs) - self.x, max(ys) - self.y)
        side = extent / max(len(flat) ** 0.5, 1.0)
        self.scale = 1.0 / side if side > 0.0 and side == side and extent != float("inf") else 0.0
        self.side = int(len(flat) ** 0.5) + 1
        self.cells = {}
        self.cell_of = {}

    def _cell(self, x, y):
        return self._along(x - self.x), self._along(y - self.y)

    def _along(self, offset):
        # Far, infinite or undefined coordinates share the outermost cells.
        at = offset * self.scale
        return min(max(int(at), 0), self.side) if at == at and abs(at) < 1e9 else 0

    def add(self, k):
        if k not in self.cell_of:
            cell = self._cell(*self.flat[k])
            self.cell_of[k] = cell
            self.cells.setdefault(cell, set()).add(k)

    def remove(self, k):
        cell = self.cell_of.pop(k, None)
        if cell is not None:
            self.cells[cell].discard(k)

    def within(self, low_x, low_y, high_x, high_y):
        """The corners kept whose cells meet the rectangle."""
        (x0, y0), (x1, y1) = self._cell(low_x, low_y), self._cell(high_x, high_y)
        if (x1 - x0 + 1) * (y1 - y0 + 1) > len(self.cell_of):
            return list(self.cell_of)
        return [k for cx in range(x0, x1 + 1) for cy in range(y0, y1 + 1) for k in self.cells.get((cx, cy), ())]


def _blocked(flat, ids, blocking, a, b, c):
    """Whether a corner left, other than the triangle's own vertices, lies
    inside the triangle a b c or on its sides: the triangle would cover
    what the outline leaves open there (a corner of a hole, or one that
    the cut from a to c passes through)."""
    pa, pb, pc = flat[a], flat[b], flat[c]
    own = (ids[a], ids[b], ids[c])
    low_x, high_x = min(pa[0], pb[0], pc[0]), max(pa[0], pb[0], pc[0])
    low_y, high_y = min(pa[1], pb[1], pc[1]), max(pa[1], pb[1], pc[1])
    for q in blocking.within(low_x, low_y, high_x, high_y):
        p = flat[q]
        if low_x <= p[0] <= high_x and low_y <= p[1] <= high_y and ids[q] not in own and \
                p != pa and p != pb and p != pc and \
                _turn(pa, pb, p) >= 0.0 and _turn(pb, pc, p) >= 0.0 and _turn(pc, pa, p) >= 0.0:
            return True
    return False
