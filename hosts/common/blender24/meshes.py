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
