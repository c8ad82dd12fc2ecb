#include "dump/dump_view.h"

#include "shell/resource.h"
#include "view/text_view.h"

#include "support/app_error.h"
#include "support/external_call.h"

namespace octolume {

namespace {

// Read-only and multi-line, as accessibility tools read an edit control's style.
constexpr DWORD kViewStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY;
// A line gone to is shown below a little of what comes before it.
constexpr std::size_t kLinesAboveTarget = 2;

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
    text_ = TextView::Of(view);
    text_->SetWordRule(
        [this](const LineIndexedText&, std::size_t position) { return WordAt(position); });
    dropTarget_ = setup.dropTarget;
}

void DumpView::ShowText(std::wstring text) {
    bytes_ = {}; // the previous dump's bytes are not kept past it
    if (text_ != nullptr)
        text_->SetText(std::move(text));
}

const LineIndexedText& DumpView::Text() const {
    static const LineIndexedText none;
    return text_ != nullptr ? text_->Text() : none;
}

TextSelection DumpView::Selection() const {
    return text_ != nullptr ? text_->Selection() : TextSelection{};
}

const DumpBytes& DumpView::Bytes() {
    // Also a text set from outside (WM_SETTEXT) makes the bytes stale.
    if (bytes_.textSerial != Text().Serial())
        bytes_ = ReadDumpBytes(Text());
    return bytes_;
}

void DumpView::SelectBytes(std::size_t first, std::size_t count) {
    const DumpBytes& dump = Bytes();
    if (text_ == nullptr || count == 0 || first + count > dump.bytes.size())
        return;
    const std::size_t start = HexPairPosition(Text(), dump, first);
    const std::size_t end = HexPairPosition(Text(), dump, first + count - 1) + 2;
    text_->Select(start, end);
    const std::size_t line = Text().LineOf(start);
    text_->ShowLineFirst(line > kLinesAboveTarget ? line - kLinesAboveTarget : 0);
}

std::optional<DumpLine> DumpView::DumpLineAt(std::size_t textLine) {
    const DumpBytes& dump = Bytes();
    // The header is the line before the first of the bytes.
    if (dump.bytes.empty() || dump.firstLine == 0 || textLine + 1 < dump.firstLine)
        return std::nullopt;
    return DumpLineOfRow(textLine + 1 - dump.firstLine, dump.bytes.size());
}

std::optional<std::pair<std::size_t, std::size_t>> DumpView::WordAt(std::size_t position) {
    const LineIndexedText& text = Text();
    const std::size_t line = text.LineOf(position);
    const std::optional<DumpLine> dumpLine = DumpLineAt(line);
    if (!dumpLine)
        return std::nullopt;
    const std::size_t start = text.LineStart(line);
    const auto word = DumpWordAt(*dumpLine, text.Line(line), position - start);
    if (!word)
        return std::nullopt;
    return std::pair(start + word->first, start + word->second);
}

void DumpView::RevokeDropTarget() {
    if (view_ != nullptr && dropTarget_ != nullptr)
        dropTarget_->RevokeFrom(view_);
}

} // namespace octolume
