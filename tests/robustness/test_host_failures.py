"""Every host operation that the module calls may raise, on its first use or
late: readmqo raises that same exception, writes nothing more, and lets go of
the document."""

import os
import re
import tempfile

import pytest

from hostile_documents import PNG, document_text

def timeless(console):
    return re.sub(rb"Time [0-9.e+-]+sec", b"Time #sec", console)


class Injected(Exception):
    pass


class Probe:
    """Counts the calls of every watched operation and raises at a chosen one."""

    def __init__(self):
        self.counts = {}
        self.target = None  # (operation, call number)
        self.raised = None

    def hit(self, name):
        self.counts[name] = self.counts.get(name, 0) + 1
        if self.target == (name, self.counts[name]):
            self.raised = Injected("%s, call %d" % self.target)
            raise self.raised


def watch(probe, monkeypatch, owner, name, label=None):
    label = label or "%s.%s" % (getattr(owner, "__name__", owner), name)
    original = getattr(owner, name)

    def wrapped(*args, **kwargs):
        probe.hit(label)
        return original(*args, **kwargs)

    monkeypatch.setattr(owner, name, wrapped)


def list_probe(probe, label):
    class ProbedList(list):
        def append(self, item):
            probe.hit(label + ".append")
            list.append(self, item)

        def index(self, item, *args):
            probe.hit(label + ".index")
            return list.index(self, item, *args)

        def count(self, item):
            probe.hit(label + ".count")
            return list.count(self, item)

        def __len__(self):
            probe.hit(label + ".__len__")
            return list.__len__(self)

    return ProbedList


@pytest.fixture
def probed(host, monkeypatch):
    return install_probes(host, monkeypatch)


def install_probes(host, monkeypatch):
    """Watches every host operation that the module calls."""
    probe = Probe()
    B = host
    for module, names in ((B.Window, ["DrawProgressBar"]), (B.Registry, ["GetKey"]),
                          (B.Material, ["New"]), (B.Texture, ["New"]), (B.Image, ["Load"]),
                          (B.Object, ["New"]), (B.NMesh, ["New"]), (B.Scene, ["getCurrent"]),
                          (B.Mathutils, ["TranslationMatrix"])):
        for name in names:
            watch(probe, monkeypatch, module, name, "%s.%s" % (module.__name__.split(".")[-1], name))
    # Types stay types (the host checks them): their construction is watched.
    for module, cls in ((B.NMesh, B.NMesh.Vert), (B.NMesh, B.NMesh.Face), (B.NMesh, B.NMesh.Col),
                        (B.Mathutils, B.Mathutils.Euler), (B.Mathutils, B.Mathutils.Matrix),
                        (B.Mathutils, B.Mathutils.Vector)):
        def construct(self, *args, _label="%s.%s" % (module.__name__.split(".")[-1], cls.__name__),
                      _init=cls.__init__, **kwargs):
            probe.hit(_label)
            _init(self, *args, **kwargs)

        monkeypatch.setattr(cls, "__init__", construct)
    classes = ((B.Material.Material, ["setRGBCol", "setAlpha", "setRef", "setAmb", "setEmit", "setSpec",
                                      "setHardness", "setSpecShader", "setTexture", "getTextures"]),
               (B.Texture.Texture, ["setType", "setImage", "setImageFlags"]),
               (B.Object.Object, ["setMatrix", "link", "getData", "getInverseMatrix", "makeParent"]),
               (B.NMesh.NMesh, ["addMaterial", "addEdge", "hasFaceUV", "hasVertexColours", "update", "transform"]),
               (B.NMesh.Face, ["append"]), (B.Scene.Scene, ["link"]),
               (B.Mathutils.Euler, ["toMatrix"]), (B.Mathutils.Matrix, ["resize4x4", "__mul__"]))
    for cls, names in classes:
        for name in names:
            watch(probe, monkeypatch, cls, name, "%s.%s" % (cls.__name__, name))

    matrix = B.Object.Object.matrix

    def read_matrix(self):
        probe.hit("Object.matrix")
        return matrix.fget(self)

    monkeypatch.setattr(B.Object.Object, "matrix", property(read_matrix))

    # The mesh's lists, and the list that getMaterials gives.
    ProbedList = list_probe(probe, "mesh")
    init, get_materials = B.NMesh.NMesh.__init__, B.NMesh.NMesh.getMaterials

    def new_mesh(self, name):
        init(self, name)
        self.verts, self.faces, self.materials = ProbedList(), ProbedList(), ProbedList()

    monkeypatch.setattr(B.NMesh.NMesh, "__init__", new_mesh)
    monkeypatch.setattr(B.NMesh.NMesh, "getMaterials", lambda self, what=0: ProbedList(get_materials(self)))
    return probe


@pytest.fixture(scope="module")
def failure_document(tmp_path_factory):
    folder = tmp_path_factory.mktemp("failures")
    (folder / "t.png").write_bytes(PNG)
    path = folder / "doc.mqo"
    path.write_bytes(document_text())
    return str(path)


@pytest.fixture(scope="module")
def normal_run(failure_document):
    """The calls and console bytes of an undisturbed conversion."""
    import Blender
    import Mivka

    from _pytest.monkeypatch import MonkeyPatch

    Blender.reset(registry=True)
    patch = MonkeyPatch()
    try:
        probe = install_probes(Blender, patch)
        with tempfile.TemporaryFile() as out:
            saved = os.dup(1)
            os.dup2(out.fileno(), 1)
            try:
                Mivka.readmqo(failure_document)
            finally:
                os.dup2(saved, 1)
                os.close(saved)
            out.seek(0)
            console = out.read()
    finally:
        patch.undo()
        Blender.reset(registry=True)
    return probe.counts, console


OPERATIONS = [
    "Window.DrawProgressBar", "Registry.GetKey", "Material.New", "Texture.New", "Image.Load", "Object.New",
    "NMesh.New", "NMesh.Vert", "NMesh.Face", "NMesh.Col", "Scene.getCurrent", "Mathutils.Euler", "Mathutils.Matrix",
    "Mathutils.Vector", "Mathutils.TranslationMatrix", "Material.setRGBCol", "Material.setAlpha", "Material.setRef",
    "Material.setAmb", "Material.setEmit", "Material.setSpec", "Material.setHardness", "Material.setSpecShader",
    "Material.setTexture", "Material.getTextures", "Texture.setType", "Texture.setImage", "Texture.setImageFlags",
    "Object.setMatrix", "Object.link", "Object.getData", "Object.getInverseMatrix", "Object.makeParent",
    "Object.matrix", "NMesh.addMaterial", "NMesh.addEdge", "NMesh.hasFaceUV", "NMesh.hasVertexColours",
    "NMesh.update", "NMesh.transform", "Face.append", "Scene.link", "Euler.toMatrix", "Matrix.resize4x4",
    "Matrix.__mul__", "mesh.append", "mesh.__len__",
]


def test_the_document_uses_every_operation(normal_run):
    counts, console = normal_run
    assert sorted(counts) == sorted(OPERATIONS)
    assert counts["NMesh.Vert"] == 1203 and b"TimeIt" in console


@pytest.mark.parametrize("when", ["first", "last"])
@pytest.mark.parametrize("operation", OPERATIONS)
def test_a_raising_operation_ends_the_conversion_cleanly(operation, when, normal_run, probed, failure_document,
                                                         mivka, capfdbinary):
    counts, console = normal_run
    probed.target = (operation, 1 if when == "first" else counts[operation])
    capfdbinary.readouterr()
    with pytest.raises(Injected) as raised:
        mivka.readmqo(failure_document)
    assert raised.value is probed.raised
    out = capfdbinary.readouterr().out
    assert timeless(console).startswith(timeless(out)) and b"TimeIt" not in out
    with open("/proc/self/maps") as maps:
        assert failure_document not in maps.read()
