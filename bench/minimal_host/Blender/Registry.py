def GetKey(name, cached=False):
    return None
