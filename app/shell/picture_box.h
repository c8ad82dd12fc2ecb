#pragma once
// A child window that shows a bitmap unscaled from its top-left corner and its own
// background colour wherever the bitmap does not reach.

#include <windows.h>

namespace octolume {

// Registers the window class OCTOLUME_PICTURE_BOX_CLASS once per process. The
// background colour is the class's brush, shared by every picture box.
void RegisterPictureBoxClass(HINSTANCE instance, COLORREF background);

// The box keeps a reference to the bitmap, not a copy; the caller keeps it alive
// while the box shows it. STM_SETIMAGE / STM_GETIMAGE (IMAGE_BITMAP) do the same
// for other processes' tools.
void SetPicture(HWND pictureBox, HBITMAP picture);
HBITMAP GetPicture(HWND pictureBox);

} // namespace octolume
