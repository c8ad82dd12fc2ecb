#include "text_view.h"

#include "resource.h"
#include "view_text.h"

#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"
#include "support/report_error.h"

#include <oleacc.h>
#include <windowsx.h>
#include <wrl/client.h>

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace octolume {

namespace {

using Microsoft::WRL::ComPtr;

// The program hands a text over without a copy: lParam points at the std::wstring to take.
constexpr UINT kTakeText = WM_USER + 0x100;
constexpr int kTextMargin = 2; // pixels left of the first column
constexpr UINT_PTR kAutoScrollTimer = 1;
constexpr UINT kAutoScrollMs = 50;
constexpr UINT kCopyCommand = 1;
constexpr UINT kSelectAllCommand = 2;
constexpr UINT kDefaultWheelStep = 3;

bool KeyDown(int key) {
    return External(::GetKeyState, key) < 0;
}

class TextView {
public:
    explicit TextView(HWND window) : window_(window) {}

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Colours {
        COLORREF text;
        COLORREF background;
    };

    // Text and selection.
    void SetText(std::wstring text);
    std::size_t SelectionStart() const noexcept { return std::min(anchor_, caret_); }
    std::size_t SelectionEnd() const noexcept { return std::max(anchor_, caret_); }
    void Select(std::size_t anchor, std::size_t caret);
    void MoveCaret(std::size_t position, bool extend, bool keepGoalColumn = false);
    void SelectAll() { Select(0, text_.Length()); }
    void Copy();
    void CopyReportingFailure();
    std::size_t ColumnOf(std::size_t position) const {
        return position - text_.LineStart(text_.LineOf(position));
    }

    // Geometry and scrolling.
    void MeasureFont();
    std::size_t VisibleLines() const;
    std::size_t VisibleColumns() const;
    std::size_t LastFirstLine() const;
    std::size_t LastFirstColumn() const;
    void ScrollTo(long long line, long long column);
    void ScrollBy(long long lines, long long columns) {
        ScrollTo(static_cast<long long>(firstLine_) + lines,
                 static_cast<long long>(firstColumn_) + columns);
    }
    void ScrollCaretIntoView();
    void UpdateScrollBars(bool drawNow = true);
    void Invalidate();
    void PlaceCaret();
    std::size_t PositionAt(POINT point) const;
    int ColumnX(std::size_t column) const {
        return kTextMargin + static_cast<int>(column - firstColumn_) * charWidth_;
    }

    // Messages.
    void OnPaint();
    void PaintRow(HDC dc, int row, const RECT& client);
    void PaintRun(HDC dc, int left, int right, int top, std::wstring_view text, Colours colours);
    void OnSetRedraw(bool redraw);
    void OnFocus(bool focused);
    void OnKeyDown(WPARAM key);
    void OnScroll(int bar, WORD request);
    void OnWheel(int delta, bool sideways);
    void OnButtonDown(POINT point, bool extend);
    void OnDoubleClick(POINT point);
    void OnAutoScroll();
    void OnContextMenu(LPARAM screenPoint);
    LRESULT OnGetAccessibleObject(WPARAM flags, LPARAM objectId);
    LRESULT CopyText(wchar_t* buffer, std::size_t capacity) const;
    LRESULT CopyLine(std::size_t line, wchar_t* buffer) const;
    LRESULT UnselectedOnSelectedLines() const;

    HWND window_;
    ViewText text_;
    HFONT font_ = nullptr;
    int charWidth_ = 8;
    int lineHeight_ = 16;
    std::size_t firstLine_ = 0;
    std::size_t firstColumn_ = 0;
    std::size_t anchor_ = 0;
    std::size_t caret_ = 0;
    // Up and down keep to the column the caret last took by itself.
    std::size_t goalColumn_ = 0;
    bool redraw_ = true;
    bool focused_ = false;
    bool selecting_ = false;
    int wheelRest_[2] = {0, 0}; // vertical, sideways: less than a notch
    std::vector<int> advances_; // one character width per glyph drawn
};

// --- Text and selection ---------------------------------------------------------------

void TextView::SetText(std::wstring text) {
    text_.Assign(std::move(text));
    anchor_ = caret_ = goalColumn_ = 0;
    firstLine_ = firstColumn_ = 0;
    UpdateScrollBars();
    Invalidate();
    PlaceCaret();
}

void TextView::Select(std::size_t anchor, std::size_t caret) {
    anchor_ = std::min(anchor, text_.Length());
    caret_ = std::min(caret, text_.Length());
    goalColumn_ = ColumnOf(caret_);
    Invalidate();
    PlaceCaret();
}

void TextView::MoveCaret(std::size_t position, bool extend, bool keepGoalColumn) {
    caret_ = std::min(position, text_.Length());
    if (!extend)
        anchor_ = caret_;
    if (!keepGoalColumn)
        goalColumn_ = ColumnOf(caret_);
    ScrollCaretIntoView();
    Invalidate();
    PlaceCaret();
}

void TextView::Copy() {
    const std::size_t start = SelectionStart(), count = SelectionEnd() - start;
    if (count == 0)
        return;
    GlobalMemory block(External(::GlobalAlloc, GMEM_MOVEABLE, (count + 1) * sizeof(wchar_t)));
    if (!block)
        throw AppError(error_number::kOutOfMemory, L"Out of memory");
    {
        const GlobalLockScope lock(block.get());
        auto* const to = static_cast<wchar_t*>(lock.Data());
        if (!to)
            throw AppError(error_number::kOutOfMemory, L"Out of memory");
        std::copy_n(text_.Text().data() + start, count, to);
        to[count] = L'\0';
    }
    if (!External(::OpenClipboard, window_))
        throw AppError(error_number::kInternal, L"The clipboard cannot be opened");
    External(::EmptyClipboard);
    // Once set, the block is the clipboard's.
    if (External(::SetClipboardData, CF_UNICODETEXT, block.get()))
        static_cast<void>(block.release());
    External(::CloseClipboard);
}

void TextView::CopyReportingFailure() {
    try {
        Copy();
    } catch (...) {
        ReportError(CaughtError(), L"rtfOctolume.Copy");
    }
}

// --- Geometry and scrolling -----------------------------------------------------------

void TextView::MeasureFont() {
    const ScreenDcHandle screen(External(::GetDC, nullptr));
    if (!screen)
        return;
    const HGDIOBJ font = font_ ? font_ : External(::GetStockObject, ANSI_FIXED_FONT);
    const SelectionScope selected(screen.get(), font);
    TEXTMETRICW metrics{};
    if (External(::GetTextMetricsW, screen.get(), &metrics)) {
        charWidth_ = std::max<int>(1, metrics.tmAveCharWidth);
        lineHeight_ = std::max<int>(1, metrics.tmHeight);
    }
}

std::size_t TextView::VisibleLines() const {
    RECT client{};
    External(::GetClientRect, window_, &client);
    return std::max<std::size_t>(1, static_cast<std::size_t>(client.bottom / lineHeight_));
}

std::size_t TextView::VisibleColumns() const {
    RECT client{};
    External(::GetClientRect, window_, &client);
    return std::max<std::size_t>(
        1, static_cast<std::size_t>(std::max(0L, client.right - kTextMargin) / charWidth_));
}

std::size_t TextView::LastFirstLine() const {
    const std::size_t lines = text_.LineCount(), visible = VisibleLines();
    return lines > visible ? lines - visible : 0;
}

// One column more than the longest line, for the caret at its end.
std::size_t TextView::LastFirstColumn() const {
    const std::size_t columns = text_.LongestLineLength() + 1, visible = VisibleColumns();
    return columns > visible ? columns - visible : 0;
}

void TextView::ScrollTo(long long line, long long column) {
    const auto clamp = [](long long value, std::size_t last) {
        return static_cast<std::size_t>(std::clamp<long long>(value, 0, last));
    };
    const std::size_t newLine = clamp(line, LastFirstLine());
    const std::size_t newColumn = clamp(column, LastFirstColumn());
    if (newLine == firstLine_ && newColumn == firstColumn_)
        return;
    firstLine_ = newLine;
    firstColumn_ = newColumn;
    UpdateScrollBars();
    Invalidate();
    PlaceCaret();
}

void TextView::ScrollCaretIntoView() {
    const std::size_t line = text_.LineOf(caret_), column = ColumnOf(caret_);
    const std::size_t lines = VisibleLines(), columns = VisibleColumns();
    std::size_t toLine = firstLine_, toColumn = firstColumn_;
    if (line < firstLine_)
        toLine = line;
    else if (line >= firstLine_ + lines)
        toLine = line - lines + 1;
    if (column < firstColumn_)
        toColumn = column;
    else if (column >= firstColumn_ + columns)
        toColumn = column - columns + 1;
    ScrollTo(static_cast<long long>(toLine), static_cast<long long>(toColumn));
}

void TextView::UpdateScrollBars(bool drawNow) {
    // Positions are 32-bit: a dump of 2 MiB is already 131,075 lines.
    SCROLLINFO vertical{};
    vertical.cbSize = sizeof vertical;
    vertical.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    vertical.nMax = static_cast<int>(text_.LineCount() - 1);
    vertical.nPage = static_cast<UINT>(VisibleLines());
    vertical.nPos = static_cast<int>(firstLine_);
    External(::SetScrollInfo, window_, SB_VERT, &vertical, redraw_ && drawNow);
    SCROLLINFO sideways = vertical;
    sideways.nMax = static_cast<int>(text_.LongestLineLength());
    sideways.nPage = static_cast<UINT>(VisibleColumns());
    sideways.nPos = static_cast<int>(firstColumn_);
    External(::SetScrollInfo, window_, SB_HORZ, &sideways, redraw_ && drawNow);
}

void TextView::Invalidate() {
    if (redraw_)
        External(::InvalidateRect, window_, nullptr, FALSE);
}

void TextView::PlaceCaret() {
    if (!focused_)
        return;
    const std::size_t line = text_.LineOf(caret_), column = ColumnOf(caret_);
    const bool inSight = line >= firstLine_ && line < firstLine_ + VisibleLines() + 1 &&
                         column >= firstColumn_ && column <= firstColumn_ + VisibleColumns();
    // Out of sight, the caret waits above the view until the text comes back into view.
    const int x = inSight ? ColumnX(column) : -charWidth_;
    const int y = inSight ? static_cast<int>(line - firstLine_) * lineHeight_ : -2 * lineHeight_;
    External(::SetCaretPos, x, y);
}

std::size_t TextView::PositionAt(POINT point) const {
    // Rounded down, also above the view: -1 is the line before the first in sight.
    const long long row =
        point.y >= 0 ? point.y / lineHeight_ : -1 - (-1LL - point.y) / lineHeight_;
    const std::size_t line = static_cast<std::size_t>(
        std::clamp<long long>(static_cast<long long>(firstLine_) + row, 0,
                              static_cast<long long>(text_.LineCount() - 1)));
    // Nearest gap between two characters.
    const long long offset = point.x - kTextMargin + charWidth_ / 2;
    const long long column =
        static_cast<long long>(firstColumn_) +
        (offset >= 0 ? offset / charWidth_ : -1 - (-1LL - offset) / charWidth_);
    return text_.LineStart(line) + static_cast<std::size_t>(std::clamp<long long>(
                                       column, 0, static_cast<long long>(text_.LineLength(line))));
}

// --- Painting -------------------------------------------------------------------------

void TextView::OnPaint() {
    const PaintScope paint(window_);
    // With redrawing off the area is only validated; turning it on invalidates everything.
    if (!paint.Dc() || !redraw_)
        return;
    const SelectionScope font(paint.Dc(),
                              font_ ? font_ : External(::GetStockObject, ANSI_FIXED_FONT));
    RECT client{};
    External(::GetClientRect, window_, &client);
    // Only the rows in the area to paint: the cost of a screen does not grow with the text.
    const int firstRow = std::max(0L, paint.Area().top) / lineHeight_;
    const int lastRow = std::max(0L, paint.Area().bottom - 1) / lineHeight_;
    for (int row = firstRow; row <= lastRow; ++row)
        PaintRow(paint.Dc(), row, client);
}

void TextView::PaintRow(HDC dc, int row, const RECT& client) {
    const int top = row * lineHeight_;
    const Colours normal{External(::GetSysColor, COLOR_WINDOWTEXT),
                         External(::GetSysColor, COLOR_WINDOW)};
    const std::size_t line = firstLine_ + static_cast<std::size_t>(row);
    if (line >= text_.LineCount()) {
        PaintRun(dc, client.left, client.right, top, {}, normal);
        return;
    }
    const Colours selected = focused_ ? Colours{External(::GetSysColor, COLOR_HIGHLIGHTTEXT),
                                                External(::GetSysColor, COLOR_HIGHLIGHT)}
                                      : Colours{External(::GetSysColor, COLOR_WINDOWTEXT),
                                                External(::GetSysColor, COLOR_BTNFACE)};
    const std::wstring_view text = text_.Line(line);
    const std::size_t start = text_.LineStart(line);
    // The columns in sight, and the selected ones among them.
    const std::size_t from = std::min(firstColumn_, text.size());
    const std::size_t to = std::min(text.size(), firstColumn_ + VisibleColumns() + 1);
    const std::size_t selectedFrom = std::clamp(SelectionStart(), start + from, start + to) - start;
    const std::size_t selectedTo = std::clamp(SelectionEnd(), start + from, start + to) - start;

    PaintRun(dc, client.left, kTextMargin, top, {}, normal);
    PaintRun(dc, kTextMargin, ColumnX(selectedFrom), top, text.substr(from, selectedFrom - from),
             normal);
    PaintRun(dc, ColumnX(selectedFrom), ColumnX(selectedTo), top,
             text.substr(selectedFrom, selectedTo - selectedFrom), selected);
    PaintRun(dc, ColumnX(selectedTo), ColumnX(to), top, text.substr(selectedTo, to - selectedTo),
             normal);
    PaintRun(dc, std::max(ColumnX(to), kTextMargin), client.right, top, {}, normal);
}

void TextView::PaintRun(HDC dc, int left, int right, int top, std::wstring_view text,
                        Colours colours) {
    if (right <= left)
        return;
    // Every glyph on the grid of the font's character width, whatever the font's own
    // widths of characters outside its usual set.
    if (advances_.size() < text.size())
        advances_.resize(text.size(), charWidth_);
    const RECT area{left, top, right, top + lineHeight_};
    External(::SetTextColor, dc, colours.text);
    External(::SetBkColor, dc, colours.background);
    External(::ExtTextOutW, dc, left, top, ETO_OPAQUE | ETO_CLIPPED, &area, text.data(),
             static_cast<UINT>(text.size()), text.empty() ? nullptr : advances_.data());
}

// --- Messages -------------------------------------------------------------------------

void TextView::OnSetRedraw(bool redraw) {
    redraw_ = redraw;
    if (redraw) {
        // The scroll bars too are drawn with the next paint, not now: a caller that turns
        // redrawing back on repaints once, and under Wine each bar drawn costs a paint.
        UpdateScrollBars(false);
        External(::RedrawWindow, window_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    }
}

void TextView::OnFocus(bool focused) {
    focused_ = focused;
    if (focused) {
        External(::CreateCaret, window_, nullptr, 1, lineHeight_);
        PlaceCaret();
        External(::ShowCaret, window_);
    } else {
        External(::DestroyCaret);
    }
    Invalidate(); // the selection's colours follow the focus
}

void TextView::OnKeyDown(WPARAM key) {
    const bool extend = KeyDown(VK_SHIFT), control = KeyDown(VK_CONTROL);
    const std::size_t line = text_.LineOf(caret_);
    const auto onLine = [&](long long target) {
        const auto clamped = static_cast<std::size_t>(
            std::clamp<long long>(target, 0, static_cast<long long>(text_.LineCount() - 1)));
        return text_.LineStart(clamped) + std::min(goalColumn_, text_.LineLength(clamped));
    };
    const long long page = static_cast<long long>(VisibleLines());
    switch (key) {
    case VK_LEFT:
        MoveCaret(!extend && anchor_ != caret_ ? SelectionStart() : text_.Previous(caret_), extend);
        break;
    case VK_RIGHT:
        MoveCaret(!extend && anchor_ != caret_ ? SelectionEnd() : text_.Next(caret_), extend);
        break;
    case VK_UP:
    case VK_DOWN:
        MoveCaret(onLine(static_cast<long long>(line) + (key == VK_UP ? -1 : 1)), extend, true);
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        const long long by = key == VK_PRIOR ? -page : page;
        ScrollBy(by, 0);
        MoveCaret(onLine(static_cast<long long>(line) + by), extend, true);
        break;
    }
    case VK_HOME:
        MoveCaret(control ? 0 : text_.LineStart(line), extend);
        break;
    case VK_END:
        MoveCaret(control ? text_.Length() : text_.LineStart(line) + text_.LineLength(line),
                  extend);
        break;
    case 'A':
        if (control)
            SelectAll();
        break;
    case 'C':
    case VK_INSERT:
        if (control)
            CopyReportingFailure();
        break;
    default:
        break;
    }
}

void TextView::OnScroll(int bar, WORD request) {
    const bool vertical = bar == SB_VERT;
    const long long position = static_cast<long long>(vertical ? firstLine_ : firstColumn_);
    const long long page = static_cast<long long>(vertical ? VisibleLines() : VisibleColumns());
    long long target = position;
    switch (request) {
    case SB_LINEUP:
        target = position - 1;
        break;
    case SB_LINEDOWN:
        target = position + 1;
        break;
    case SB_PAGEUP:
        target = position - page;
        break;
    case SB_PAGEDOWN:
        target = position + page;
        break;
    case SB_TOP:
        target = 0;
        break;
    case SB_BOTTOM:
        target = static_cast<long long>(vertical ? LastFirstLine() : LastFirstColumn());
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The message's own position has 16 bits; the bar's tracking position has 32.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        External(::GetScrollInfo, window_, bar, &info);
        target = info.nTrackPos;
        break;
    }
    default:
        return;
    }
    if (vertical)
        ScrollTo(target, static_cast<long long>(firstColumn_));
    else
        ScrollTo(static_cast<long long>(firstLine_), target);
}

void TextView::OnWheel(int delta, bool sideways) {
    int& rest = wheelRest_[sideways ? 1 : 0];
    rest += delta;
    const int notches = rest / WHEEL_DELTA;
    rest %= WHEEL_DELTA;
    if (notches == 0)
        return;
    UINT step = 0;
    if (!External(::SystemParametersInfoW,
                  sideways ? SPI_GETWHEELSCROLLCHARS : SPI_GETWHEELSCROLLLINES, 0, &step, 0) ||
        step == 0)
        step = kDefaultWheelStep;
    const long long page = static_cast<long long>(sideways ? VisibleColumns() : VisibleLines());
    const long long by = static_cast<long long>(notches) * (step == WHEEL_PAGESCROLL ? page : step);
    if (sideways)
        ScrollBy(0, by);
    else
        ScrollBy(-by, 0); // turning the wheel away from the user goes up
}

void TextView::OnButtonDown(POINT point, bool extend) {
    External(::SetFocus, window_);
    MoveCaret(PositionAt(point), extend);
    selecting_ = true;
    External(::SetCapture, window_);
    // Held past an edge, the selection goes on growing while the mouse stays still.
    External(::SetTimer, window_, kAutoScrollTimer, kAutoScrollMs, nullptr);
}

void TextView::OnDoubleClick(POINT point) {
    const auto [first, last] = text_.WordAround(PositionAt(point));
    Select(first, last);
}

void TextView::OnAutoScroll() {
    POINT point{};
    RECT client{};
    External(::GetCursorPos, &point);
    External(::ScreenToClient, window_, &point);
    External(::GetClientRect, window_, &client);
    if (selecting_ && !External(::PtInRect, &client, point))
        MoveCaret(PositionAt(point), true);
}

void TextView::OnContextMenu(LPARAM screenPoint) {
    POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (screenPoint == -1) { // from the keyboard: at the caret
        const std::size_t line = text_.LineOf(caret_);
        at = {ColumnX(std::max(ColumnOf(caret_), firstColumn_)),
              static_cast<int>((std::max(line, firstLine_) - firstLine_ + 1)) * lineHeight_};
        External(::ClientToScreen, window_, &at);
    }
    const MenuHandle menu(External(::CreatePopupMenu));
    if (!menu)
        return;
    const UINT copyState = SelectionStart() == SelectionEnd() ? MF_GRAYED : MF_ENABLED;
    External(::AppendMenuW, menu.get(), MF_STRING | copyState, kCopyCommand, L"&Copy");
    External(::AppendMenuW, menu.get(), MF_SEPARATOR, 0, nullptr);
    External(::AppendMenuW, menu.get(), MF_STRING, kSelectAllCommand, L"Select &All");
    const auto command = static_cast<UINT>(External(::TrackPopupMenu, menu.get(),
                                                    TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                    at.x, at.y, 0, window_, nullptr));
    if (command == kCopyCommand)
        CopyReportingFailure();
    else if (command == kSelectAllCommand)
        SelectAll();
}

// Accessibility tools get the system's proxy of an edit control, which asks the window
// for its text, selection and lines with the edit messages answered here, and reads the
// read-only state from the window's style.
namespace {
// Wine's oleacc exports CreateStdAccessibleProxyW as a stub that aborts the process when
// called; Windows has it since Windows 98.
bool SystemHasEditProxy() {
    static const bool has = [] {
        const HMODULE ntdll = External(::GetModuleHandleW, L"ntdll.dll");
        return !ntdll || !External(::GetProcAddress, ntdll, "wine_get_version");
    }();
    return has;
}
} // namespace

LRESULT TextView::OnGetAccessibleObject(WPARAM flags, LPARAM objectId) {
    // Without the proxy, accessibility tools get the system's plain client object.
    if (static_cast<LONG>(objectId) != OBJID_CLIENT || !SystemHasEditProxy())
        return External(::DefWindowProcW, window_, WM_GETOBJECT, flags, objectId);
    ComPtr<IAccessible> proxy;
    const HRESULT created =
        External(::CreateStdAccessibleProxyW, window_, L"EDIT", OBJID_CLIENT, IID_IAccessible,
                 reinterpret_cast<void**>(proxy.GetAddressOf()));
    if (FAILED(created))
        return External(::DefWindowProcW, window_, WM_GETOBJECT, flags, objectId);
    return External(::LresultFromObject, IID_IAccessible, flags, proxy.Get());
}

LRESULT TextView::CopyText(wchar_t* buffer, std::size_t capacity) const {
    if (!buffer || capacity == 0)
        return 0;
    const std::size_t count = std::min(capacity - 1, text_.Length());
    std::copy_n(text_.Text().data(), count, buffer);
    buffer[count] = L'\0';
    return static_cast<LRESULT>(count);
}

// The buffer's first word says how many characters it takes; no NUL is added.
LRESULT TextView::CopyLine(std::size_t line, wchar_t* buffer) const {
    if (!buffer || line >= text_.LineCount())
        return 0;
    const std::wstring_view text = text_.Line(line);
    const std::size_t count =
        std::min<std::size_t>(*reinterpret_cast<const WORD*>(buffer), text.size());
    std::copy_n(text.data(), count, buffer);
    return static_cast<LRESULT>(count);
}

// EM_LINELENGTH with -1: the characters of the selected lines that are not selected.
LRESULT TextView::UnselectedOnSelectedLines() const {
    const std::size_t first = text_.LineOf(SelectionStart()), last = text_.LineOf(SelectionEnd());
    const std::size_t before = SelectionStart() - text_.LineStart(first);
    const std::size_t lastEnd = text_.LineStart(last) + text_.LineLength(last);
    return static_cast<LRESULT>(before + (lastEnd > SelectionEnd() ? lastEnd - SelectionEnd() : 0));
}

LRESULT TextView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto point = [lParam] { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; };
    const auto index = [](WPARAM value) { return static_cast<std::size_t>(value); };
    switch (message) {
    case WM_CREATE:
        MeasureFont();
        UpdateScrollBars();
        return 0;
    case kTakeText:
        try {
            SetText(std::move(*reinterpret_cast<std::wstring*>(lParam)));
            return TRUE;
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
    case WM_SETTEXT:
        try {
            SetText(lParam ? std::wstring(reinterpret_cast<const wchar_t*>(lParam))
                           : std::wstring());
            return TRUE;
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
    case WM_GETTEXT:
        return CopyText(reinterpret_cast<wchar_t*>(lParam), wParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(text_.Length());
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        MeasureFont();
        UpdateScrollBars();
        if (LOWORD(lParam))
            Invalidate();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SETREDRAW: {
        // The system keeps the window from painting while off, and validates it; only
        // then can turning it on invalidate the view.
        const LRESULT result = External(::DefWindowProcW, window_, message, wParam, lParam);
        OnSetRedraw(wParam != FALSE);
        return result;
    }
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE; // every pixel is painted by WM_PAINT
    case WM_SIZE:
        UpdateScrollBars();
        ScrollBy(0, 0); // a larger view may show lines past the former last one
        Invalidate();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        OnFocus(message == WM_SETFOCUS);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
        OnScroll(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        // With Shift the wheel scrolls sideways, a turn towards the user going right as it
        // would go down.
        if (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT)
            OnWheel(-GET_WHEEL_DELTA_WPARAM(wParam), true);
        else
            OnWheel(GET_WHEEL_DELTA_WPARAM(wParam), false);
        return 0;
    case WM_MOUSEHWHEEL:
        OnWheel(GET_WHEEL_DELTA_WPARAM(wParam), true);
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(point(), (wParam & MK_SHIFT) != 0);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnDoubleClick(point());
        return 0;
    case WM_MOUSEMOVE:
        if (selecting_)
            MoveCaret(PositionAt(point()), true);
        return 0;
    case WM_LBUTTONUP:
        if (selecting_)
            External(::ReleaseCapture);
        return 0;
    case WM_CAPTURECHANGED:
        selecting_ = false;
        External(::KillTimer, window_, kAutoScrollTimer);
        return 0;
    case WM_TIMER:
        if (wParam == kAutoScrollTimer)
            OnAutoScroll();
        return 0;
    case WM_RBUTTONDOWN:
        External(::SetFocus, window_);
        return 0;
    case WM_CONTEXTMENU:
        OnContextMenu(lParam);
        return 0;
    case WM_COPY:
        CopyReportingFailure();
        return 0;
    case WM_GETOBJECT:
        return OnGetAccessibleObject(wParam, lParam);
    case EM_GETSEL: {
        const auto start = static_cast<DWORD>(SelectionStart());
        const auto end = static_cast<DWORD>(SelectionEnd());
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = end;
        return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
    }
    case EM_SETSEL:
        // A start of -1 only takes the selection away; an end of -1 is the end of the text.
        if (static_cast<int>(wParam) == -1)
            Select(caret_, caret_);
        else
            Select(index(wParam),
                   static_cast<int>(lParam) == -1 ? text_.Length() : static_cast<DWORD>(lParam));
        return 0;
    case EM_SCROLLCARET:
        ScrollCaretIntoView();
        return 0;
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(text_.LineCount());
    case EM_GETFIRSTVISIBLELINE:
        return static_cast<LRESULT>(firstLine_);
    case EM_LINEINDEX: {
        const std::size_t line =
            static_cast<int>(wParam) == -1 ? text_.LineOf(caret_) : index(wParam);
        return line < text_.LineCount() ? static_cast<LRESULT>(text_.LineStart(line)) : -1;
    }
    case EM_LINEFROMCHAR:
        return static_cast<LRESULT>(
            text_.LineOf(static_cast<int>(wParam) == -1 ? SelectionStart() : index(wParam)));
    case EM_LINELENGTH:
        if (static_cast<int>(wParam) == -1)
            return UnselectedOnSelectedLines();
        return static_cast<LRESULT>(text_.LineLength(text_.LineOf(index(wParam))));
    case EM_GETLINE:
        return CopyLine(index(wParam), reinterpret_cast<wchar_t*>(lParam));
    default:
        break;
    }
    return External(::DefWindowProcW, window_, message, wParam, lParam);
}

LRESULT CALLBACK TextViewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<TextView*>(External(::GetWindowLongPtrW, window, 0));
    if (message == WM_NCCREATE && view == nullptr) {
        try {
            auto created = std::make_unique<TextView>(window);
            External(::SetWindowLongPtrW, window, 0, reinterpret_cast<LONG_PTR>(created.get()));
            view = created.release(); // owned by the window until WM_NCDESTROY
        } catch (...) {
            return FALSE;
        }
    }
    if (view == nullptr)
        return External(::DefWindowProcW, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const std::unique_ptr<TextView> owned(view);
        External(::SetWindowLongPtrW, window, 0, 0);
        return External(::DefWindowProcW, window, message, wParam, lParam);
    }
    // No exception may cross back into the window system.
    try {
        return view->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ReportError(CaughtError(), L"rtfOctolume.WindowProcedure");
        return 0;
    }
}

} // namespace

void RegisterTextViewClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = TextViewProcedure;
    windowClass.cbWndExtra = sizeof(TextView*);
    windowClass.hInstance = instance;
    windowClass.hCursor = External(::LoadCursorW, nullptr, IDC_IBEAM);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = OCTOLUME_TEXT_VIEW_CLASS;
    RegisterWindowClass(windowClass);
}

void SetViewText(HWND view, std::wstring text) {
    if (!Send(view, kTakeText, 0, &text))
        throw std::bad_alloc();
}

} // namespace octolume
