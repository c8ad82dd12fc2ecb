#include "dump_view.h"

#include "view_text.h"

#include "support/app_error.h"
#include "support/external_call.h"

#include <richedit.h>

namespace octolume {

namespace {

constexpr DWORD kViewExtendedStyle = WS_EX_CLIENTEDGE;
constexpr DWORD kViewStyle = WS_CHILD | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                             ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY | ES_NOHIDESEL |
                             ES_DISABLENOSCROLL;
// Raised far above the rich-edit default of 32,767 characters, which would cut dumps.
constexpr LPARAM kViewTextLimit = 0x7FFFFFFE;
constexpr int kCannotCreateView = error_number::kInternal;

void Configure(HWND control, HFONT font) {
    // Plain text can only be chosen while the control is still empty.
    Send(control, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
    // A read-only view needs no undo history, and keeping one slows long texts down.
    Send(control, EM_SETUNDOLIMIT, 0, 0);
    Send(control, EM_EXLIMITTEXT, 0, kViewTextLimit);
    // Line width 1 with no target device: lines are never wrapped.
    Send(control, EM_SETTARGETDEVICE, 0, 1);
    if (font != nullptr)
        Send(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

bool HoldsLongText(HWND control) {
    return External(::GetWindowTextLengthW, control) > kLongestTextEmptiedInPlace;
}

} // namespace

void DumpView::Create(const DumpViewSetup& setup, const PixelRect& rect) {
    setup_ = setup;
    control_ =
        NewControl({rect.left, rect.top, rect.left + rect.width, rect.top + rect.height}, true);
}

HWND DumpView::NewControl(const RECT& rect, bool visible) const {
    const HWND control = External(::CreateWindowExW, kViewExtendedStyle, MSFTEDIT_CLASS, L"",
                                  kViewStyle | (visible ? WS_VISIBLE : 0), rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, setup_.parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(setup_.controlId)),
                                  setup_.instance, nullptr);
    if (control == nullptr)
        throw AppError(kCannotCreateView, L"Unable to create the control " MSFTEDIT_CLASS);
    try {
        Configure(control, setup_.font);
        if (setup_.subclass != nullptr)
            External(::SetWindowSubclass, control, setup_.subclass, 0, 0);
        if (setup_.dropTarget != nullptr)
            setup_.dropTarget->RegisterOn(control);
    } catch (...) {
        External(::DestroyWindow, control);
        throw;
    }
    return control;
}

HWND DumpView::Renew() {
    const HWND old = control_;
    RECT rect{};
    External(::GetWindowRect, old, &rect);
    External(::MapWindowPoints, HWND_DESKTOP, setup_.parent, reinterpret_cast<POINT*>(&rect), 2);
    const bool visible = (External(::GetWindowLongW, old, GWL_STYLE) & WS_VISIBLE) != 0;
    const bool focused = External(::GetFocus) == old;

    const HWND fresh = NewControl(rect, visible);
    // The old control's slot in the z order, which is also the tab order.
    const HWND above = External(::GetWindow, old, GW_HWNDPREV);
    External(::SetWindowPos, fresh, above != nullptr ? above : HWND_TOP, 0, 0, 0, 0,
             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    control_ = fresh;
    if (focused)
        External(::SetFocus, fresh);

    if (setup_.dropTarget != nullptr)
        setup_.dropTarget->RevokeFrom(old);
    return old;
}

void DumpView::ShowText(std::wstring_view text) {
    if (HoldsLongText(control_))
        External(::DestroyWindow, Renew());
    ReplaceViewText(control_, text);
}

void DumpView::EmptyBeforeProcessEnd() {
    if (!HoldsLongText(control_)) {
        ReplaceViewText(control_, L"");
        return;
    }
    const HWND old = Renew();
    External(::ShowWindow, old, SW_HIDE);
    // Only the view answers to the view's ID.
    External(::SetWindowLongPtrW, old, GWLP_ID, 0);
}

void DumpView::RevokeDropTarget() {
    if (control_ != nullptr && setup_.dropTarget != nullptr)
        setup_.dropTarget->RevokeFrom(control_);
}

} // namespace octolume
