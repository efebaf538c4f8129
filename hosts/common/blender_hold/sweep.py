"""A region bounded by loops, cut into polygons without holes by a sweep
across the plane."""

from bisect import bisect_left

from .plane import turn


class Degenerate(Exception):
    """The sweep met what it cannot order: corners at one place, or a
    corner with no edge of the region on its left."""


def monotone_cuts(flat, after):
    """The lines from corner to corner that cut the region into polygons
    without holes. `after`: each corner's next along its loop."""
    return _Sweep(flat, after).cuts()


class _Sweep:
    """A sweep from the top, in the order of (-y, x), that keeps the edges
    with the region on their right (`status`, each edge by its upper
    corner, left to right along the sweep) and, for each, the last corner
    seen beside it (`helper`); a corner where the region splits below or
    merges above is joined to such a corner."""

    def __init__(self, flat, after):
        self.flat, self.after = flat, after
        self.before = {n: corner for corner, n in after.items()}
        self.order = sorted(after, key=lambda k: (-flat[k][1], flat[k][0]))
        self.rank = {corner: place for place, corner in enumerate(self.order)}
        for one, other in zip(self.order, self.order[1:]):
            if flat[one] == flat[other]:
                raise Degenerate()
        self.status, self.helper, self.merges, self.found = [], {}, set(), []
        self.x_now = self.y_now = 0.0
        self.v = None

    def cuts(self):
        for v in self.order:
            self.v = v
            self.x_now, self.y_now = self.flat[v]
            self._handler(v)(v)
        return self.found

    def _handler(self, v):
        """What the sweep does at `v`, by the kind of corner it is."""
        flat, rank = self.flat, self.rank
        p, n = self.before[v], self.after[v]
        left = turn(flat[p], flat[v], flat[n]) > 0.0
        if rank[p] > rank[v] and rank[n] > rank[v]:
            return self._start if left else self._split
        if rank[p] < rank[v] and rank[n] < rank[v]:
            return self._end if left else self._merge
        return self._down if rank[p] < rank[v] else self._up

    def _start(self, v):
        self._insert(v)

    def _end(self, v):
        self._join_if_merge(self.before[v])
        self._remove(self.before[v])

    def _split(self, v):
        edge = self._left_of()
        self.found.append((v, self.helper[edge]))
        self.helper[edge] = v
        self._insert(v)

    def _merge(self, v):
        self.merges.add(v)
        self._end(v)
        self._up(v)

    def _down(self, v):
        self._end(v)
        self._insert(v)

    def _up(self, v):
        edge = self._left_of()
        self._join_if_merge(edge)
        self.helper[edge] = v

    def _x_along(self, edge):
        (x1, y1), (x2, y2) = self.flat[edge], self.flat[self.after[edge]]
        if y1 == y2:
            return self.x_now
        return x1 + (self.y_now - y1) * (x2 - x1) / (y2 - y1)

    def _place(self):
        return bisect_left(self.status, self.x_now, key=self._x_along)

    def _insert(self, edge):
        self.status.insert(self._place(), edge)
        self.helper[edge] = self.v

    def _remove(self, edge):
        status, at = self.status, self._place()
        for place in range(max(at - 2, 0), min(at + 3, len(status))):
            if status[place] == edge:
                del status[place]
                return
        status.remove(edge)

    def _left_of(self):
        at = self._place() - 1
        if at < 0:
            raise Degenerate()
        return self.status[at]

    def _join_if_merge(self, edge):
        if self.helper[edge] in self.merges:
            self.found.append((self.v, self.helper[edge]))


def faces(flat, after, cuts):
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
