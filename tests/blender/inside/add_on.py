"""Inside Blender: installs the add-on as users do and imports through it
(-- PACKAGE LANTERN REFUSED PART OUT.json); writes what it found."""

import json
import os
import sys

import bpy

package, lantern, refused, part, out = sys.argv[sys.argv.index("--") + 1:]
bpy.ops.wm.read_factory_settings(use_empty=True)
if bpy.app.version >= (4, 2):  # an extension, in the user's own repository
    bpy.ops.extensions.package_install_files(filepath=package, repo="user_default", enable_on_install=True)
else:
    bpy.ops.preferences.addon_install(filepath=package, target="DEFAULT", overwrite=True)
    bpy.ops.preferences.addon_enable(module="io_import_mqo_mivka")
assert bpy.ops.import_scene.mivka_mqo(filepath=lantern, scale=0.5) == {"FINISHED"}
found = {"objects": [[o.name, o.parent.name if o.parent else None, len(o.data.polygons)]
                     for o in bpy.context.scene.objects]}
# Two documents at once, as the file browser or a drop hands them over.
for obj in list(bpy.data.objects):
    bpy.data.objects.remove(obj)
assert bpy.ops.import_scene.mivka_mqo(directory=os.path.dirname(lantern), files=[{"name": "lantern.mqo"}] * 2,
                                      scale=0.5) == {"FINISHED"}
found["twice"] = len(bpy.context.scene.objects)
handlers = bpy.types.FileHandler.__subclasses__() if hasattr(bpy.types, "FileHandler") else []
found["drop"] = [[h.bl_import_operator, h.bl_file_extensions] for h in handlers
                 if h.bl_import_operator == "import_scene.mivka_mqo"]
found["blender"] = list(bpy.app.version)
# What did not come across whole is told in Blender's own words.
try:
    found["refused"] = sorted(bpy.ops.import_scene.mivka_mqo(filepath=refused))
except RuntimeError as error:  # an operator's error report, in the background
    found["refused"] = str(error)
found["part"] = sorted(bpy.ops.import_scene.mivka_mqo(filepath=part))
# A document that raises is told, and the others chosen with it go on.
import Mivka
readmqo = Mivka.readmqo
def failing(path):
    if os.fsencode(path).endswith(b"part.mqo"):
        raise OSError("the document was cut short while it was read")
    return readmqo(path)
Mivka.readmqo = failing
for obj in list(bpy.data.objects):
    bpy.data.objects.remove(obj)
try:
    bpy.ops.import_scene.mivka_mqo(directory=os.path.dirname(part),
                                   files=[{"name": "part.mqo"}, {"name": "copy.mqo"}])
except RuntimeError as error:
    found["raised"] = str(error)
found["after"] = len(bpy.context.scene.objects)
json.dump(found, open(out, "w"))
