"""The Blender 2.4x scripting interface on top of today's Blender (bpy).

The importer drives it exactly as it drives the in-memory host; what it
builds lands in Blender's own data: materials with node trees, images,
meshes written in bulk when they are updated, objects, Empties and parent
links. Run it inside Blender, with this folder's parent on sys.path."""

import os
import sys

_HERE = os.path.dirname(os.path.abspath(__file__))
for _common in (os.path.join(os.path.dirname(os.path.dirname(_HERE)), "common"), os.path.dirname(_HERE)):
    if os.path.isdir(os.path.join(_common, "blender24")) and _common not in sys.path:
        sys.path.append(_common)

from . import Mathutils, Registry, Window, Image, Texture, Material, NMesh, Object, Scene  # noqa: E402

__all__ = ["Mathutils", "Registry", "Window", "Image", "Texture", "Material", "NMesh", "Object", "Scene"]
