"""A small rigged character of our own: a document, and the companion
(.mqx) with its bones and morphs, written as Metasequoia 4 writes them."""

HEAD = ("Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\nIncludeXml \"{companion}\"\r\n\r\n"
        "Scene {{\r\n\tpos 0 0 1500\r\n}}\r\n")

# name, uid, depth, visible, vertices, whether the vertices carry uids of their own
OBJECTS = [
    ("body", 1, 0, 15, [(0, 0, 0), (10, 0, 0), (10, 100, 0), (0, 100, 0)], True),
    ("arm", 2, 0, 15, [(10, 90, 0), (60, 90, 0), (60, 100, 0)], False),
    ("face", 3, 0, 15, [(0, 100, 0), (10, 100, 0), (10, 110, 0), (0, 110, 0)], False),
    ("smile", 4, 1, 0, [(0, 101, 1), (10, 101, 1), (10, 111, 1), (0, 111, 1)], False),
    ("\u7b11\u3044", 5, 1, 0, [(0, 100, 5), (10, 100, 5), (10, 110, 5), (0, 110, 5)], False),
    ("wrong", 6, 1, 0, [(0, 100, 0), (10, 100, 0), (10, 110, 0)], False),
]
VERTEX_UIDS = [11, 12, 13, 14]

# id, name, root, tip, parent, hidden, weights (object uid, vertex uid, percent)
BONES = [
    (1, "hips", (5, 0, 0), (5, 50, 0), 0, False, [(1, 11, 100), (1, 12, 100)]),
    (2, "spine", (5, 50, 0), (5, 90, 0), 1, False, [(1, 13, 60), (1, 14, 60)]),
    (3, "head", (5, 90, 0), (0, 0, 0), 2, False,
     [(1, 13, 40), (1, 14, 40), (3, 1, 100), (3, 2, 100), (3, 3, 100), (3, 4, 100)]),
    (4, "arm", (10, 95, 0), (60, 95, 0), 2, True, [(2, 2, 100), (2, 3, 100), (2, 1, 50)]),
]
MORPHS = [("face", ["smile", "\u7b11\u3044", "wrong"])]


def _object(name, uid, depth, visible, vertices, own_uids):
    lines = ['Object "%s" {' % name, "\tuid %d" % uid, "\tdepth %d" % depth, "\tvisible %d" % visible,
             "\tvertex %d {" % len(vertices)]
    lines += ["\t\t%g %g %g" % v for v in vertices]
    lines.append("\t}")
    if own_uids:
        lines += ["\tvertexattr {", "\t\tuid {"] + ["\t\t\t%d" % u for u in VERTEX_UIDS] + ["\t\t}", "\t}"]
    corners = " ".join(str(i) for i in range(len(vertices)))
    lines += ["\tface 1 {", "\t\t%d V(%s)" % (len(vertices), corners), "\t}", "}"]
    return "\r\n".join(lines) + "\r\n"


def document_text(companion="rig.mqx", encoding="cp932"):
    text = HEAD.format(companion=companion) + "".join(_object(*o) for o in OBJECTS) + "Eof\r\n"
    return text.encode(encoding)


def _newer_bones(bones):
    """The bones as newer versions write them: joints with their weights by object."""
    from xml.sax.saxutils import quoteattr

    out = ['\t\t<BoneSet2 limit="4">']
    for bone_id, name, root, _, parent, hidden, weights in bones:
        out.append('\t\t\t<Bone id="%d" name=%s parent="%d" pos="%g,%g,%g" movable="0" hide="%d">'
                   % ((bone_id, quoteattr(name), parent) + tuple(root) + (int(hidden),)))
        for obj in sorted({w[0] for w in weights}):
            out.append('\t\t\t\t<W obj="%d">' % obj)
            out += ['\t\t\t\t\t<V v="%d" w="%g" />' % (v, w) for o, v, w in weights if o == obj]
            out.append("\t\t\t\t</W>")
        out.append("\t\t\t</Bone>")
    return out + ["\t\t</BoneSet2>"]


def companion_text(bones=BONES, morphs=MORPHS, included_by="rig.mqo", newer=False):
    """The companion; `newer`: the bones in the set newer versions write."""
    from xml.sax.saxutils import quoteattr

    out = ['<?xml version="1.0" encoding="UTF-8" ?>', "<MetasequoiaDocument>",
           "\t<IncludedBy>%s</IncludedBy>" % included_by,
           '\t<Plugin.56A31D20.71F282AB name="Bone">', "\t\t<BoneSet>"]
    for bone_id, name, root, tip, parent, hidden, weights in [] if newer else bones:
        out.append('\t\t\t<Bone id="%d" name=%s rtX="%g" rtY="%g" rtZ="%g" tpX="%g" tpY="%g" tpZ="%g" '
                   'tip_id="0" isDummy="0" isHide="%d" group="0" col="0">'
                   % ((bone_id, quoteattr(name)) + tuple(root) + tuple(tip) + (int(hidden),)))
        out.append('\t\t\t\t<P id="%d" />' % parent)
        out += ['\t\t\t\t<W oi="%d" vi="%d" w="%g" />' % w for w in weights]
        out.append("\t\t\t</Bone>")
    out.append("\t\t</BoneSet>")
    out += _newer_bones(bones) if newer else []
    out += ['\t\t<Obj id="1" />', "\t</Plugin.56A31D20.71F282AB>",
            '\t<Plugin.56A31D20.C452C6DB name="Morph">', "\t\t<MorphSet>"]
    for base, targets in morphs:
        out.append("\t\t\t<TargetList base=%s>" % quoteattr(base))
        out += ['\t\t\t\t<Target name=%s param="0" type="0" />' % quoteattr(t) for t in targets]
        out.append("\t\t\t</TargetList>")
    out += ["\t\t</MorphSet>", "\t</Plugin.56A31D20.C452C6DB>", "</MetasequoiaDocument>"]
    return "\n".join(out).encode("utf-8")


def write_rig(folder, name="rig", companion=None):
    """rig.mqo and rig.mqx (or the companion bytes given) in `folder`; the document's path."""
    document = folder / (name + ".mqo")
    document.write_bytes(document_text(name + ".mqx"))
    if companion is None:
        companion = companion_text(included_by=name + ".mqo")
    (folder / (name + ".mqx")).write_bytes(companion)
    return document
