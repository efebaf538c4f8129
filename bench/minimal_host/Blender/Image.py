def Load(path):
    return path
