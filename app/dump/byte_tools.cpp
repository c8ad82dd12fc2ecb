#include "dump/byte_tools.h"

#include "view/edit_queries.h"
#include "view/text_view.h"

#include "support/app_error.h"
#include "support/clipboard.h"
#include "support/external_call.h"
#include "support/report_error.h"

namespace octolume {

void ByteTools::Attach(HWND owner) {
    owner_ = owner;
    TextView* text = view_.View();
    if (text == nullptr)
        return;
    text->SetSelectionListener([this] {
        try {
            Follow();
        } catch (...) {
            ReportError(CaughtError(), L"frmInspector.Follow");
        }
    });
    text->SetMenuEntries([this] {
        const bool covered = Covered().count > 0;
        return std::vector<ViewMenuEntry>{
            {L"Copy as &hex\tCtrl+Shift+C", covered, [this] { CopyAs(CopyAsForm::kHex); }},
            {L"Copy as C a&rray", covered, [this] { CopyAs(CopyAsForm::kCArray); }},
        };
    });
}

ByteSelection ByteTools::Covered() const {
    const std::shared_ptr<const DumpDocument> dump = view_.Dump();
    return dump != nullptr ? CoveredBytes(*dump, view_.Selection()) : ByteSelection{};
}

RECT ByteTools::CaretLineOnScreen() const {
    const TextView* text = view_.View();
    if (text == nullptr)
        return {};
    RECT line = text->LineRect(view_.Document().LineOf(view_.Selection().caret));
    if (IsRectEmpty(&line))
        return {};
    External(::MapWindowPoints, view_.Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&line), 2);
    return line;
}

void ByteTools::Follow() {
    if (!inspector_.Shown())
        return; // worked out when it shows
    Give();
    inspector_.Avoid(CaretLineOnScreen());
}

void ByteTools::Give() {
    const std::shared_ptr<const DumpDocument> dump = view_.Dump();
    const TextSelection selection = view_.Selection();
    // A dump gone is not the same as no dump: its weak pointer has expired.
    const bool sameDump = dump == nullptr ? followedNone_ : followed_.lock() == dump;
    if (!followedOnce_ || !sameDump || followedSelection_ != selection) {
        followedOnce_ = true;
        followed_ = dump;
        followedNone_ = dump == nullptr;
        followedSelection_ = selection;
        if (dump == nullptr) {
            inspector_.UpdateSoon(std::nullopt, std::nullopt, BytesAtCaret{});
        } else {
            const std::uint64_t caret = CaretByteAt(*dump, selection.caret);
            const ByteSelection covered = CoveredBytes(*dump, selection);
            inspector_.UpdateSoon(caret, covered.count > 0 ? std::optional(covered) : std::nullopt,
                              BytesFrom(*dump->Source(), caret));
        }
    }
}

void ByteTools::ToggleInspector() {
    if (inspector_.Shown()) {
        inspector_.Hide();
        return;
    }
    followedOnce_ = false; // the caret was not followed while it was hidden
    Give();
    inspector_.Show(owner_, CaretLineOnScreen());
}

bool ByteTools::CloseInspector() {
    if (!inspector_.Shown())
        return false;
    inspector_.Hide();
    return true;
}

void ByteTools::SelectBlock() {
    const std::shared_ptr<const DumpDocument> dump = view_.Dump();
    if (dump == nullptr || dump->Size() == 0)
        return;
    const std::optional<ByteSelection> block = selectBlock_.Ask(owner_, dump->Size());
    // The dialog let messages through: the dump may have gone meanwhile.
    if (!block || view_.Dump() != dump)
        return;
    view_.SelectBytes(block->first, block->count);
    Follow(); // the view scrolled after the selection changed: the line moved
}

void ByteTools::CopyAs(CopyAsForm form) {
    try {
        const std::shared_ptr<const DumpDocument> dump = view_.Dump();
        if (dump == nullptr)
            return;
        const ByteSelection covered = CoveredBytes(*dump, view_.Selection());
        if (covered.count == 0)
            return;
        const std::uint64_t length = CopyAsLength(form, covered.count);
        if (length > kMostTextGiven) {
            RefuseTooMuchToCopy(length);
            return;
        }
        PutTextOnClipboard(view_.Handle(), CopyAsText(*dump->Source(), covered, form));
    } catch (...) {
        ReportError(CaughtError(), L"rtfOctolume.CopyAs");
    }
}

} // namespace octolume
