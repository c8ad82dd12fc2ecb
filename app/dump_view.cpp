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
// A line gone to is shown below a little of what comes before it.
constexpr long long kLinesAboveTarget = 2;

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
    bytes_ = {}; // the previous dump's bytes are not kept past it
    if (view_ != nullptr)
        SetViewText(view_, std::move(text));
}

const LineIndexedText& DumpView::Text() const {
    static const LineIndexedText none;
    return view_ != nullptr ? ViewTextOf(view_) : none;
}

std::pair<std::size_t, std::size_t> DumpView::Selection() const {
    DWORD start = 0, end = 0;
    if (view_ != nullptr)
        Send(view_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), &end);
    return {start, end};
}

const DumpBytes& DumpView::Bytes() {
    // Also a text set from outside (WM_SETTEXT) makes the bytes stale.
    if (bytes_.textSerial != Text().Serial())
        bytes_ = ReadDumpBytes(Text());
    return bytes_;
}

void DumpView::SelectBytes(std::size_t first, std::size_t count) {
    const DumpBytes& dump = Bytes();
    if (view_ == nullptr || count == 0 || first + count > dump.bytes.size())
        return;
    const std::size_t start = HexPairPosition(Text(), dump, first);
    const std::size_t end = HexPairPosition(Text(), dump, first + count - 1) + 2;
    Send(view_, EM_SETSEL, start, static_cast<LPARAM>(end));
    const auto line = static_cast<long long>(Text().LineOf(start));
    const auto top = static_cast<long long>(Send(view_, EM_GETFIRSTVISIBLELINE));
    Send(view_, EM_LINESCROLL, 0, static_cast<LPARAM>(line - kLinesAboveTarget - top));
    Send(view_, EM_SCROLLCARET); // sideways, and a long match's end
}

void DumpView::RevokeDropTarget() {
    if (view_ != nullptr && dropTarget_ != nullptr)
        dropTarget_->RevokeFrom(view_);
}

} // namespace octolume
