"""What differs between the Blender releases this host runs in, 3.4 to
5.2, so that each builds the same scene. The rest of the host, the command
and the add-on are written once for all of them and ask here.

- 4.0 renamed Principled BSDF inputs ("Specular" became "Specular IOR
  Level", "Emission" became "Emission Color").
- 4.1 took automatic smoothing by angle off the mesh: edges sharper than
  the angle are marked sharp instead, once the mesh's faces are in place.
- 4.2 (EEVEE Next) replaced blend and shadow modes by a render method and
  a transparent-shadow switch.
- 5.0 gives every material and world a node tree that cannot be turned
  off: what a material or world shows is set on its nodes."""

import math


def version():
    import bpy

    return bpy.app.version


# Principled BSDF inputs by their 3.x names.
_RENAMED_INPUTS_4_0 = {"Specular": "Specular IOR Level", "Emission": "Emission Color"}


def principled_input(name):
    """The name the running Blender gives the Principled BSDF's input `name` (a 3.x name)."""
    return _RENAMED_INPUTS_4_0.get(name, name) if version() >= (4, 0) else name


def materials_always_have_nodes():
    return version() >= (5, 0)


def use_nodes(material):
    """Gives the material its node tree (a Principled BSDF), where it may have none."""
    if not materials_always_have_nodes() and not material.use_nodes:
        material.use_nodes = True


def set_transparency(material, transparent):
    """Blended, with shadows through its transparent parts, or opaque. Each
    change of a material's setting queues work in Blender: a setting that
    already holds is left alone."""
    if version() >= (4, 2):
        method = "BLENDED" if transparent else "DITHERED"
        if material.surface_render_method != method:
            material.surface_render_method = method
        return
    blend, shadow = ("BLEND", "HASHED") if transparent else ("OPAQUE", "OPAQUE")
    if material.blend_method != blend:
        material.blend_method = blend
    if material.shadow_method != shadow:
        material.shadow_method = shadow


def smooth_by_angle(mesh, degrees):
    """Smooth faces meet with a crease where they meet at more than
    `degrees` (0 to 180). Call it once the mesh's faces and edges are in
    place."""
    if version() >= (4, 1):
        mesh.set_sharp_from_angle(angle=math.radians(degrees))
    else:
        mesh.use_auto_smooth = True
        mesh.auto_smooth_angle = math.radians(degrees)


def set_corner_normals(mesh, normals):
    """Gives the mesh's corners normals of their own (an array of x y z per
    corner; 0 0 0 keeps the normal the shading gives). Before 4.1 a mesh
    shows them only with automatic smoothing on: a mesh without it gets it
    at the widest angle, so that only its flat faces stay flat."""
    if version() < (4, 1) and not mesh.use_auto_smooth:
        mesh.use_auto_smooth = True
        mesh.auto_smooth_angle = math.pi
    mesh.normals_split_custom_set(normals.tolist())


def corner_normals(mesh):
    """The normal Blender shows at each corner of the mesh, as (x, y, z)."""
    if version() >= (4, 1):
        return [tuple(n.vector) for n in mesh.corner_normals]
    mesh.calc_normals_split()
    return [tuple(loop.normal) for loop in mesh.loops]


def smooth_angle_is_kept_by_mesh():
    """Whether the mesh keeps the angle itself (before 4.1), or only the sharp edges it gave."""
    return version() < (4, 1)


def set_world_colour(world, rgb):
    """The colour of the world's background."""
    if materials_always_have_nodes():
        for node in world.node_tree.nodes:
            if node.type == "BACKGROUND":
                node.inputs["Color"].default_value = tuple(rgb) + (1.0,)
    else:
        world.color = rgb
