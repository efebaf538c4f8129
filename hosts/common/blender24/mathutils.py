"""Vectors, matrices and Euler rotations with the Blender 2.4x conventions.

Matrices are stored by rows and used with row vectors: a point p transforms
as ``p * M``, so the translation of a 4x4 matrix sits in its fourth row.
``A * B`` is the ordinary matrix product (apply A, then B). Euler angles are
in degrees.
"""

import math
from array import array

__all__ = ["Vector", "Matrix", "Euler", "TranslationMatrix"]


def _floats(values, what):
    try:
        result = [float(v) for v in values]
    except TypeError:
        raise TypeError("%s expects a sequence of numbers" % what) from None
    return result


class Vector:
    """A 2, 3 or 4 component vector."""

    __slots__ = ("_v",)

    def __init__(self, *args):
        if len(args) == 1 and not isinstance(args[0], (int, float)):
            values = _floats(args[0], "Vector")
        elif args:
            values = _floats(args, "Vector")
        else:
            values = [0.0, 0.0, 0.0]
        if not 2 <= len(values) <= 4:
            raise AttributeError("Vector(): 2-4 floats expected")
        # Doubles in one block: a mesh keeps a vector per vertex, millions
        # of them, and a float object each would take three times the room.
        self._v = array("d", values)

    def __len__(self):
        return len(self._v)

    def __getitem__(self, i):
        return list(self._v[i]) if isinstance(i, slice) else self._v[i]

    def __setitem__(self, i, value):
        self._v[i] = float(value)

    def __iter__(self):
        return iter(self._v)

    def __eq__(self, other):
        try:
            return list(self) == [float(v) for v in other]
        except TypeError:
            return NotImplemented

    def __repr__(self):
        return "[%s](vector)" % ", ".join("%f" % v for v in self._v)

    x = property(lambda s: s._v[0], lambda s, v: s.__setitem__(0, v))
    y = property(lambda s: s._v[1], lambda s, v: s.__setitem__(1, v))
    z = property(lambda s: s._v[2], lambda s, v: s.__setitem__(2, v))

    def copy(self):
        return Vector(self._v)

    def __add__(self, other):
        return Vector([a + b for a, b in zip(self._v, other)])

    def __sub__(self, other):
        return Vector([a - b for a, b in zip(self._v, other)])

    def __neg__(self):
        return Vector([-a for a in self._v])

    def __mul__(self, other):
        if isinstance(other, Matrix):
            return other._row_vector_product(self)
        if isinstance(other, (int, float)):
            return Vector([a * other for a in self._v])
        return NotImplemented

    __rmul__ = lambda self, other: self.__mul__(other) if isinstance(other, (int, float)) else NotImplemented


class Matrix:
    """A 2x2, 3x3 or 4x4 matrix, given by its rows. ``Matrix()`` is the 4x4 identity."""

    __slots__ = ("_rows",)

    def __init__(self, *rows):
        if not rows:
            rows = [[1.0 if i == j else 0.0 for j in range(4)] for i in range(4)]
        rows = [_floats(r, "Matrix") for r in rows]
        size = len(rows)
        if not 2 <= size <= 4 or any(len(r) != size for r in rows):
            raise AttributeError("Matrix(): expects 2-4 rows of as many numbers each")
        self._rows = rows

    @classmethod
    def _of(cls, rows):
        m = cls.__new__(cls)
        m._rows = rows
        return m

    rowSize = property(lambda s: len(s._rows))
    colSize = property(lambda s: len(s._rows[0]))

    def __len__(self):
        return len(self._rows)

    def __getitem__(self, i):
        return Vector(self._rows[i])

    def __iter__(self):
        return (Vector(r) for r in self._rows)

    def rows(self):
        """The rows as lists of floats (a copy)."""
        return [list(r) for r in self._rows]

    def __eq__(self, other):
        if not isinstance(other, Matrix):
            return NotImplemented
        return self._rows == other._rows

    def __repr__(self):
        return "[%s](matrix)" % ",\n ".join("[%s]" % ", ".join("%f" % v for v in r) for r in self._rows)

    def copy(self):
        return Matrix._of(self.rows())

    def resize4x4(self):
        """Grows the matrix in place to 4x4, padding with the identity, and returns it."""
        n = len(self._rows)
        rows = [[1.0 if i == j else 0.0 for j in range(4)] for i in range(4)]
        for i in range(n):
            for j in range(n):
                rows[i][j] = self._rows[i][j]
        self._rows = rows
        return self

    def invert(self):
        """Inverts the matrix in place and returns it; a singular matrix raises ValueError."""
        self._rows = _inverse(self._rows)
        return self

    def inverted(self):
        return Matrix._of(_inverse(self._rows))

    def translationPart(self):
        if len(self._rows) != 4:
            raise AttributeError("Matrix.translationPart: inappropriate matrix size")
        return Vector(self._rows[3][:3])

    def __mul__(self, other):
        if isinstance(other, Matrix):
            if self.colSize != other.rowSize:
                raise AttributeError("Matrix multiplication: matrix sizes do not match")
            cols = list(zip(*other._rows))
            return Matrix._of([[sum(a * b for a, b in zip(row, col)) for col in cols] for row in self._rows])
        if isinstance(other, (int, float)):
            return Matrix._of([[v * other for v in r] for r in self._rows])
        if isinstance(other, Vector):
            # Column vector: M * v.
            v = _extend(list(other), self.colSize)
            result = [sum(a * b for a, b in zip(row, v)) for row in self._rows]
            return Vector(result[: len(other)])
        return NotImplemented

    def _row_vector_product(self, vector):
        v = _extend(list(vector), self.rowSize)
        result = [sum(v[i] * self._rows[i][j] for i in range(self.rowSize)) for j in range(self.colSize)]
        return Vector(result[: len(vector)])


def _extend(values, size):
    # A 3D point multiplied with a 4x4 matrix is taken with w = 1.
    if len(values) == size - 1:
        return values + [1.0]
    if len(values) != size:
        raise AttributeError("vector and matrix sizes do not match")
    return values


def _inverse(rows):
    # Gauss-Jordan elimination with partial pivoting.
    n = len(rows)
    a = [list(r) + [1.0 if i == j else 0.0 for j in range(n)] for i, r in enumerate(rows)]
    for col in range(n):
        pivot = max(range(col, n), key=lambda r: abs(a[r][col]))
        if abs(a[pivot][col]) < 1e-300:
            raise ValueError("matrix does not have an inverse")
        a[col], a[pivot] = a[pivot], a[col]
        p = a[col][col]
        a[col] = [v / p for v in a[col]]
        for r in range(n):
            if r != col and a[r][col] != 0.0:
                f = a[r][col]
                a[r] = [x - f * y for x, y in zip(a[r], a[col])]
    return [r[n:] for r in a]


class Euler:
    """Rotation angles about X, Y and Z, in degrees."""

    __slots__ = ("x", "y", "z")

    def __init__(self, *args):
        if len(args) == 1:
            values = _floats(args[0], "Euler")
        elif args:
            values = _floats(args, "Euler")
        else:
            values = [0.0, 0.0, 0.0]
        if len(values) != 3:
            raise AttributeError("Euler(): 3d numeric sequence expected")
        self.x, self.y, self.z = values

    def __getitem__(self, i):
        return (self.x, self.y, self.z)[i]

    def __len__(self):
        return 3

    def __repr__(self):
        return "[%f, %f, %f](euler)" % (self.x, self.y, self.z)

    def toMatrix(self):
        """The 3x3 rotation: about X first, then Y, then Z (row vectors)."""
        ci, cj, ch = (math.cos(math.radians(a)) for a in (self.x, self.y, self.z))
        si, sj, sh = (math.sin(math.radians(a)) for a in (self.x, self.y, self.z))
        cc, cs, sc, ss = ci * ch, ci * sh, si * ch, si * sh
        return Matrix._of([
            [cj * ch, cj * sh, -sj],
            [sj * sc - cs, sj * ss + cc, cj * si],
            [sj * cc + ss, sj * cs - sc, cj * ci],
        ])


def TranslationMatrix(vector):
    """The 4x4 matrix that moves a point by the vector (in its fourth row)."""
    v = list(vector)
    if len(v) not in (3, 4):
        raise TypeError("TranslationMatrix(): expects a 3 or 4 component vector")
    m = Matrix()
    m._rows[3][0:3] = [float(x) for x in v[:3]]
    return m


def turned_direction(direction, matrix):
    """A direction (x, y, z) as a row vector times the matrix's upper 3x3
    part, of unit length; (0, 0, 0) stays (0, 0, 0)."""
    rows = matrix.rows()
    turned = [sum(direction[i] * rows[i][j] for i in range(3)) for j in range(3)]
    length = math.sqrt(sum(c * c for c in turned))
    return [c / length for c in turned] if length > 0.0 else [0.0, 0.0, 0.0]
