"""The progress bar: Blender's own progress indicator when there is a
window, the terminal bar otherwise."""

from blender24.progress import draw_terminal_bar


def DrawProgressBar(done, text):
    import bpy

    from . import Material

    done = float(done)
    if done >= 1.0:  # the conversion's end: what it left waiting is made
        Material.finish()
    manager = getattr(bpy.context, "window_manager", None)
    if manager is None or not manager.windows:
        draw_terminal_bar(done, text)
        return
    if done <= 0.0:
        manager.progress_begin(0.0, 1.0)
    manager.progress_update(min(max(done, 0.0), 1.0))
    if done >= 1.0:
        manager.progress_end()
