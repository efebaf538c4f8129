"""The nodes of one texture slot: an Image Texture node wired to the
Principled BSDF's input that its map-to channel names, through the UV map
or through an object's coordinates."""

from blender24.constants import MapTo, TexCo


def image(slot):
    return slot.tex.image.image if slot.tex.image is not None else None


def shown(slot):
    """The object whose coordinates map the slot, once it is in the scene."""
    if slot.texco == TexCo.OBJECT and slot.object is not None:
        return slot.object.blender
    return None


def uses_alpha(slot):
    picture = image(slot)
    return picture is not None and picture.channels == 4 and "UseAlpha" in slot.tex.imageFlags


def shape(slot):
    """The slot's nodes and links, without the image and object they show."""
    return (slot.index, slot.mapto, slot.texco, image(slot) is not None, shown(slot) is not None, uses_alpha(slot))


def _name(slot):
    return "Mivka slot %d" % slot.index


def fill(slot, nodes):
    """The image and the object of `slot` into the nodes of a copied tree
    (each written only where the template's differ: every write makes
    Blender revisit the file's node trees)."""
    node = nodes[_name(slot)]
    picture = image(slot)
    if node.image != picture:
        node.image = picture
    target = shown(slot)
    if target is not None:
        coordinates = node.inputs["Vector"].links[0].from_node
        if coordinates.object != target:
            coordinates.object = target


def build(slot, tree, bsdf, base_colour):
    """The slot's nodes in `tree` (a material's node tree, being built):
    its colour goes to `base_colour`, bumps and alpha to the BSDF."""
    nodes, links = tree.nodes, tree.links
    node = nodes.new("ShaderNodeTexImage")
    node.name = node.label = _name(slot)
    node.location = (-600, 300 - 300 * slot.index)
    node.image = image(slot)
    if slot.mapto & MapTo.COL:
        links.new(node.outputs["Color"], base_colour)
    if slot.mapto & MapTo.NOR:
        bump = nodes.new("ShaderNodeBump")
        bump.location = (-250, 300 - 300 * slot.index)
        links.new(node.outputs["Color"], bump.inputs["Height"])
        links.new(bump.outputs["Normal"], bsdf.inputs["Normal"])
    if slot.mapto & MapTo.ALPHA:
        links.new(node.outputs["Alpha" if uses_alpha(slot) else "Color"], bsdf.inputs["Alpha"])
    wire(slot, tree)


def wire(slot, tree):
    """The slot's coordinates into its image node, anew: the object's when
    it maps through one in the scene, the UV map's otherwise."""
    node = tree.nodes.get(_name(slot))
    if node is None:
        return
    nodes, links = tree.nodes, tree.links
    for link in list(node.inputs["Vector"].links):
        links.remove(link)
    target = shown(slot)
    if target is not None:
        coordinates = nodes.new("ShaderNodeTexCoord")
        coordinates.object = target
        coordinates.location = (-850, 300 - 300 * slot.index)
        links.new(coordinates.outputs["Object"], node.inputs["Vector"])
    else:
        uv = nodes.new("ShaderNodeUVMap")
        uv.uv_map = "UVMap"
        uv.location = (-850, 300 - 300 * slot.index)
        links.new(uv.outputs["UV"], node.inputs["Vector"])
