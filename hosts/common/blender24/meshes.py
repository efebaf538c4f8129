"""What both hosts' classic meshes do alike."""


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
        return 32 if self._auto_smooth else 0  # NMesh.Modes.AUTOSMOOTH

    def setMaxSmoothAngle(self, angle):
        """Degrees, from 0 to 180 (the documents' own range)."""
        self.degr = min(max(float(angle), 0.0), 180.0)

    def getMaxSmoothAngle(self):
        return self.degr
