"""Building blocks of a material's node tree."""


def principled(material):
    for node in material.node_tree.nodes:
        if node.type == "BSDF_PRINCIPLED":
            return node
    raise RuntimeError("material %r has no Principled BSDF" % material.name)


def set_input(socket, value):
    """Every assignment to a node socket makes Blender revisit the file's
    node trees: a socket that already holds the value is left alone, and a
    colour is written into the socket's array in place, which Blender takes
    as it stands (the material is new: nothing was drawn from it yet)."""
    held = socket.default_value
    if isinstance(value, tuple):
        if tuple(held) != value:
            held.foreach_set(value)
    elif held != value:
        socket.default_value = value


def add_tint(tree, bsdf, colour):
    """The mesh's corner colours ("Col") multiply what reaches the BSDF's
    base colour (a texture, or `colour`). Answers the input that now takes
    the material's own colour."""
    nodes, links = tree.nodes, tree.links
    colours = nodes.new("ShaderNodeVertexColor")
    colours.layer_name = "Col"
    colours.location = (-600, 600)
    mix = nodes.new("ShaderNodeMixRGB")
    mix.name = "Mivka tint"
    mix.blend_type = "MULTIPLY"
    mix.location = (-250, 600)
    # The factor and the two colours, by place: Blender 5 renamed the factor.
    factor, first, second = mix.inputs[0], mix.inputs[1], mix.inputs[2]
    factor.default_value = 1.0
    base = bsdf.inputs["Base Color"]
    for link in list(base.links):
        links.new(link.from_socket, first)
        links.remove(link)
    first.default_value = colour
    links.new(colours.outputs["Color"], second)
    links.new(mix.outputs[0], base)
    return first
