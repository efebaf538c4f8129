"""Conversions inside Blender, run without a window: the command that
starts Blender on what runs inside it (in_blender.py)."""

import json
import os
import sys


def blender_command(needing):
    """The command that runs in_blender.py in Blender without a window, to
    which a job file is then given (--job JOB.json [RESULTS.json]); None,
    with a line on standard error naming what is `needing` it, when Blender
    is not installed."""
    import shutil

    blender = shutil.which("blender")
    if blender is None:
        print("mivka: %s Blender (apt-get install blender)" % needing, file=sys.stderr)
        return None
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "in_blender.py")
    return [blender, "-b", "--factory-startup", "--python-exit-code", "1", "--python", script, "--"]


def own_temporary_folder(folder):
    """The environment for a Blender whose temporary files (Blender's own,
    the console's copy, textures unpacked from archives) go into a folder
    inside `folder`, which goes with it even when that Blender is killed."""
    import tempfile

    return dict(os.environ, TMPDIR=tempfile.mkdtemp(prefix="tmp-", dir=folder))


def write_job(path, arguments, items, count, batch):
    """The job for a Blender: the conversion's settings, the documents
    (each with its outputs and its number among `count`), and whether they
    are a batch (each quietly into its outputs, with a progress line and a
    result) or one conversion (its console, its outputs, a preview)."""
    job = {"settings": {"scale": arguments.scale, "strict": arguments.strict,
                        "texture_dirs": [list(kind_folder) for kind_folder in arguments.texture_dir]},
           "items": items, "count": count, "batch": batch}
    with open(path, "w") as f:
        json.dump(job, f)


def convert_in_blender(arguments):
    """Runs the conversion in Blender without a window; returns its exit status."""
    import subprocess
    import tempfile

    command = blender_command("-o and --render need")
    if command is None:
        return 1
    with tempfile.TemporaryDirectory(prefix="mivka-") as folder:
        job = os.path.join(folder, "job.json")
        write_job(job, arguments, [{"document": arguments.file, "outputs": arguments.output,
                                    "render": arguments.render, "number": 1}], 1, batch=False)
        return subprocess.run(command + ["--job", job], env=own_temporary_folder(folder)).returncode
