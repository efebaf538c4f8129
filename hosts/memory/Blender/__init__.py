"""An in-memory stand-in for the Blender 2.4x scripting interface.

It offers the modules and operations that the Mivka importer drives and
keeps everything they make in memory, so that a conversion can be looked at
afterwards: `Scene.getCurrent().objects`, `Material.Get()`, ... Names and
file names are kept exactly as given (bytes when they come from a document).
"""

import os
import sys

_COMMON = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "common")
if os.path.isdir(_COMMON) and _COMMON not in sys.path:
    sys.path.append(_COMMON)

from . import Mathutils, Registry, Window, Image, Texture, Material, NMesh, Object, Scene
from ._store import store as _store

__all__ = ["Mathutils", "Registry", "Window", "Image", "Texture", "Material", "NMesh", "Object", "Scene", "reset"]


def reset(registry=False):
    """Forgets every datablock made so far (and the registry records if asked)."""
    _store.clear()
    if registry:
        Registry._records.clear()
