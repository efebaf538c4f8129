"""What Blender can hold of a document's faces: which faces become
polygons as they are, which are cut into polygons first (outlines), and
which faces need vertices of their own (faces)."""
