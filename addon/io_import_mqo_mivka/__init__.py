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
import sys

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


def _convert(Blender, Mivka, path, strict=False):
    """Runs the conversion of one document. Returns what the user is to be
    told, as (kind of report, text), or None when it came across whole. The
    console goes to a file meanwhile, then on to Blender's own output."""
    import mivka_run

    name = os.path.basename(path)
    came = mivka_run.run(Blender, Mivka, path, mivka_run.ConsoleToFile(), shown=name, strict=strict)
    if came.failure:
        # A sentence starts with a capital, unless it starts with the file's name.
        told = came.failure if came.failure.startswith(name) else came.failure[:1].upper() + came.failure[1:]
        return "ERROR", told
    said = []
    if came.stopped_at is not None:
        said.append("%s was read only in part: it stopped at line %s" % (name, came.stopped_at))
    if came.lowered:
        said.append("%s: %d lathe or subdivision settings lowered or left out, too large to build (see the console)"
                    % (name, came.lowered))
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
        try:
            import numpy  # noqa: F401  (meshes are handed to Blender in arrays)
        except ImportError:
            # Blender's own builds carry NumPy; a system's Blender may not.
            self.report({"ERROR"}, "Metasequoia import needs NumPy in Blender's Python "
                                   "(on Debian and Ubuntu: install python3-numpy)")
            return {"CANCELLED"}
        Blender, Mivka = _load_mivka()
        import mivka_run

        folders = (("ColorMap", self.color_maps), ("NormalMap", self.normal_maps), ("AlphaMap", self.alpha_maps))
        mivka_run.apply_settings(Blender, self.scale, self.strict,
                                  [(kind, bpy.path.abspath(folder)) for kind, folder in folders if folder], fresh=True)
        built = False
        for path in self._paths():
            try:
                told = _convert(Blender, Mivka, path, self.strict)
            except Exception as error:
                # Told for this document; the others chosen with it go on.
                self.report({"ERROR"}, "Metasequoia import of %s stopped: %s: %s"
                            % (os.path.basename(path), type(error).__name__, error))
                continue
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
