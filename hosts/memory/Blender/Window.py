"""The progress bar. Drawn on standard error when that is a terminal."""

from blender24.progress import draw_terminal_bar as DrawProgressBar  # noqa: F401
