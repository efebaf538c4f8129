class Matrix:
    def __init__(self, *rows):
        pass

    def resize4x4(self):
        return self

    def __mul__(self, other):
        return self


class Euler:
    def __init__(self, angles):
        pass

    def toMatrix(self):
        return Matrix()


def Vector(values):
    return values


def TranslationMatrix(vector):
    return Matrix()
