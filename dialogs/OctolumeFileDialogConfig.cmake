# The OctolumeFileDialog package: the target Octolume::FileDialog, a static library that
# brings its include folder, the system libraries it calls and its compile definitions.
include(${CMAKE_CURRENT_LIST_DIR}/OctolumeFileDialogTargets.cmake)
