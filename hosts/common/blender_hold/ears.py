"""An outline cut into triangles ear by ear."""

from .plane import turn


def ears(flat, ids):
    """Triangles that cover the outline, cut off ear by ear. The corners
    left are a ring of links; after each cut the search goes on beside it,
    so an outline is cut in one or two rounds, not one round per ear. The
    corners left are kept in a grid of cells, so that each ear is tested
    against those near it."""
    ring = _Ring(flat, len(ids))
    after, before, drop = ring.after, ring.before, ring.drop
    found = []
    k, misses = 0, 0
    while ring.left > 3:
        a, c = before[k], after[k]
        if ids[a] == ids[c]:
            # A spike out and back along a bridge: nothing to cover. The
            # spike's tip goes, and the vertex it returns to with it.
            drop(k)
            drop(c)
            k, misses = a, 0
            continue
        bend = turn(flat[a], flat[k], flat[c])
        if bend == 0.0:
            drop(k)  # on the line between its neighbours
            k, misses = a, 0
            continue
        if bend > 0.0 and not _blocked(flat, ids, ring.blocking, a, k, c):
            found.append((a, k, c))
            drop(k)
            k, misses = after[c], 0
            continue
        k, misses = c, misses + 1
        if misses > ring.left:
            # No ear: an outline that crosses itself. A corner goes.
            trio = (before[k], k, after[k])
            if len({ids[q] for q in trio}) == 3:
                found.append(trio)
            drop(k)
            k, misses = trio[2], 0
    last = (before[k], k, after[k])
    if ring.left == 3 and len({ids[q] for q in last}) == 3 and turn(*(flat[q] for q in last)) != 0.0:
        found.append(last)
    return found


class _Ring:
    """The corners of an outline not cut off yet, as links round it, and
    kept in a grid of cells."""

    def __init__(self, flat, count):
        self.after = [k + 1 for k in range(count)]
        self.after[-1] = 0
        self.before = [k - 1 for k in range(count)]
        self.before[0] = count - 1
        self.left = count
        self.blocking = _Cells(flat)
        for k in range(count):
            self.blocking.add(k)

    def drop(self, k):
        after, before = self.after, self.before
        after[before[k]], before[after[k]] = after[k], before[k]
        self.left -= 1
        self.blocking.remove(k)


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
                turn(pa, pb, p) >= 0.0 and turn(pb, pc, p) >= 0.0 and turn(pc, pa, p) >= 0.0:
            return True
    return False
