#include "dump/dump_view.h"

#include "shell/resource.h"
#include "view/line_indexed_text.h"
#include "view/text_view.h"

#include "support/app_error.h"
#include "support/external_call.h"

namespace octolume {

namespace {

// Read-only and multi-line, as accessibility tools read an edit control's style.
constexpr DWORD kViewStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY;
// A line gone to is shown below a little of what comes before it.
constexpr std::uint64_t kLinesAboveTarget = 2;

} // namespace

void DumpView::Create(const DumpViewSetup& setup, const RECT& rect) {
    RegisterTextViewClass(setup.instance);
    const HWND view = External(
        ::CreateWindowExW, WS_EX_CLIENTEDGE, OCTOLUME_TEXT_VIEW_CLASS, L"", kViewStyle, rect.left,
        rect.top, rect.right - rect.left, rect.bottom - rect.top, setup.parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(setup.controlId)), setup.instance, nullptr);
    if (view == nullptr)
        throw AppError(error_number::kInternal, L"Unable to create the dump view");
    if (setup.font != nullptr)
        Send(view, WM_SETFONT, reinterpret_cast<WPARAM>(setup.font), FALSE);
    view_ = view;
    text_ = TextView::Of(view);
}

void DumpView::ShowText(std::wstring text) {
    dump_.reset(); // the previous file is not held past its dump
    if (text_ != nullptr)
        text_->SetText(std::move(text));
}

void DumpView::ShowDump(std::shared_ptr<const DumpSource> source) {
    auto dump = std::make_shared<const DumpDocument>(std::move(source));
    // Set first: the view's selection listener asks for the dump shown.
    dump_ = dump;
    if (text_ != nullptr)
        text_->SetDocument(std::move(dump));
}

std::shared_ptr<const DumpDocument> DumpView::Dump() const {
    // A text set from outside (WM_SETTEXT) replaces the dump.
    if (text_ == nullptr || dump_ == nullptr || text_->SharedDocument().get() != dump_.get())
        return nullptr;
    return dump_;
}

const TextDocument& DumpView::Document() const {
    static const LineIndexedText none;
    return text_ != nullptr ? text_->Document() : none;
}

TextSelection DumpView::Selection() const {
    return text_ != nullptr ? text_->Selection() : TextSelection{};
}

void DumpView::SelectBytes(std::uint64_t first, std::uint64_t count) {
    const std::shared_ptr<const DumpDocument> dump = Dump();
    if (dump == nullptr || count == 0 || first >= dump->Size() || count > dump->Size() - first)
        return;
    const std::uint64_t start = dump->PairPosition(first);
    const std::uint64_t end = dump->PairPosition(first + count - 1) + 2;
    text_->Select(start, end);
    const std::uint64_t line = dump->LineOf(start);
    text_->ShowLineFirst(line > kLinesAboveTarget ? line - kLinesAboveTarget : 0);
}

std::optional<DumpLine> DumpView::DumpLineAt(std::uint64_t line) const {
    const std::shared_ptr<const DumpDocument> dump = Dump();
    if (dump == nullptr)
        return std::nullopt;
    return dump->DumpLineAt(line);
}

} // namespace octolume
