"""One conversion into the in-memory host, its console passed through as
it comes."""

import os
import sys

from blender24 import conversion


class ConversionFailed(Exception):
    pass


STOPPED_EARLY = 3
STOPPED_LINE = "mivka: reading stopped before the end of %s: the scene holds the part read before it"


class _ConsoleWatch:
    """Passes the process's standard output (where the module writes its
    console) through a pipe while a conversion runs; `text` holds it after.

    The pipe is emptied by another process (tee), which also keeps a copy
    in a temporary file: the module writes while it holds the interpreter's
    lock, so a thread of this process that emptied the pipe would wait for
    that lock while the module waits for room in the pipe."""

    def __enter__(self):
        import subprocess
        import tempfile

        sys.stdout.flush()
        self.text = b""
        self._copy = tempfile.NamedTemporaryFile(prefix="mivka-console-")
        self._saved = os.dup(1)
        reading, writing = os.pipe()
        self._tee = subprocess.Popen(["tee", "-a", self._copy.name], stdin=reading, stdout=self._saved)
        os.close(reading)
        os.dup2(writing, 1)
        os.close(writing)
        return self

    def __exit__(self, *failure):
        sys.stdout.flush()
        os.dup2(self._saved, 1)  # closes the pipe's last writing end: tee sees its end
        self._tee.wait()
        os.close(self._saved)
        with self._copy:
            self.text = self._copy.read()
        return False


def convert(path, scale=None, texture_dirs=(), fresh=False, strict=False):
    """Runs readmqo on `path` against whichever host package `Blender` is;
    raises ConversionFailed when nothing was converted, and answers whether
    the whole document was read (False after "Stopped reading at line").
    With `fresh`, the settings of earlier runs are dropped from a registry
    that persists. Documents as Metasequoia 3 and 4 write them are read
    unless `strict`."""
    import Blender
    import Mivka

    conversion.apply_settings(Blender, scale, strict, texture_dirs, fresh)
    try:
        came = conversion.run(Blender, Mivka, path, _ConsoleWatch(), strict=strict)
    except Exception as error:
        raise ConversionFailed("the conversion stopped: %s: %s" % (type(error).__name__, error)) from error
    if came.failure:
        raise ConversionFailed(came.failure)
    return came.stopped_at is None
