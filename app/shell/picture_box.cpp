#include "shell/picture_box.h"

#include "shell/resource.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"

namespace octolume {

namespace {

HBITMAP StoredPicture(HWND box) {
    return reinterpret_cast<HBITMAP>(External(::GetWindowLongPtrW, box, GWLP_USERDATA));
}

LRESULT OnSetImage(HWND box, WPARAM imageType, LPARAM image) {
    if (imageType != IMAGE_BITMAP) {
        return 0;
    }
    const LONG_PTR previous = External(::SetWindowLongPtrW, box, GWLP_USERDATA, image);
    External(::InvalidateRect, box, nullptr, TRUE);
    return previous;
}

// Only the bitmap is drawn here; the class brush has already filled the rest
// through WM_ERASEBKGND.
void OnPaint(HWND box) {
    const PaintScope paint(box);
    const HBITMAP picture = StoredPicture(box);
    if (paint.Dc() == nullptr || picture == nullptr) {
        return;
    }
    BITMAP size{};
    if (External(::GetObjectW, picture, sizeof size, &size) == 0) {
        return;
    }
    const MemoryDcHandle source(External(::CreateCompatibleDC, paint.Dc()));
    if (source) {
        const SelectionScope selected(source.get(), picture);
        External(::BitBlt, paint.Dc(), 0, 0, size.bmWidth, size.bmHeight, source.get(), 0, 0,
                 SRCCOPY);
    }
}

LRESULT CALLBACK PictureBoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case STM_SETIMAGE:
        return OnSetImage(box, wParam, lParam);
    case STM_GETIMAGE:
        return wParam == IMAGE_BITMAP ? reinterpret_cast<LRESULT>(StoredPicture(box)) : 0;
    case WM_PAINT:
        OnPaint(box);
        return 0;
    default:
        return External(::DefWindowProcW, box, message, wParam, lParam);
    }
}

} // namespace

void RegisterPictureBoxClass(HINSTANCE instance, COLORREF background) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = PictureBoxProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = External(::LoadCursorW, nullptr, IDC_ARROW);
    // The class paints with this brush for as long as the process lives.
    static const BrushHandle backgroundBrush(External(::CreateSolidBrush, background));
    windowClass.hbrBackground = backgroundBrush.get();
    windowClass.lpszClassName = OCTOLUME_PICTURE_BOX_CLASS;
    RegisterWindowClass(windowClass);
}

void SetPicture(HWND pictureBox, HBITMAP picture) {
    Send(pictureBox, STM_SETIMAGE, IMAGE_BITMAP, picture);
}

HBITMAP GetPicture(HWND pictureBox) {
    return reinterpret_cast<HBITMAP>(Send(pictureBox, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

} // namespace octolume
