"""One conversion as the mivka command and the Blender add-on run it: the
user's settings into the registry record "Mivka" (user_settings), readmqo with
the progress bar watched and the console kept (consoles), and what came of
it (outcome)."""

import os

from .consoles import ConsoleThroughPipe, ConsoleToFile  # noqa: F401
from .outcome import Outcome, outcome  # noqa: F401
from .user_settings import TEXTURE_KINDS, apply_settings  # noqa: F401


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
