// The program's text view in process, as the user and other programs use it: the edit queries
// over its text and line index (without a window), scrolling past 16-bit positions, selection and
// copy, the redraw switch, painting only what is in sight, and what accessibility tools read.
#include "view/edit_queries.h"
#include "view/line_indexed_text.h"
#include "view/text_view.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <cstdio>

// The slot of the program's calls to ExtTextOutW: the test counts the calls through it.
extern "C" void* extTextOutSlot __asm__("__imp__ExtTextOutW@32");

namespace octolume::test {
namespace {

// `count` lines "0000000 x" with CR LF, and an empty line after the last break.
std::wstring NumberedLines(std::size_t count) {
    std::wstring text(count * 11, L'\0');
    for (std::size_t line = 0; line < count; ++line)
        std::swprintf(text.data() + line * 11, 12, L"%07zu x\r\n", line);
    return text;
}

class TextView : public testing::Test {
protected:
    void SetUp() override {
        ShowWindow(window_.Frame(), SW_SHOWNORMAL);
        const HDC dc = GetDC(view());
        const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(Send(WM_GETFONT)));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(view(), dc);
        cell_ = {metrics.tmAveCharWidth, metrics.tmHeight};
    }
    HWND view() const { return window_.View(); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(view(), message, wParam, lParam);
    }
    std::wstring Line(int line) const {
        std::wstring buffer(200, L'\0');
        *reinterpret_cast<WORD*>(buffer.data()) = 200;
        buffer.resize(Send(EM_GETLINE, line, reinterpret_cast<LPARAM>(buffer.data())));
        return buffer;
    }
    std::pair<DWORD, DWORD> Selection() const {
        DWORD start = 7, end = 7;
        Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    std::size_t FirstLine() const { return Send(EM_GETFIRSTVISIBLELINE); }
    // A key as the user presses it, with Ctrl and Shift as given.
    void Key(WPARAM key, bool control = false, bool shift = false) const {
        BYTE keys[256]{};
        keys[VK_CONTROL] = control ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        Send(WM_KEYDOWN, key, 1);
        keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }
    // The middle of the character cell at a line and column in sight.
    LPARAM At(int row, int column) const {
        return MAKELPARAM(2 + column * cell_.cx + cell_.cx / 4, row * cell_.cy + cell_.cy / 2);
    }

    ViewerWindow window_;
    SIZE cell_{};
};

// Line breaks are CR LF, or CR or LF alone; CR LF is one break of two characters, and the
// positions that the queries take and give count it. Answered from the text alone, no window.
TEST(EditQueries, ReadBackEveryTextAndIndexItsLines) {
    LineIndexedText text;
    const auto ask = [&](UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return AnswerEditQuery({text, {}, 0}, message, wParam, lParam).value_or(-99);
    };
    const auto line = [&](std::size_t number) {
        std::wstring buffer(200, L'\0');
        *reinterpret_cast<WORD*>(buffer.data()) = 200;
        buffer.resize(ask(EM_GETLINE, number, reinterpret_cast<LPARAM>(buffer.data())));
        return buffer;
    };
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> lines;
        std::vector<LRESULT> starts;
    };
    const Case cases[] = {
        {L"", {L""}, {0}},
        {L"abc", {L"abc"}, {0}},
        {L"ab\r\ncd", {L"ab", L"cd"}, {0, 4}},
        {L"\r\n\r\n", {L"", L"", L""}, {0, 2, 4}},
        {L"a\nb\rc\r\n\rd\r", {L"a", L"b", L"c", L"", L"d", L""}, {0, 2, 4, 7, 8, 10}},
        {L"x\r\r\ny", {L"x", L"", L"y"}, {0, 2, 4}},
        // CR LF across two runs of eight characters, as the index reads them.
        {L"0123456\r\n89abcdef\rX\n", {L"0123456", L"89abcdef", L"X", L""}, {0, 9, 18, 20}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        text.Assign(c.text);
        std::wstring whole(100, L'?');
        whole.resize(ask(WM_GETTEXT, whole.size(), reinterpret_cast<LPARAM>(whole.data())));
        EXPECT_EQ(whole, c.text);
        const auto count = static_cast<LRESULT>(c.lines.size());
        ASSERT_EQ(ask(EM_GETLINECOUNT), count);
        for (LRESULT number = 0; number < count; ++number) {
            EXPECT_EQ(ask(EM_LINEINDEX, number), c.starts[number]);
            EXPECT_EQ(ask(EM_LINELENGTH, c.starts[number]), LRESULT(c.lines[number].size()));
            EXPECT_EQ(line(number), c.lines[number]);
            const LRESULT next = number + 1 < count ? c.starts[number + 1] : lstrlenW(c.text) + 1;
            for (LRESULT position = c.starts[number]; position < next; ++position)
                EXPECT_EQ(ask(EM_LINEFROMCHAR, position), number) << position;
        }
        EXPECT_EQ(ask(EM_LINEINDEX, count), -1);
    }
    // Of every size class, up to the dump of 16 MiB.
    for (const std::size_t lines : {65535u, 65537u, 1048578u}) {
        text.Assign(NumberedLines(lines));
        ASSERT_EQ(ask(WM_GETTEXTLENGTH), LRESULT(lines * 11));
        EXPECT_EQ(ask(EM_GETLINECOUNT), LRESULT(lines + 1));
        for (const std::size_t number : {std::size_t{0}, lines / 2, lines - 1}) {
            EXPECT_EQ(ask(EM_LINEINDEX, number), LRESULT(number * 11));
            EXPECT_EQ(ask(EM_LINEFROMCHAR, number * 11 + 10), LRESULT(number));
            wchar_t expected[12];
            std::swprintf(expected, 12, L"%07zu x", number);
            EXPECT_EQ(line(number), expected);
        }
        EXPECT_EQ(line(lines), L"");
    }
    // A buffer too short takes what fits and its NUL.
    wchar_t shortBuffer[4] = {L'?', L'?', L'?', L'?'};
    EXPECT_EQ(ask(WM_GETTEXT, 4, reinterpret_cast<LPARAM>(shortBuffer)), 3);
    EXPECT_EQ(std::wstring(shortBuffer), L"000");
    // Selected: 2 to 13, lines 0 to 1 of "0000000 x"; 9 unselected characters on them.
    EXPECT_EQ(AnswerEditQuery({text, {13, 2}, 5}, EM_LINELENGTH, WPARAM(-1), 0), 2 + 7);
    EXPECT_EQ(AnswerEditQuery({text, {13, 2}, 5}, EM_GETSEL, 0, 0), MAKELRESULT(2, 13));
    EXPECT_EQ(AnswerEditQuery({text, {13, 2}, 5}, EM_GETFIRSTVISIBLELINE, 0, 0), 5);
    EXPECT_EQ(AnswerEditQuery({text, {}, 0}, WM_SETTEXT, 0, 0), std::nullopt);
}

// Positions are 32-bit: a position cut at 16 bits would show line 84,464 instead of 150,000.
TEST_F(TextView, ScrollsPast65535LinesByBarKeysAndWheel) {
    octolume::TextView::Of(view())->SetText(NumberedLines(200000));
    SetScrollPos(view(), SB_VERT, 150000, FALSE);
    Send(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 150000 & 0xFFFF));
    EXPECT_EQ(FirstLine(), 150000u);
    RECT client{};
    GetClientRect(view(), &client);
    const std::size_t inSight = client.bottom / cell_.cy;
    Send(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(FirstLine(), 200001 - inSight);
    EXPECT_EQ(GetScrollPos(view(), SB_VERT), int(200001 - inSight));
    Key(VK_HOME, true);
    EXPECT_EQ(FirstLine(), 0u);
    EXPECT_EQ(Selection(), std::pair(0ul, 0ul));
    Key(VK_END, true);
    EXPECT_EQ(Selection(), std::pair(2200000ul, 2200000ul));
    EXPECT_EQ(FirstLine(), 200001 - inSight);
    Key(VK_HOME, true);
    Key(VK_DOWN, false, true);
    Key(VK_DOWN, false, true);
    Key(VK_RIGHT, false, true);
    EXPECT_EQ(Selection(), std::pair(0ul, 23ul));
    Key(VK_NEXT);
    const auto onPage = DWORD((inSight + 2) * 11 + 1); // a page down, in the same column
    EXPECT_EQ(FirstLine(), inSight);
    EXPECT_EQ(Selection(), std::pair(onPage, onPage));
    Key(VK_HOME, true);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA));
    EXPECT_EQ(FirstLine(), 3u); // the system's three lines a notch
    SetWindowTextW(view(), std::wstring(2000, L'w').c_str());
    Send(WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA));
    Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, -WHEEL_DELTA));
    EXPECT_EQ(GetScrollPos(view(), SB_HORZ), 6);
}

// What is selected is what goes to the clipboard, the last line of a text without a last break
// included.
TEST_F(TextView, SelectsByMouseAndKeysAndCopiesExactlyTheSelection) {
    const std::wstring text = L"first line\r\nsecond word here\r\nlast";
    SetWindowTextW(view(), text.c_str());
    Key('A', true);
    Key('C', true);
    EXPECT_EQ(Selection(), std::pair(0ul, DWORD(text.size())));
    EXPECT_EQ(ClipboardText(), text);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(1, 7));
    Send(WM_LBUTTONUP, 0, At(1, 7));
    EXPECT_EQ(Selection(), std::pair(19ul, 19ul));
    EXPECT_EQ(GetFocus(), view());
    Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, At(2, 2));
    Send(WM_LBUTTONUP, 0, At(2, 2));
    EXPECT_EQ(Selection(), std::pair(19ul, 32ul));
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, At(1, 8));
    EXPECT_EQ(Selection(), std::pair(19ul, 23ul)); // "word"
    Send(WM_COPY);
    EXPECT_EQ(ClipboardText(), L"word");
    // Dragged from the first character to past the end of the last line.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(0, 0));
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(2, 30));
    Send(WM_LBUTTONUP, 0, At(2, 30));
    EXPECT_EQ(Selection(), std::pair(0ul, DWORD(text.size())));
    // Dragged below the view: it scrolls along.
    octolume::TextView::Of(view())->SetText(NumberedLines(1000));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(0, 0));
    for (int move = 0; move < 5; ++move)
        Send(WM_MOUSEMOVE, MK_LBUTTON, At(60, 3));
    Send(WM_LBUTTONUP, 0, At(60, 3));
    RECT client{};
    GetClientRect(view(), &client);
    const std::size_t lastInSight = FirstLine() + client.bottom / cell_.cy - 1;
    EXPECT_GT(FirstLine(), 0u);
    EXPECT_EQ(Selection(), std::pair(0ul, DWORD(lastInSight * 11 + 3)));
}

// Scrolled sideways in a narrow view to keep the caret in sight, the view gives the room it
// gains back to the columns on the left: the first column comes back into sight.
TEST_F(TextView, AWiderViewBringsTheFirstColumnBackIntoSight) {
    std::wstring lines;
    for (int line = 0; line < 40; ++line)
        lines += std::wstring(78, L'0' + line % 10) + L"\r\n";
    octolume::TextView::Of(view())->SetText(lines);
    RECT place{};
    GetWindowRect(view(), &place);
    const auto resize = [&](int width) {
        SetWindowPos(view(), nullptr, 0, 0, width, place.bottom - place.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    };
    SetFocus(view());
    resize(10 * cell_.cx);
    for (int step = 0; step < 30; ++step)
        Key(VK_RIGHT);
    ASSERT_GT(GetScrollPos(view(), SB_HORZ), 0) << "the caret kept in sight";
    resize(place.right - place.left);
    EXPECT_EQ(GetScrollPos(view(), SB_HORZ), 0);
    Key(VK_END); // at the line's end the caret keeps its own columns in sight
    resize(10 * cell_.cx);
    resize(place.right - place.left);
    EXPECT_EQ(SendMessageW(view(), EM_GETSEL, 0, 0), MAKELRESULT(78, 78));
    EXPECT_GT(GetScrollPos(view(), SB_HORZ), 0);
}

// The selection stands out also while another window has the focus (a Find dialog, say):
// the highlight at a reduced strength, clearly apart from the window's colour and the grey
// of a button face.
TEST_F(TextView, ASelectionStandsOutWithAndWithoutTheFocus) {
    SetWindowTextW(view(), L"    selected blanks");
    Send(EM_SETSEL, 0, 4);
    const auto background = [&] {
        RedrawWindow(view(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const HDC dc = GetDC(view());
        const COLORREF colour = GetPixel(dc, 2 + cell_.cx, cell_.cy / 2);
        ReleaseDC(view(), dc);
        return colour;
    };
    const auto distance = [](COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b));
    };
    SetFocus(view());
    EXPECT_EQ(background(), GetSysColor(COLOR_HIGHLIGHT));
    SetFocus(window_.Frame());
    const COLORREF unfocused = background();
    EXPECT_GE(distance(unfocused, GetSysColor(COLOR_WINDOW)), 90) << std::hex << unfocused;
    EXPECT_GE(distance(unfocused, GetSysColor(COLOR_BTNFACE)), 60) << std::hex << unfocused;
    EXPECT_GE(distance(unfocused, GetSysColor(COLOR_WINDOWTEXT)), 300) << "the text unreadable";
}

struct ExtTextOutCount {
    ExtTextOutCount() {
        DWORD old = 0;
        VirtualProtect(&extTextOutSlot, sizeof(void*), PAGE_READWRITE, &old);
        original = std::exchange(extTextOutSlot, reinterpret_cast<void*>(&Counting));
        calls = 0;
    }
    ~ExtTextOutCount() { extTextOutSlot = original; }
    static BOOL WINAPI Counting(HDC dc, int x, int y, UINT options, const RECT* area,
                                const wchar_t* text, UINT length, const INT* advances) {
        ++calls;
        return reinterpret_cast<decltype(&Counting)>(original)(dc, x, y, options, area, text,
                                                               length, advances);
    }
    static inline void* original = nullptr;
    static inline int calls = 0;
};

// Dark pixels of the first line in sight, as the screen shows them.
int InkOnFirstLine(HWND view, SIZE cell) {
    const HDC dc = GetDC(view);
    int ink = 0;
    for (int x = 2; x < 2 + 8 * cell.cx; ++x)
        for (int y = 0; y < cell.cy; ++y)
            ink += GetRValue(GetPixel(dc, x, y)) < 128;
    ReleaseDC(view, dc);
    return ink;
}

// The view's pixels as the screen shows them, its border and scroll bars included.
std::vector<DWORD> Pixels(HWND view) {
    RECT client{};
    GetWindowRect(view, &client);
    OffsetRect(&client, -client.left, -client.top);
    const HDC dc = GetWindowDC(view);
    const HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits),
                              static_cast<const DWORD*>(bits) + client.right * client.bottom);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(view, dc);
    return pixels;
}

// A paint draws the rows in sight, as many near the end of a million lines as at the top of
// a hundred; a scroll moves what stays in sight and paints only the rows it brings in, to the
// same pixels as a whole repaint, scroll boxes included; with redrawing off the view paints
// nothing.
TEST_F(TextView, PaintsOnlyWhatIsInSightAndNothingWhileRedrawIsOff) {
    // A repaint of the whole view, after what earlier changes left to paint.
    const auto paint = [&] {
        UpdateWindow(view());
        ExtTextOutCount count;
        RedrawWindow(view(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return count.calls;
    };
    octolume::TextView::Of(view())->SetText(NumberedLines(100));
    const int shortText = paint();
    octolume::TextView::Of(view())->SetText(NumberedLines(1048578));
    // Every row in sight a numbered line, as at the top of the short text.
    Send(WM_VSCROLL, SB_BOTTOM);
    Send(WM_VSCROLL, SB_LINEUP);
    Send(WM_VSCROLL, SB_LINEUP);
    const int longText = paint();
    EXPECT_GT(shortText, 0);
    EXPECT_EQ(longText, shortText);

    // Two wheel notches waiting in the queue, down six lines; then three lines sideways.
    octolume::TextView::Of(view())->SetText(NumberedLines(1000) + std::wstring(200, L'w'));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(3, 2)); // a selection and the caret in the moved part
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(5, 6));
    Send(WM_LBUTTONUP, 0, At(5, 6));
    paint();
    for (int notch = 0; notch < 2; ++notch)
        PostMessageW(view(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    int scrolledCalls = 0;
    {
        ExtTextOutCount scrolled;
        for (MSG message; PeekMessageW(&message, view(), 0, 0, PM_REMOVE);)
            DispatchMessageW(&message);
        UpdateWindow(view());
        scrolledCalls = scrolled.calls;
    }
    EXPECT_EQ(FirstLine(), 6u);
    EXPECT_LE(scrolledCalls, longText / 2) << "more painted than came into sight";
    const std::vector<DWORD> moved = Pixels(view());
    const auto repaintWhole = [&] {
        RedrawWindow(view(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        return Pixels(view());
    };
    EXPECT_TRUE(repaintWhole() == moved) << "the pixels moved differ from a whole repaint";
    Send(WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA));
    UpdateWindow(view());
    EXPECT_EQ(GetScrollPos(view(), SB_HORZ), 3);
    const std::vector<DWORD> sideways = Pixels(view());
    EXPECT_TRUE(repaintWhole() == sideways) << "the pixels moved sideways differ";
    SetFocus(nullptr); // no caret in the pictures below

    SetWindowTextW(view(), L"");
    UpdateWindow(view());
    EXPECT_EQ(InkOnFirstLine(view(), cell_), 0);
    Send(WM_SETREDRAW, FALSE);
    SetWindowTextW(view(), L"MMMMMMMM");
    RedrawWindow(view(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(InkOnFirstLine(view(), cell_), 0) << "painted while redraw was off";
    Send(WM_SETREDRAW, TRUE);
    RedrawWindow(view(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GT(InkOnFirstLine(view(), cell_), 0);
}

// Accessibility tools get the system's proxy of an edit control, which reads what every
// system has: the window's style (read-only, multi-line) and the edit queries (text, its
// length, the selection). The proxy itself (role "text", the read-only state, the dump as the
// value) exists only on Windows, and only there is it checked; Wine's oleacc has none and
// gives its plain client object, which the view must hand out without a crash.
TEST_F(TextView, AccessibilityToolsSeeAReadOnlyTextField) {
    SetWindowTextW(view(), L"some text");
    Send(EM_SETSEL, 5, 9);
    const auto style = static_cast<DWORD>(GetWindowLongW(view(), GWL_STYLE));
    EXPECT_EQ(style & (ES_READONLY | ES_MULTILINE), DWORD(ES_READONLY | ES_MULTILINE));
    EXPECT_EQ(WindowText(view()), L"some text");
    EXPECT_EQ(Selection(), std::pair(5ul, 9ul));
    Microsoft::WRL::ComPtr<IAccessible> object;
    ASSERT_EQ(AccessibleObjectFromWindow(view(), OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(object.GetAddressOf())),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{}, state{};
    ASSERT_EQ(object->get_accRole(self, &role), S_OK);
    ASSERT_EQ(object->get_accState(self, &state), S_OK);
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        EXPECT_EQ(role.lVal, ROLE_SYSTEM_CLIENT);
        return;
    }
    BSTR value = nullptr;
    object->get_accValue(self, &value);
    const std::wstring valueText = value ? value : L"(none)";
    SysFreeString(value);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_TEXT);
    EXPECT_TRUE(state.lVal & STATE_SYSTEM_READONLY) << std::hex << state.lVal;
    EXPECT_EQ(valueText, L"some text");
}

} // namespace
} // namespace octolume::test
