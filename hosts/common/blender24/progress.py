"""A one-line progress bar on standard error, drawn only when that is a terminal."""

import sys

_WIDTH = 30


def draw_terminal_bar(done, text):
    done = float(done)
    if not isinstance(text, (str, bytes)):
        raise TypeError("DrawProgressBar: expected a float and a string")
    stream = sys.stderr
    try:
        interactive = stream is not None and stream.isatty()
    except (AttributeError, ValueError):
        interactive = False
    if not interactive:
        return
    if isinstance(text, bytes):
        text = text.decode("utf-8", "replace")
    share = min(max(done, 0.0), 1.0)
    filled = int(round(share * _WIDTH))
    stream.write("\r[%s%s] %3d%% %s\x1b[K" % ("#" * filled, " " * (_WIDTH - filled), int(share * 100), text))
    if done >= 1.0:
        stream.write("\n")
    stream.flush()
