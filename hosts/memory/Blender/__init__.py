"""An in-memory stand-in for the Blender 2.4x scripting interface.

It offers the modules and operations that the Mivka importer drives and
keeps everything they make in memory, so that a conversion can be looked at
afterwards: `Scene.getCurrent().objects`, `Material.Get()`, ... Names and
file names are kept exactly as given (bytes when they come from a document).
Import it with this folder's parent and the folder of the shared package
blender24 (hosts/common) on sys.path.
"""

from blender24.settings import Get, Set  # noqa: F401

from . import Mathutils, Registry, Window, Image, Texture, Material, NMesh, Object, Scene, Modifier, Armature
from ._store import store as _store

__all__ = ["Mathutils", "Registry", "Window", "Image", "Texture", "Material", "NMesh", "Object", "Scene", "Modifier",
           "Armature", "Get", "Set", "reset", "datablocks"]


def reset(registry=False):
    """Forgets every datablock made so far (and the registry records if asked)."""
    _store.clear()
    if registry:
        Registry._records.clear()


def datablocks():
    """Everything made so far, in the order it was made: a dictionary of the
    lists "materials", "textures", "images", "meshes", "armatures", "objects"
    and "scenes" (copies; the datablocks themselves are the host's)."""
    return {kind: list(getattr(_store, kind)) for kind in ("materials", "textures", "images", "meshes", "armatures",
                                                              "objects", "scenes")}
