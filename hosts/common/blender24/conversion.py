"""One conversion as the mivka command and the Blender add-on run it: the
user's settings into the registry record "Mivka", readmqo with the progress
bar watched, and what came of it, read from the progress bar's last word
and the console."""

import os
import re
import sys
import tempfile

TEXTURE_KINDS = ("ColorMap", "NormalMap", "AlphaMap")

_UNREADABLE_ARCHIVE = b"Unable to read archive. "
_STOPPED = b"Stopped reading at line "
_LOWERED = re.compile(rb"too large to build")


def apply_settings(Blender, scale=None, strict=False, texture_dirs=(), fresh=False):
    """The settings into the registry record: the scale factor (kept from
    earlier runs when None), whether documents as Metasequoia 3 and 4 write
    them are read (unless `strict`), and texture folders by kind. With
    `fresh`, the scale and folders of earlier runs are dropped first."""
    record = Blender.Registry.GetKey("Mivka") or {}
    if fresh:
        for key in ("Scale",) + TEXTURE_KINDS:
            record.pop(key, None)
    record["Extended"] = not strict
    if scale is not None:
        record["Scale"] = scale
    for kind, folder in texture_dirs:
        record[kind] = folder
    Blender.Registry.SetKey("Mivka", record)


class Outcome:
    """What came of one conversion. `failure`: why nothing was converted,
    in readable words (None when something was); `stopped_at`: the line at
    which reading stopped before the document's end, or None; `lowered`:
    how many lathe or subdivision settings were lowered or left out."""

    def __init__(self, failure=None, stopped_at=None, lowered=0):
        self.failure, self.stopped_at, self.lowered = failure, stopped_at, lowered


def _line_after(text, opening):
    return text.split(opening, 1)[1].split(b"\n", 1)[0].decode("utf-8", "replace").strip()


def outcome(shown, reports, console, strict=False):
    """The outcome of converting the document called `shown`, from the
    progress bar's words in order and the console's bytes. A conversion
    that cannot open its file reports nothing; one whose header does not
    match ends with "Error"."""
    if not reports:
        return Outcome("cannot open %s" % shown)
    if reports[-1] == "Error":
        if _UNREADABLE_ARCHIVE in console:
            return Outcome("cannot read the archive %s" % _line_after(console, _UNREADABLE_ARCHIVE))
        return Outcome("%s is not a Metasequoia text document of format %s" % (shown, "1.0" if strict else "1.x"))
    stopped = _line_after(console, _STOPPED) if _STOPPED in console else None
    return Outcome(stopped_at=stopped, lowered=len(_LOWERED.findall(console)))


class ConsoleToFile:
    """The process's standard output (where the module writes its console)
    goes to a temporary file while a conversion runs (a file never blocks
    the module), then on to where it went before; `text` holds it after.
    Without a standard output at all, nothing is kept."""

    def __enter__(self):
        _flush()
        self.text = b""
        try:
            self._saved = os.dup(1)
        except OSError:
            self._saved = None
        self._file = tempfile.TemporaryFile()
        if self._saved is not None:
            os.dup2(self._file.fileno(), 1)
        return self

    def __exit__(self, *failure):
        _flush()
        with self._file:
            if self._saved is None:
                return False
            os.dup2(self._saved, 1)
            os.close(self._saved)
            self._file.seek(0)
            self.text = self._file.read()
        text = self.text
        try:
            while text:
                text = text[os.write(1, text):]
        except OSError:
            pass
        return False


def _flush():
    if sys.stdout is not None:
        sys.stdout.flush()


def run(Blender, Mivka, path, console, shown=None, strict=False):
    """readmqo on `path` inside `console` (a context manager that keeps the
    console as `text`), with the progress bar watched; answers the Outcome.
    Whatever a conversion that raised left waiting is finished."""
    reports = []
    draw = Blender.Window.DrawProgressBar

    def watched(fraction, text):
        reports.append(text)
        return draw(fraction, text)

    Blender.Window.DrawProgressBar = watched
    try:
        with console:
            Mivka.readmqo(os.fsencode(path))
    finally:
        Blender.Window.DrawProgressBar = draw
        getattr(Blender, "finish", lambda: None)()
    return outcome(path if shown is None else shown, reports, console.text, strict)
