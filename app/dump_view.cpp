#include "dump_view.h"

#include "resource.h"
#include "text_view.h"

#include "support/app_error.h"
#include "support/external_call.h"

namespace octolume {

namespace {

// Read-only and multi-line, as accessibility tools read an edit control's style.
constexpr DWORD kViewStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY;

} // namespace

void DumpView::Create(const DumpViewSetup& setup, const PixelRect& rect) {
    RegisterTextViewClass(setup.instance);
    const HWND view = External(
        ::CreateWindowExW, WS_EX_CLIENTEDGE, OCTOLUME_TEXT_VIEW_CLASS, L"", kViewStyle, rect.left,
        rect.top, rect.width, rect.height, setup.parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(setup.controlId)), setup.instance, nullptr);
    if (view == nullptr)
        throw AppError(error_number::kInternal, L"Unable to create the dump view");
    try {
        if (setup.font != nullptr)
            Send(view, WM_SETFONT, reinterpret_cast<WPARAM>(setup.font), FALSE);
        if (setup.subclass != nullptr)
            External(::SetWindowSubclass, view, setup.subclass, 0, 0);
        if (setup.dropTarget != nullptr)
            setup.dropTarget->RegisterOn(view);
    } catch (...) {
        External(::DestroyWindow, view);
        throw;
    }
    view_ = view;
    dropTarget_ = setup.dropTarget;
}

void DumpView::ShowText(std::wstring text) {
    if (view_ != nullptr)
        SetViewText(view_, std::move(text));
}

void DumpView::RevokeDropTarget() {
    if (view_ != nullptr && dropTarget_ != nullptr)
        dropTarget_->RevokeFrom(view_);
}

} // namespace octolume
