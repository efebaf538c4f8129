"""File > Import > Metasequoia (.mqo), and documents dropped on the 3D
viewport (Blender 4.1 and later): converts each with the Mivka module into
the current scene. Blender 3.4 to 4.1 install it as an add-on (bl_info);
4.2 and later as an extension (blender_manifest.toml)."""

bl_info = {
    "name": "Metasequoia (.mqo) import (Mivka)",
    "description": "Import Metasequoia text documents: materials, textures, meshes, placement and hierarchy",
    "blender": (3, 4, 0),
    "version": (1, 0, 0),
    "location": "File > Import > Metasequoia (.mqo)",
    "category": "Import-Export",
}

import os
import re
import sys
import tempfile

import bpy
from bpy.props import BoolProperty, CollectionProperty, FloatProperty, StringProperty
from bpy_extras.io_utils import ImportHelper

_HERE = os.path.dirname(os.path.abspath(__file__))
# Where the system's package puts the host packages; the module itself is then
# on Python's own path.
_SYSTEM_HOSTS = "/usr/lib/mivka/hosts"


def _load_mivka():
    """The module and the host package travel inside the add-on's folder when
    it was installed from its zip; otherwise they were installed with the
    system's package."""
    if os.path.isdir(os.path.join(_HERE, "Blender")):
        folders = [_HERE]
    else:
        folders = [os.path.join(_SYSTEM_HOSTS, "bpy"), os.path.join(_SYSTEM_HOSTS, "common")]
    for folder in reversed(folders):
        if folder not in sys.path:
            sys.path.insert(0, folder)
    import Blender
    import Mivka

    return Blender, Mivka


def _convert(Blender, Mivka, path):
    """Runs the conversion of one document. Returns what the user is to be
    told, as (kind of report, text), or None when it came across whole: the
    progress bar's last word and the console tell. The console goes to a
    file meanwhile (a file never blocks the conversion), then on to
    Blender's own output."""
    reports = []
    draw = Blender.Window.DrawProgressBar

    def watched(fraction, text):
        reports.append(text)
        return draw(fraction, text)

    _flush()
    try:
        saved = os.dup(1)
    except OSError:  # no standard output at all: nothing of the console to keep
        saved = None
    with tempfile.TemporaryFile() as console:
        if saved is not None:
            os.dup2(console.fileno(), 1)
        Blender.Window.DrawProgressBar = watched
        try:
            Mivka.readmqo(os.fsencode(path))
        finally:
            Blender.Window.DrawProgressBar = draw
            Blender.finish()  # what a conversion that raised left waiting
            _flush()
            text = b""
            if saved is not None:
                os.dup2(saved, 1)
                os.close(saved)
                console.seek(0)
                text = console.read()
                _forward(text)
    return _outcome(path, reports, text)


def _flush():
    if sys.stdout is not None:
        sys.stdout.flush()


def _forward(text):
    """The console on to Blender's own output, whatever becomes of it."""
    try:
        while text:
            text = text[os.write(1, text):]
    except OSError:
        pass


def _line_after(text, opening):
    line = text.split(opening, 1)[1].split(b"\n", 1)[0]
    return line.decode("utf-8", "replace").strip()


def _outcome(path, reports, text):
    name = os.path.basename(path)
    if not reports:
        return "ERROR", "Cannot open %s" % name
    if reports[-1] == "Error":
        if b"Unable to read archive. " in text:
            return "ERROR", "Cannot read the archive %s" % _line_after(text, b"Unable to read archive. ")
        return "ERROR", "%s is not a Metasequoia text document this importer reads" % name
    said = []
    if b"Stopped reading at line " in text:
        said.append("%s was read only in part: it stopped at line %s"
                    % (name, _line_after(text, b"Stopped reading at line ")))
    lowered = len(re.findall(rb"too large to build", text))
    if lowered:
        said.append("%s: %d lathe or subdivision settings lowered or left out, too large to build (see the console)"
                    % (name, lowered))
    return ("WARNING", "; ".join(said)) if said else None


class ImportMetasequoia(bpy.types.Operator, ImportHelper):
    """Import a Metasequoia text document (.mqo, or .mqoz archive)"""

    bl_idname = "import_scene.mivka_mqo"
    bl_label = "Import Metasequoia"
    bl_options = {"REGISTER", "UNDO"}

    filename_ext = ".mqo"
    filter_glob: StringProperty(default="*.mqo;*.mqoz", options={"HIDDEN"})
    # Several documents chosen at once, or dropped together.
    files: CollectionProperty(type=bpy.types.OperatorFileListElement, options={"HIDDEN", "SKIP_SAVE"})
    directory: StringProperty(subtype="DIR_PATH", options={"HIDDEN", "SKIP_SAVE"})
    scale: FloatProperty(name="Scale", description="Factor for vertex positions and translations",
                         default=1.0, soft_min=0.0001, soft_max=1000.0)
    color_maps: StringProperty(name="Colour textures", description="Folder to look for colour textures in",
                               subtype="DIR_PATH")
    normal_maps: StringProperty(name="Bump textures", description="Folder to look for bump textures in",
                                subtype="DIR_PATH")
    alpha_maps: StringProperty(name="Alpha textures", description="Folder to look for alpha textures in",
                               subtype="DIR_PATH")
    strict: BoolProperty(name="Format 1.0 only",
                         description="Read documents strictly as format 1.0: no Metasequoia 3 and 4 documents, "
                                     "reading stops at whatever that format does not have", default=False)

    def execute(self, context):
        Blender, Mivka = _load_mivka()
        record = Blender.Registry.GetKey("Mivka") or {}
        record["Scale"] = self.scale
        record["Extended"] = not self.strict
        for key, folder in (("ColorMap", self.color_maps), ("NormalMap", self.normal_maps),
                            ("AlphaMap", self.alpha_maps)):
            if folder:
                record[key] = bpy.path.abspath(folder)
            else:
                record.pop(key, None)
        Blender.Registry.SetKey("Mivka", record)
        built = False
        for path in self._paths():
            try:
                told = _convert(Blender, Mivka, path)
            except Exception as error:
                self.report({"ERROR"}, "Metasequoia import stopped: %s: %s" % (type(error).__name__, error))
                return {"FINISHED"} if built else {"CANCELLED"}
            if told is not None:
                self.report({told[0]}, told[1])
            built = built or told is None or told[0] != "ERROR"
        return {"FINISHED"} if built else {"CANCELLED"}

    def _paths(self):
        if self.directory and any(f.name for f in self.files):
            return [os.path.join(self.directory, f.name) for f in self.files if f.name]
        return [self.filepath]

    def invoke(self, context, event):
        # From the menu: the file browser. Dropped on the viewport (a path
        # given): the options, then the import (Blender 4.2 and later), or
        # the import at once (4.1).
        popup = getattr(self, "invoke_popup", None)
        if popup is not None:
            return popup(context)
        if self.properties.is_property_set("filepath"):
            return self.execute(context)
        return ImportHelper.invoke(self, context, event)


def _menu(self, context):
    self.layout.operator(ImportMetasequoia.bl_idname, text="Metasequoia (.mqo)")


_classes = [ImportMetasequoia]

if hasattr(bpy.types, "FileHandler"):
    class MetasequoiaFileHandler(bpy.types.FileHandler):
        """Documents dragged onto the 3D viewport are imported."""

        bl_idname = "IMPORT_SCENE_FH_mivka_mqo"
        bl_label = "Metasequoia document"
        bl_import_operator = ImportMetasequoia.bl_idname
        bl_file_extensions = ".mqo;.mqoz"

        @classmethod
        def poll_drop(cls, context):
            return context.area is not None and context.area.type == "VIEW_3D"

    _classes.append(MetasequoiaFileHandler)


def register():
    for cls in _classes:
        bpy.utils.register_class(cls)
    bpy.types.TOPBAR_MT_file_import.append(_menu)


def unregister():
    bpy.types.TOPBAR_MT_file_import.remove(_menu)
    for cls in reversed(_classes):
        bpy.utils.unregister_class(cls)
