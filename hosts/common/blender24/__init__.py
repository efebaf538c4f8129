"""What the host packages of Mivka share: the Blender 2.4x conventions that
do not depend on where the scene lives (matrices and rotations, the
terminal progress bar, image file checks, document names for people)."""
