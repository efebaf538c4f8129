"""A host that does the least possible for each operation the importer calls:
the cost left is the call itself."""

from . import Image, Material, Mathutils, NMesh, Object, Registry, Scene, Texture, Window  # noqa: F401
