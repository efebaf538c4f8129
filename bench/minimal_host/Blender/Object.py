from .Mathutils import Matrix


class Object:
    __slots__ = ("data", "matrix")

    def __init__(self, kind, name=None):
        self.data = None
        self.matrix = Matrix()

    def setMatrix(self, matrix):
        self.matrix = matrix

    def link(self, data):
        self.data = data

    def getData(self, name_only=0, mesh=0):
        return self.data

    def getInverseMatrix(self):
        return self.matrix

    def makeParent(self, children):
        pass


New = Object
