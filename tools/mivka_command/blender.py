"""Conversions inside Blender, run without a window: the command that
starts Blender on what runs inside it (in_blender.py)."""

import os
import sys


def blender_command(arguments, needing):
    """The command that runs in_blender.py in Blender without a window,
    with the conversion's options; None, with a line on standard error
    naming what is `needing` it, when Blender is not installed."""
    import shutil

    blender = shutil.which("blender")
    if blender is None:
        print("mivka: %s Blender (apt-get install blender)" % needing, file=sys.stderr)
        return None
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "in_blender.py")
    command = [blender, "-b", "--factory-startup", "--python-exit-code", "1", "--python", script, "--"]
    if arguments.scale is not None:
        command += ["--scale", repr(arguments.scale)]
    if arguments.strict:
        command += ["--strict"]
    for kind, folder in arguments.texture_dir:
        command += ["--texture-dir", "%s=%s" % (kind, folder)]
    return command


def convert_in_blender(arguments):
    """Runs the conversion in Blender without a window; returns its exit status."""
    import subprocess

    command = blender_command(arguments, "-o and --render need")
    if command is None:
        return 1
    for output in arguments.output:
        command += ["-o", output]
    if arguments.render:
        command += ["--render", arguments.render]
    # After "--", a document named like an option is still a document.
    command += ["--", arguments.file]
    return subprocess.run(command).returncode
