// The inspector window and the Select Block dialog in process: what each edit shows, that an
// unchanged value is not set again, closing by the keyboard, staying clear of the caret's line,
// and the dialog's fields, refusals and remembered choices.
#include "dump/inspector_window.h"
#include "dump/select_block_dialog.h"
#include "shell/resource.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace octolume::test {
namespace {

using namespace std::string_view_literals;

std::string Text(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "{%ld, %ld, %ld, %ld}", r.left, r.top, r.right, r.bottom);
    return text;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both{};
    return IntersectRect(&both, &a, &b) != FALSE;
}

// Beside the owner when the work area has room, else below or above the caret's line.
TEST(InspectorPlace, BesideTheOwnerElseClearOfTheCaretLine) {
    const RECT work{0, 0, 1280, 1000};
    const SIZE size{300, 600};
    const auto place = [&](const RECT& owner, const RECT& line) {
        const POINT at = InspectorPlace(size, owner, line, work);
        return std::pair(at.x, at.y);
    };
    EXPECT_EQ(place({100, 50, 700, 550}, {110, 300, 690, 316}), std::pair(700L, 50L));
    EXPECT_EQ(place({100, 500, 700, 900}, {110, 600, 690, 616}), std::pair(700L, 400L))
        << "moved up into the work area";
    EXPECT_EQ(place({400, 50, 1280, 550}, {410, 300, 1270, 316}), std::pair(100L, 50L))
        << "left when the right has no room";
    // A maximized owner: below the line, then above it, at the owner's right.
    EXPECT_EQ(place({0, 0, 1280, 1000}, {10, 200, 1270, 216}), std::pair(980L, 216L));
    EXPECT_EQ(place({0, 0, 1280, 1000}, {10, 700, 1270, 716}), std::pair(980L, 100L));
    // No room above or below: where there is more, within the work area.
    EXPECT_EQ(place({0, 0, 1280, 1000}, {10, 450, 1270, 466}), std::pair(980L, 400L));
    EXPECT_EQ(place({0, 0, 1280, 1000}, {10, 520, 1270, 536}), std::pair(980L, 0L));
}

// Counts WM_SETTEXT on every edit of the inspector.
class SetTextCounter {
public:
    explicit SetTextCounter(HWND inspector) {
        for (const HWND child : Descendants(inspector))
            if (ClassNameOf(child) == L"Edit" &&
                SetWindowSubclass(child, &SetTextCounter::Procedure, 1,
                                  reinterpret_cast<DWORD_PTR>(this)))
                edits_.push_back(child);
    }
    ~SetTextCounter() {
        for (const HWND edit : edits_)
            RemoveWindowSubclass(edit, &SetTextCounter::Procedure, 1);
    }
    int Count() const { return count_; }
    std::size_t Edits() const { return edits_.size(); }
    void Reset() { count_ = 0; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self) {
        if (message == WM_SETTEXT)
            ++reinterpret_cast<SetTextCounter*>(self)->count_;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    std::vector<HWND> edits_;
    int count_ = 0;
};

BytesAtCaret BytesOf(std::string_view bytes) {
    return BytesAtCaret({reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()});
}

class Inspector : public testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                 600, 400, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
        inspector_.SetClosedListener([this] { ++closed_; });
    }
    void TearDown() override {
        if (owner_ != nullptr)
            DestroyWindow(owner_);
    }
    HWND Edit(int id) const { return GetDlgItem(inspector_.Handle(), id); }
    // Every edit shows the texts of these inputs.
    void ExpectShows(std::uint64_t caret, std::optional<ByteSelection> selection,
                     const BytesAtCaret& bytes) const {
        const InspectorPositions positions = InspectPositions(caret, selection);
        for (std::size_t row = 0; row < kPositionRowCount; ++row) {
            const auto position = static_cast<PositionRow>(row);
            EXPECT_EQ(WindowText(Edit(InspectorPositionId(position, false))),
                      positions[position].hex)
                << std::wstring(kPositionRowLabels[row]);
            EXPECT_EQ(WindowText(Edit(InspectorPositionId(position, true))),
                      positions[position].decimal);
        }
        const InspectorValues values = InspectValues(bytes);
        for (std::size_t row = 0; row < kValueRowCount; ++row) {
            const auto value = static_cast<ValueRow>(row);
            EXPECT_EQ(WindowText(Edit(InspectorValueId(value, false))), values[value].text)
                << std::wstring(kValueRows[row].label);
            if (kValueRows[row].bothByteOrders)
                EXPECT_EQ(WindowText(Edit(InspectorValueId(value, true))),
                          values[value].bigEndianText)
                    << std::wstring(kValueRows[row].label);
            else
                EXPECT_EQ(Edit(InspectorValueId(value, true)), nullptr)
                    << std::wstring(kValueRows[row].label);
        }
    }

    HWND owner_ = nullptr;
    InspectorWindow inspector_{GetModuleHandleW(nullptr)};
    int closed_ = 0;
    const RECT line_{110, 250, 690, 266};
};

// A tool window owned by the main window, not activated, clear of the caret's line, with a
// static label and a read-only edit for every value, each edit showing its row's text.
TEST_F(Inspector, ShowsEveryValueInAReadOnlyEditOfItsOwn) {
    const BytesAtCaret bytes = BytesOf("Hello, world!\r\n\x00\xFF"sv);
    inspector_.Update(0x1F0, ByteSelection{0x1F0, 4}, bytes);
    EXPECT_FALSE(inspector_.Shown());
    SetActiveWindow(owner_);
    inspector_.Show(owner_, line_);
    const HWND window = inspector_.Handle();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(inspector_.Shown());
    EXPECT_EQ(WindowText(window), L"Inspector");
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner_);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_NE(GetActiveWindow(), window) << "the view keeps the keys";
    RECT own{};
    GetWindowRect(window, &own);
    EXPECT_FALSE(Overlap(own, line_)) << Text(own);

    ExpectShows(0x1F0, ByteSelection{0x1F0, 4}, bytes);
    EXPECT_EQ(WindowText(Edit(InspectorPositionId(PositionRow::Caret, false))), L"0x1F0");
    EXPECT_EQ(WindowText(Edit(InspectorValueId(ValueRow::Int16, true))), L"18533");
    // Each edit is read-only, comes after its label and fits its text.
    for (std::size_t row = 0; row < kValueRowCount; ++row) {
        const HWND edit = Edit(InspectorValueId(static_cast<ValueRow>(row), false));
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY);
        const HWND label = GetWindow(edit, GW_HWNDPREV);
        EXPECT_EQ(ClassNameOf(label), L"Static");
        EXPECT_EQ(WindowText(label), kValueRows[row].label);
    }
    const HWND guid = Edit(InspectorValueId(ValueRow::Guid, false));
    const HDC dc = GetDC(guid);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(guid, WM_GETFONT, 0, 0)));
    SIZE text{};
    const std::wstring shown = WindowText(guid);
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &text);
    SelectObject(dc, old);
    ReleaseDC(guid, dc);
    RECT client{};
    GetClientRect(guid, &client);
    EXPECT_LT(text.cx, client.right) << "the GUID fits its edit";
}

// Only the texts that changed are set; nothing at all when nothing changed, nothing while
// hidden; a new file's bytes replace every value, also the ones now beyond its end.
TEST_F(Inspector, SetsOnlyTheTextsThatChanged) {
    const BytesAtCaret first =
        BytesOf("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10"sv);
    inspector_.Update(16, std::nullopt, first);
    inspector_.Show(owner_, line_);
    SetTextCounter counter(inspector_.Handle());
    ASSERT_EQ(counter.Edits(), 2 * kPositionRowCount + kValueRowCount + 8);

    inspector_.Update(16, std::nullopt, first);
    EXPECT_EQ(counter.Count(), 0) << "nothing changed";

    inspector_.Update(17, std::nullopt, first);
    EXPECT_EQ(counter.Count(), 2) << "the caret's hex and decimal offsets";
    counter.Reset();
    inspector_.Update(17, ByteSelection{17, 1}, first);
    EXPECT_EQ(counter.Count(), 6) << "the selection's three rows, from nothing to one byte";
    counter.Reset();

    // Only the last byte differs: the values that reach it and no others.
    const BytesAtCaret changed =
        BytesOf("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x11"sv);
    inspector_.Update(17, ByteSelection{17, 1}, changed);
    EXPECT_EQ(counter.Count(), 1) << "the GUID alone";
    ExpectShows(17, ByteSelection{17, 1}, changed);
    counter.Reset();

    // While hidden nothing is set; showing sets what changed meanwhile.
    inspector_.Hide();
    EXPECT_FALSE(inspector_.Shown());
    const BytesAtCaret newFile = BytesOf("A");
    inspector_.Update(0, std::nullopt, newFile);
    EXPECT_EQ(counter.Count(), 0);
    inspector_.Show(owner_, line_);
    EXPECT_GT(counter.Count(), 0);
    ExpectShows(0, std::nullopt, newFile);
    EXPECT_EQ(WindowText(Edit(InspectorValueId(ValueRow::Int16, false))), kNoValue);
    EXPECT_EQ(WindowText(Edit(InspectorValueId(ValueRow::Guid, false))), kNoValue);
    EXPECT_EQ(WindowText(Edit(InspectorPositionId(PositionRow::SelectionLength, true))), kNoValue);
    EXPECT_EQ(closed_, 0) << "hidden by its owner, not closed by the user";
}

// A held key's moves come faster than the fields are set: those waiting are set once, after
// the owner has painted; the same message from elsewhere shows nothing new.
TEST_F(Inspector, SetsTheFieldsOfManyMovesOnceTheyAreTaken) {
    const BytesAtCaret bytes = BytesOf("0123456789abcdef"sv);
    inspector_.Update(100, std::nullopt, bytes);
    inspector_.Show(owner_, line_);
    SetTextCounter counter(inspector_.Handle());
    for (std::uint64_t caret = 101; caret <= 110; ++caret)
        inspector_.UpdateSoon(caret, std::nullopt, bytes);
    EXPECT_EQ(counter.Count(), 0) << "nothing before the messages are taken";
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    EXPECT_EQ(counter.Count(), 2) << "the last caret's two offsets, once";
    ExpectShows(110, std::nullopt, bytes);
    counter.Reset();
    SendMessageW(inspector_.Handle(), WM_APP + 1, 0, 0);
    EXPECT_EQ(counter.Count(), 0);
}

// Escape and Ctrl+I in it, and its close button, hide it and tell the owner; Tab moves
// between its fields. It stays clear of the caret's line as the line moves.
TEST_F(Inspector, ClosesByTheKeyboardAndAvoidsTheCaretLine) {
    inspector_.Show(owner_, line_);
    const HWND edit = Edit(InspectorValueId(ValueRow::Int8, false));
    MSG tab{edit, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    SetFocus(edit);
    EXPECT_TRUE(inspector_.TakeKeyboardMessage(tab));
    EXPECT_EQ(GetFocus(), Edit(InspectorValueId(ValueRow::UInt8, false)));
    MSG escape{edit, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(inspector_.TakeKeyboardMessage(escape));
    EXPECT_FALSE(inspector_.Shown());
    EXPECT_EQ(closed_, 1);
    EXPECT_FALSE(inspector_.TakeKeyboardMessage(escape)) << "hidden, it takes no keys";

    inspector_.Show(owner_, line_);
    BYTE keys[256]{};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG controlI{inspector_.Handle(), WM_KEYDOWN, 'I', 0, 0, {}};
    EXPECT_TRUE(inspector_.TakeKeyboardMessage(controlI));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(closed_, 2);
    MSG other{owner_, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    inspector_.Show(owner_, line_);
    EXPECT_FALSE(inspector_.TakeKeyboardMessage(other)) << "the owner's keys are its own";

    SendMessageW(inspector_.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(inspector_.Shown());
    EXPECT_NE(inspector_.Handle(), nullptr) << "hidden, not destroyed";
    EXPECT_EQ(closed_, 3);

    // Shown again where the user left it, unless that covers the line.
    inspector_.Show(owner_, line_);
    RECT own{};
    GetWindowRect(inspector_.Handle(), &own);
    const RECT below{own.left, own.bottom + 20, own.right, own.bottom + 36};
    inspector_.Avoid(below);
    RECT after{};
    GetWindowRect(inspector_.Handle(), &after);
    EXPECT_TRUE(EqualRect(&own, &after)) << Text(after);
    const RECT across{own.left - 50, own.top + 40, own.right + 50, own.top + 56};
    inspector_.Avoid(across);
    GetWindowRect(inspector_.Handle(), &after);
    EXPECT_FALSE(Overlap(after, across)) << Text(after);

    // Gone with its owner; shown again for a new one.
    DestroyWindow(owner_);
    owner_ = nullptr;
    EXPECT_EQ(inspector_.Handle(), nullptr);
    EXPECT_FALSE(inspector_.Shown());
    owner_ = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                             600, 400, nullptr, nullptr, nullptr, nullptr);
    inspector_.Update(5, std::nullopt, BytesOf("xyz"));
    inspector_.Show(owner_, line_);
    EXPECT_EQ(GetWindow(inspector_.Handle(), GW_OWNER), owner_);
    ExpectShows(5, std::nullopt, BytesOf("xyz"));
}

// The Select Block dialog, driven from a timer inside its modal loop: what the steps do runs
// there, and whatever happens the dialog is ended, so a failing test cannot hang.
class SelectBlock : public testing::Test {
protected:
    using Step = std::function<void(HWND dialog)>;

    std::optional<ByteSelection> Ask(std::uint64_t fileSize, Step step) {
        step_ = std::move(step);
        ran_ = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, &SelectBlock::OnTimer);
        const std::optional<ByteSelection> block = dialog_.Ask(nullptr, fileSize);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(ran_);
        return block;
    }
    static HWND Field(HWND dialog, int id) { return GetDlgItem(dialog, id); }
    static void Type(HWND dialog, int id, const wchar_t* text) {
        SetDlgItemTextW(dialog, id, text);
    }
    static void Press(HWND dialog, int id) { SendMessageW(Field(dialog, id), BM_CLICK, 0, 0); }

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &SelectBlock::FindDialog,
                          reinterpret_cast<LPARAM>(&dialog));
        if (dialog == nullptr || ran_)
            return;
        ran_ = true;
        step_(dialog);
        if (IsWindowVisible(dialog)) // not ended by the step
            EndDialog(dialog, IDCANCEL);
    }
    static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
        if (WindowText(window) != L"Select Block")
            return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }

    static inline Step step_;
    static inline bool ran_ = false;
    SelectBlockDialog dialog_{GetModuleHandleW(nullptr)};
    MessageBoxCapture boxes_;
};

// The start has the focus and Tab leads to the length; hex and Length until changed; Enter
// answers the block.
TEST_F(SelectBlock, StartThenLengthInHex) {
    const auto block = Ask(4096, [](HWND dialog) {
        EXPECT_EQ(GetFocus(), Field(dialog, IDC_SELECT_BLOCK_START));
        EXPECT_EQ(GetNextDlgTabItem(dialog, Field(dialog, IDC_SELECT_BLOCK_START), FALSE),
                  Field(dialog, IDC_SELECT_BLOCK_SECOND));
        EXPECT_EQ(WindowText(Field(dialog, IDC_SELECT_BLOCK_SECOND_LABEL)), L"&Length:");
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SELECT_BLOCK_LENGTH), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SELECT_BLOCK_HEX), BST_CHECKED);
        Type(dialog, IDC_SELECT_BLOCK_START, L"20");
        Type(dialog, IDC_SELECT_BLOCK_SECOND, L"10");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(std::pair(block->first, block->count), std::pair(0x20ull, 0x10ull));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// A refusal is said and its field gets the focus; the dialog stays until the entry is right.
// Switching to End writes the block as its end; the choices outlast the dialog.
TEST_F(SelectBlock, RefusalsFocusTheirFieldAndChoicesAreRemembered) {
    const auto block = Ask(4096, [this](HWND dialog) {
        Type(dialog, IDC_SELECT_BLOCK_START, L"1000");
        Type(dialog, IDC_SELECT_BLOCK_SECOND, L"1");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_EQ(boxes_.Boxes().size(), 1u);
        EXPECT_EQ(boxes_.Boxes()[0].text, L"\"1000\" lies beyond the dump. Offsets in this dump "
                                          L"run from 0 to 0xFFF (4095).");
        EXPECT_EQ(boxes_.Boxes()[0].style, UINT(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(GetFocus(), Field(dialog, IDC_SELECT_BLOCK_START));
        Type(dialog, IDC_SELECT_BLOCK_START, L"F00");
        Type(dialog, IDC_SELECT_BLOCK_SECOND, L"0");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_EQ(boxes_.Boxes().size(), 2u);
        EXPECT_EQ(GetFocus(), Field(dialog, IDC_SELECT_BLOCK_SECOND));
        ASSERT_TRUE(IsWindow(dialog));
        Type(dialog, IDC_SELECT_BLOCK_SECOND, L"10");
        Press(dialog, IDC_SELECT_BLOCK_END);
        EXPECT_EQ(WindowText(Field(dialog, IDC_SELECT_BLOCK_SECOND)), L"F0F");
        EXPECT_EQ(WindowText(Field(dialog, IDC_SELECT_BLOCK_SECOND_LABEL)), L"&End:");
        Press(dialog, IDC_SELECT_BLOCK_DECIMAL);
        Type(dialog, IDC_SELECT_BLOCK_START, L"3840");
        Type(dialog, IDC_SELECT_BLOCK_SECOND, L"3855");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(std::pair(block->first, block->count), std::pair(3840ull, 16ull));
    EXPECT_TRUE(dialog_.EndChosen());
    EXPECT_TRUE(dialog_.DecimalChosen());

    const auto cancelled = Ask(4096, [](HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SELECT_BLOCK_END), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SELECT_BLOCK_DECIMAL), BST_CHECKED);
        EXPECT_EQ(WindowText(Field(dialog, IDC_SELECT_BLOCK_SECOND_LABEL)), L"&End:");
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(cancelled.has_value());
}

} // namespace
} // namespace octolume::test
