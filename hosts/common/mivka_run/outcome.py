"""What came of a conversion, read from the progress bar's last word and
the console."""

import re

_UNREADABLE_ARCHIVE = b"Unable to read archive. "
_STOPPED = b"Stopped reading at line "
_LOWERED = re.compile(rb"too large to build")


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
