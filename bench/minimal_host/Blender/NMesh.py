# A vertex and a colour are made by a builtin; faces are lists with room
# for their attributes.
Vert = slice


class Face(list):
    __slots__ = ("materialIndex", "uv", "col")


def Col(r, g, b, a):
    return None


class NMesh:
    __slots__ = ("verts", "faces", "materials")

    def __init__(self, name):
        self.verts = []
        self.faces = []
        self.materials = []

    def getMaterials(self):
        return self.materials

    def addMaterial(self, material):
        self.materials.append(material)

    def addEdge(self, a, b):
        pass

    def hasFaceUV(self, flag):
        pass

    hasVertexColours = hasFaceUV

    def update(self):
        pass

    def transform(self, matrix):
        pass


New = NMesh
