"""What both hosts' classic meshes do alike."""

from array import array

from .constants import Constants, MeshModes


class MeshFlags:
    """The two flags a mesh carries: face texture coordinates and vertex colours."""

    _face_uv = False
    _vertex_colours = False

    def hasFaceUV(self, flag=None):
        if flag is not None:
            self._face_uv = bool(flag)
        return int(self._face_uv)

    def hasVertexColours(self, flag=None):
        if flag is not None:
            self._vertex_colours = bool(flag)
        return int(self._vertex_colours)

    # Mesh modes (only auto smooth is kept) and the auto smooth angle.
    _auto_smooth = False
    degr = 30.0

    def setMode(self, *modes):
        self._auto_smooth = "AutoSmooth" in modes
        return None

    def getMode(self):
        return MeshModes.AUTOSMOOTH if self._auto_smooth else 0

    def setMaxSmoothAngle(self, angle):
        """Degrees, from 0 to 180 (the documents' own range)."""
        self.degr = min(max(float(angle), 0.0), 180.0)

    def getMaxSmoothAngle(self):
        return self.degr


AssignModes = Constants(ADD=1, REPLACE=2, SUBTRACT=3)


class VertexGroups:
    """Named vertex groups of a mesh linked to an object: each holds vertex
    numbers with a weight from 0 to 1."""

    owner = None  # the object the mesh is linked to

    def _vertex_total(self):
        return len(self.verts)

    def _groups(self):
        if self.owner is None:
            raise RuntimeError("NMesh: mesh must be linked to an object first")
        if "_vertex_groups" not in self.__dict__:
            self._vertex_groups = {}
        return self._vertex_groups

    def addVertGroup(self, name):
        if not isinstance(name, (str, bytes)):
            raise TypeError("NMesh.addVertGroup: expected a name")
        self._groups().setdefault(name, {})
        self._group_added(name)

    def assignVertsToGroup(self, group, vertices, weight, mode):
        groups = self._groups()
        if group not in groups:
            raise AttributeError("NMesh.assignVertsToGroup: no vertex group %r" % (group,))
        if mode not in (AssignModes.ADD, AssignModes.REPLACE, AssignModes.SUBTRACT):
            raise ValueError("NMesh.assignVertsToGroup: unknown mode")
        total = self._vertex_total()
        numbers = list(vertices)
        if any(isinstance(n, bool) or not isinstance(n, int) or not 0 <= n < total for n in numbers):
            raise ValueError("NMesh.assignVertsToGroup: vertex numbers out of range")
        weight = min(max(float(weight), 0.0), 1.0)
        members = groups[group]
        for n in numbers:
            if mode == AssignModes.REPLACE:
                members[n] = weight
            else:
                sign = 1.0 if mode == AssignModes.ADD else -1.0
                members[n] = min(max(members.get(n, 0.0) + sign * weight, 0.0), 1.0)
        self._group_assigned(group, numbers, weight, mode)

    def getVertGroupNames(self):
        return list(self._groups())

    def getVertsFromGroup(self, group, weightsFlag=0, vertList=None):
        members = self._groups()[group]
        numbers = sorted(members if vertList is None else set(vertList) & set(members))
        return [(n, members[n]) for n in numbers] if weightsFlag else numbers

    def _group_added(self, name):
        """A host that keeps groups of its own makes this one there."""

    def _group_assigned(self, group, numbers, weight, mode):
        """A host that keeps groups of its own assigns there."""


class ShapeKeys:
    """Shape keys of a mesh linked to an object, given whole: the first one
    put makes the basis, the mesh's own vertices, before it."""

    def putShapeKey(self, name, coordinates):
        """A shape key `name` with every vertex's position in the mesh's own
        frame: doubles, x y z after each other, in the machine's byte order."""
        if self.owner is None:
            raise RuntimeError("NMesh: mesh must be linked to an object first")
        if not isinstance(name, (str, bytes)):
            raise TypeError("NMesh.putShapeKey: expected a name")
        positions = array("d")
        positions.frombytes(memoryview(coordinates).cast("B"))
        if len(positions) != 3 * self._vertex_total():
            raise ValueError("NMesh.putShapeKey: expected a position for every vertex")
        self._shape_key_put(name, positions)

    def _shape_key_put(self, name, positions):
        """The host makes the shape key (and the basis before the first)."""
        raise NotImplementedError
