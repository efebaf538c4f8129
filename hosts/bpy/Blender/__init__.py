"""The Blender 2.4x scripting interface on top of today's Blender (bpy).

The importer drives it exactly as it drives the in-memory host; what it
builds lands in Blender's own data: materials with node trees, images,
meshes written in bulk when they are updated, objects, Empties and parent
links. Run it inside Blender, with this folder's parent and the folder of
the shared package blender24 (hosts/common) on sys.path."""

from blender24.settings import Get, Set  # noqa: F401

from . import Mathutils, Registry, Window, Image, Texture, Material, NMesh, Object, Scene, Modifier, Armature

__all__ = ["Mathutils", "Registry", "Window", "Image", "Texture", "Material", "NMesh", "Object", "Scene",
           "Modifier", "Armature", "Get", "Set", "finish"]


def finish():
    """Completes in Blender what a conversion left waiting (its materials):
    the progress bar's end does it, and so should a caller whose conversion
    raised."""
    Material.finish()
