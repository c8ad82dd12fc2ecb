#include "dump/inspector_window.h"

#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/report_error.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace octolume {

namespace {

// Posted to itself: UpdateSoon's fields, once the owner has painted.
constexpr UINT kRefreshSoonMessage = WM_APP + 1;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExtendedStyle = WS_EX_TOOLWINDOW;
constexpr DWORD kLabelStyle = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kEditStyle = WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL | ES_LEFT;
constexpr int kNoId = -1;

// The widest texts of each kind, so that no value is cut: the numbers of a column, and the
// texts of the rows that take both columns. Eights: the widest digits of most fonts.
constexpr std::array<std::wstring_view, 4> kWidestNumbers{
    L"-8.8888888888888888e-308", L"-9223372036854775808", L"18446744073709551615",
    L"0xFFFFFFFFFFFFFFFF"};
constexpr std::array<std::wstring_view, 2> kWidestWholeRows{
    L"{DDDDDDDD-DDDD-DDDD-DDDD-DDDDDDDDDDDD}", L"0000-00-00 00:00:00.0000000"};

bool Overlap(const RECT& a, const RECT& b) noexcept {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// No dump shown: no position at all.
InspectorPositions NoPositions() {
    InspectorPositions positions;
    for (PositionTexts& row : positions.rows)
        row = {std::wstring(kNoValue), std::wstring(kNoValue)};
    return positions;
}

FontHandle CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    FontHandle font;
    if (External(::SystemParametersInfoW, SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font.reset(External(::CreateFontIndirectW, &metrics.lfMessageFont));
    if (!font)
        throw AppError(error_number::kInternal, L"Unable to create the inspector's font");
    return font;
}

// The sizes the layout needs, measured in the font.
struct Metrics {
    int textHeight = 0;
    int labelWidth = 0;
    int columnWidth = 0;
};

int TextWidth(HDC dc, std::wstring_view text) {
    SIZE size{};
    External(::GetTextExtentPoint32W, dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

} // namespace

POINT InspectorPlace(SIZE size, const RECT& owner, const RECT& caretLine, const RECT& workArea) {
    const auto clampX = [&](LONG x) {
        return std::max(workArea.left, std::min(x, workArea.right - size.cx));
    };
    const auto clampY = [&](LONG y) {
        return std::max(workArea.top, std::min(y, workArea.bottom - size.cy));
    };
    const auto fits = [&](POINT at) {
        const RECT place{at.x, at.y, at.x + size.cx, at.y + size.cy};
        return at.x >= workArea.left && at.y >= workArea.top && place.right <= workArea.right &&
               place.bottom <= workArea.bottom && !Overlap(place, caretLine);
    };
    const std::array<POINT, 4> choices{{
        {owner.right, clampY(owner.top)},
        {owner.left - size.cx, clampY(owner.top)},
        {clampX(owner.right - size.cx), caretLine.bottom},
        {clampX(owner.right - size.cx), caretLine.top - size.cy},
    }};
    for (const POINT& at : choices)
        if (fits(at))
            return at;
    // Taller than the room above and below the line: on the side with more of it.
    const bool below = workArea.bottom - caretLine.bottom >= caretLine.top - workArea.top;
    return {clampX(owner.right - size.cx),
            clampY(below ? caretLine.bottom : caretLine.top - size.cy)};
}

InspectorWindow::~InspectorWindow() {
    if (window_ != nullptr)
        External(::DestroyWindow, window_);
}

bool InspectorWindow::Shown() const {
    return window_ != nullptr && External(::IsWindowVisible, window_);
}

void InspectorWindow::Show(HWND owner, const RECT& caretLineOnScreen) {
    if (window_ != nullptr && owner != owner_)
        External(::DestroyWindow, window_); // forgets it on WM_NCDESTROY
    if (window_ == nullptr)
        Create(owner);
    Refresh();
    if (placed_) {
        Avoid(caretLineOnScreen);
    } else {
        RECT own{}, ownerRect{};
        External(::GetWindowRect, window_, &own);
        External(::GetWindowRect, owner_, &ownerRect);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        External(::GetMonitorInfoW,
                 External(::MonitorFromRect, &ownerRect, MONITOR_DEFAULTTONEAREST), &monitor);
        const POINT at = InspectorPlace({own.right - own.left, own.bottom - own.top}, ownerRect,
                                        caretLineOnScreen, monitor.rcWork);
        External(::SetWindowPos, window_, nullptr, at.x, at.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        placed_ = true;
    }
    External(::ShowWindow, window_, SW_SHOWNOACTIVATE);
}

void InspectorWindow::Hide() {
    if (!Shown())
        return;
    // Hiding the active window activates another; the owner is the one the user came from.
    const bool active = External(::GetActiveWindow) == window_;
    External(::ShowWindow, window_, SW_HIDE);
    if (active && owner_ != nullptr)
        External(::SetActiveWindow, owner_);
}

void InspectorWindow::Update(std::optional<std::uint64_t> caret,
                             std::optional<ByteSelection> selection, const BytesAtCaret& bytes) {
    caret_ = caret;
    selection_ = selection;
    bytes_ = bytes;
    if (Shown())
        Refresh();
}

void InspectorWindow::UpdateSoon(std::optional<std::uint64_t> caret,
                                 std::optional<ByteSelection> selection,
                                 const BytesAtCaret& bytes) {
    caret_ = caret;
    selection_ = selection;
    bytes_ = bytes;
    if (Shown() && !refreshPending_)
        refreshPending_ = External(::PostMessageW, window_, kRefreshSoonMessage, 0, 0) != FALSE;
}

// Carries nothing: sent by another program it only shows what is already to be shown.
void InspectorWindow::OnRefreshSoon() {
    refreshPending_ = false;
    if (owner_ != nullptr)
        External(::RedrawWindow, owner_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (Shown())
        Refresh();
}

void InspectorWindow::Avoid(const RECT& caretLineOnScreen) {
    if (window_ == nullptr || owner_ == nullptr)
        return;
    RECT own{};
    External(::GetWindowRect, window_, &own);
    if (!Overlap(own, caretLineOnScreen))
        return;
    RECT ownerRect{};
    External(::GetWindowRect, owner_, &ownerRect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    External(::GetMonitorInfoW, External(::MonitorFromRect, &own, MONITOR_DEFAULTTONEAREST),
             &monitor);
    const POINT at = InspectorPlace({own.right - own.left, own.bottom - own.top}, ownerRect,
                                    caretLineOnScreen, monitor.rcWork);
    External(::SetWindowPos, window_, nullptr, at.x, at.y, 0, 0,
             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool InspectorWindow::TakeKeyboardMessage(MSG& message) {
    if (!Shown() || (message.hwnd != window_ && !External(::IsChild, window_, message.hwnd)))
        return false;
    if (message.message == WM_KEYDOWN &&
        (message.wParam == VK_ESCAPE ||
         (message.wParam == 'I' && External(::GetKeyState, VK_CONTROL) < 0))) {
        CloseByUser();
        return true;
    }
    return External(::IsDialogMessageW, window_, &message) != FALSE;
}

void InspectorWindow::Create(HWND owner) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &InspectorWindow::WindowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hCursor = External(::LoadCursorW, nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kInspectorWindowClass;
    RegisterWindowClass(windowClass);
    if (!font_)
        font_ = CreateMessageFont();
    owner_ = owner;
    const HWND window =
        External(::CreateWindowExW, kExtendedStyle, kInspectorWindowClass, kInspectorTitle, kStyle,
                 0, 0, 0, 0, owner, nullptr, instance_, this);
    if (window == nullptr)
        throw AppError(error_number::kInternal, L"Unable to create the inspector");
    // Whatever a window before this one showed, these controls show nothing yet.
    positionsShown_ = false;
    shownCaret_.reset();
    shownSelection_.reset();
    shownBytes_.reset();
    shownPositions_ = {};
    shownValues_ = {};
    placed_ = false;
    refreshPending_ = false;
    try {
        CreateControls();
    } catch (...) {
        External(::DestroyWindow, window_);
        throw;
    }
}

HWND InspectorWindow::CreateChild(const wchar_t* className, const wchar_t* text, DWORD style,
                                  int id, const RECT& place) {
    const bool edit = id != kNoId;
    const HWND child =
        External(::CreateWindowExW, edit ? WS_EX_CLIENTEDGE : 0, className, text,
                 WS_CHILD | WS_VISIBLE | style, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, window_,
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(edit ? id : 0)), instance_, nullptr);
    if (child == nullptr)
        throw AppError(error_number::kInternal,
                       L"Unable to create the control " + std::wstring(className));
    Send(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return child;
}

// Two blocks of rows under a caption line each: the positions (hex, decimal), then the
// values (little-endian, big-endian), a value of one text taking both columns.
void InspectorWindow::CreateControls() {
    Metrics metrics;
    {
        ScreenDcHandle dc(External(::GetDC, nullptr));
        const SelectionScope font(dc.get(), font_.get());
        TEXTMETRICW text{};
        External(::GetTextMetricsW, dc.get(), &text);
        metrics.textHeight = text.tmHeight;
        for (const std::wstring_view label : kPositionRowLabels)
            metrics.labelWidth = std::max(metrics.labelWidth, TextWidth(dc.get(), label));
        for (const ValueRowKind& row : kValueRows)
            metrics.labelWidth = std::max(metrics.labelWidth, TextWidth(dc.get(), row.label));
        for (const std::wstring_view number : kWidestNumbers)
            metrics.columnWidth = std::max(metrics.columnWidth, TextWidth(dc.get(), number));
        for (const std::wstring_view whole : kWidestWholeRows)
            metrics.columnWidth =
                std::max(metrics.columnWidth, (TextWidth(dc.get(), whole) + 1) / 2);
    }
    const int margin = metrics.textHeight / 2 + 2;
    const int gap = metrics.textHeight / 3 + 1;
    // The edit's border and inner margins around its text.
    const int editHeight = metrics.textHeight + 8;
    // The edit's border and its margins, which Wine makes wider than the system does.
    const int columnWidth = metrics.columnWidth + metrics.textHeight + 12;
    const int left = margin + metrics.labelWidth + 2 * gap;
    const int right = left + 2 * columnWidth + gap;
    int y = margin;

    const auto caption = [&](const wchar_t* first, const wchar_t* second) {
        CreateChild(L"STATIC", first, kLabelStyle, kNoId,
                    {left, y, left + columnWidth, y + metrics.textHeight});
        CreateChild(L"STATIC", second, kLabelStyle, kNoId,
                    {left + columnWidth + gap, y, right, y + metrics.textHeight});
        y += metrics.textHeight + gap;
    };
    // A label, then its edit or edits: screen readers name an edit by the label before it.
    const auto row = [&](std::wstring_view label, int firstId, std::optional<int> secondId) {
        const int labelTop = y + (editHeight - metrics.textHeight) / 2;
        CreateChild(L"STATIC", std::wstring(label).c_str(), kLabelStyle, kNoId,
                    {margin, labelTop, left - gap, labelTop + metrics.textHeight});
        if (secondId) {
            CreateChild(L"EDIT", L"", kEditStyle, firstId,
                        {left, y, left + columnWidth, y + editHeight});
            CreateChild(L"EDIT", L"", kEditStyle, *secondId,
                        {left + columnWidth + gap, y, right, y + editHeight});
        } else {
            CreateChild(L"EDIT", L"", kEditStyle, firstId, {left, y, right, y + editHeight});
        }
        y += editHeight + 2;
    };

    caption(L"Hex", L"Decimal");
    for (std::size_t index = 0; index < kPositionRowCount; ++index) {
        const auto position = static_cast<PositionRow>(index);
        row(kPositionRowLabels[index], InspectorPositionId(position, false),
            InspectorPositionId(position, true));
    }
    y += gap;
    caption(L"Little-endian", L"Big-endian");
    for (std::size_t index = 0; index < kValueRowCount; ++index) {
        const auto value = static_cast<ValueRow>(index);
        row(kValueRows[index].label, InspectorValueId(value, false),
            kValueRows[index].bothByteOrders ? std::optional(InspectorValueId(value, true))
                                             : std::nullopt);
    }

    RECT frame{0, 0, right + margin, y + margin};
    External(::AdjustWindowRectEx, &frame, kStyle, FALSE, kExtendedStyle);
    External(::SetWindowPos, window_, nullptr, 0, 0, frame.right - frame.left,
             frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InspectorWindow::SetText(int id, const std::wstring& text) {
    Send(External(::GetDlgItem, window_, id), WM_SETTEXT, 0, text.c_str());
}

// Only what changed is worked out, and only the controls whose text changed are set: a
// control set to its own text again would still be drawn again.
void InspectorWindow::Refresh() {
    if (window_ == nullptr)
        return;
    if (!positionsShown_ || shownCaret_ != caret_ || shownSelection_ != selection_) {
        const InspectorPositions positions =
            caret_ ? InspectPositions(*caret_, selection_) : NoPositions();
        for (std::size_t index = 0; index < kPositionRowCount; ++index) {
            const auto position = static_cast<PositionRow>(index);
            const PositionTexts& now = positions[position];
            const PositionTexts& before = shownPositions_[position];
            if (now.hex != before.hex)
                SetText(InspectorPositionId(position, false), now.hex);
            if (now.decimal != before.decimal)
                SetText(InspectorPositionId(position, true), now.decimal);
        }
        shownPositions_ = positions;
        positionsShown_ = true;
        shownCaret_ = caret_;
        shownSelection_ = selection_;
    }
    if (shownBytes_ != bytes_) {
        const InspectorValues values = InspectValues(bytes_);
        for (std::size_t index = 0; index < kValueRowCount; ++index) {
            const auto value = static_cast<ValueRow>(index);
            const ValueTexts& now = values[value];
            const ValueTexts& before = shownValues_[value];
            if (now.text != before.text)
                SetText(InspectorValueId(value, false), now.text);
            if (kValueRows[index].bothByteOrders && now.bigEndianText != before.bigEndianText)
                SetText(InspectorValueId(value, true), now.bigEndianText);
        }
        shownValues_ = values;
        shownBytes_ = bytes_;
    }
}

void InspectorWindow::CloseByUser() {
    Hide();
    if (closed_)
        closed_();
}

LRESULT CALLBACK InspectorWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    InspectorWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<InspectorWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        External(::SetWindowLongPtrW, window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<InspectorWindow*>(
            External(::GetWindowLongPtrW, window, GWLP_USERDATA));
    }
    if (self == nullptr)
        return External(::DefWindowProcW, window, message, wParam, lParam);
    // No exception may cross back into the window system.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ReportError(CaughtError(), L"frmInspector.WindowProcedure");
        return External(::DefWindowProcW, window, message, wParam, lParam);
    }
}

LRESULT InspectorWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Kept here: the handle is forgotten on WM_NCDESTROY, before the default handling.
    const HWND window = window_;
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case kRefreshSoonMessage:
        OnRefreshSoon();
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy();
        break;
    default:
        break;
    }
    return External(::DefWindowProcW, window, message, wParam, lParam);
}

void InspectorWindow::OnCommand(WORD command) {
    if (command == IDCANCEL)
        CloseByUser();
}

void InspectorWindow::OnClose() {
    CloseByUser();
}

// Gone with its owner, or destroyed here: a later Show creates it again.
void InspectorWindow::OnNcDestroy() {
    External(::SetWindowLongPtrW, window_, GWLP_USERDATA, 0);
    window_ = nullptr;
}

} // namespace octolume
