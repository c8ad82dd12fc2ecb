#include "view/text_view.h"

#include "view/edit_queries.h"
#include "view/line_indexed_text.h"
#include "view/scroll_mapping.h"
#include "view/text_positions.h"

#include "shell/resource.h"
#include "support/message_box.h"

#include "support/app_error.h"
#include "support/clipboard.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"
#include "support/report_error.h"

#include <oleacc.h>
#include <windowsx.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace octolume {

namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT_PTR kAutoScrollTimer = 1;
constexpr UINT kAutoScrollMs = 50;
constexpr UINT kCopyCommand = 1;
constexpr UINT kSelectAllCommand = 2;
constexpr UINT kFirstOwnerCommand = 100;
constexpr UINT kDefaultWheelStep = 3;
// Wheel messages already queued are taken together with the one at hand, up to this many.
constexpr int kMostQueuedWheelSteps = 1000;

bool KeyDown(int key) {
    return External(::GetKeyState, key) < 0;
}

// Lines from one to the other, as a signed count; a difference too large for that is as
// good as any move of more than a screen.
std::int64_t LinesBetween(std::uint64_t from, std::uint64_t to) {
    constexpr std::uint64_t kFar = std::uint64_t{1} << 62;
    if (to >= from)
        return static_cast<std::int64_t>(std::min(to - from, kFar));
    return -static_cast<std::int64_t>(std::min(from - to, kFar));
}

// Accessibility tools get the system's proxy of an edit control, which asks the window
// for its text, selection and lines with the edit queries, and reads the read-only
// state from the window's style. Wine's oleacc exports CreateStdAccessibleProxyW as a
// stub that aborts the process when called (Windows has it since Windows 98): there,
// and wherever the proxy fails, tools get the system's plain client object.
LRESULT AccessibleObjectOf(HWND window, WPARAM flags, LPARAM objectId) {
    static const bool systemHasEditProxy = [] {
        const HMODULE ntdll = External(::GetModuleHandleW, L"ntdll.dll");
        return !ntdll || !External(::GetProcAddress, ntdll, "wine_get_version");
    }();
    if (static_cast<LONG>(objectId) == OBJID_CLIENT && systemHasEditProxy) {
        ComPtr<IAccessible> proxy;
        if (SUCCEEDED(External(::CreateStdAccessibleProxyW, window, L"EDIT", OBJID_CLIENT,
                               IID_IAccessible, reinterpret_cast<void**>(proxy.GetAddressOf()))))
            return External(::LresultFromObject, IID_IAccessible, flags, proxy.Get());
    }
    return External(::DefWindowProcW, window, WM_GETOBJECT, flags, objectId);
}

// The selection of a view without the focus: the highlight at a little under half its
// strength over the window's colour, light enough for the window's text and clearly apart
// from it, as while a Find dialog has the focus.
COLORREF UnfocusedSelectionColour(COLORREF highlight, COLORREF window) {
    const auto mix = [](int strong, int weak) { return (strong * 2 + weak * 3) / 5; };
    return RGB(mix(GetRValue(highlight), GetRValue(window)),
               mix(GetGValue(highlight), GetGValue(window)),
               mix(GetBValue(highlight), GetBValue(window)));
}

// The window: painting, keyboard, mouse and scrolling over a document.
class TextViewWindow final : public TextView {
public:
    explicit TextViewWindow(HWND window)
        : window_(window), document_(std::make_shared<LineIndexedText>()) {}
    ~TextViewWindow() = default;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // What the program's own code asks.
    void SetDocument(std::shared_ptr<const TextDocument> document) override;
    void SetText(std::wstring text) override {
        SetDocument(std::make_shared<const LineIndexedText>(std::move(text)));
    }
    const TextDocument& Document() const override { return *document_; }
    const std::shared_ptr<const TextDocument>& SharedDocument() const override { return document_; }
    TextSelection Selection() const override { return selection_; }
    void Select(std::uint64_t anchor, std::uint64_t caret) override;
    std::uint64_t FirstVisibleLine() const override { return grid_.firstLine; }
    RECT LineRect(std::uint64_t line) const override;
    void ShowLineFirst(std::uint64_t line) override;
    void SetSelectionListener(std::function<void()> listener) override {
        selectionListener_ = std::move(listener);
    }
    void SetMenuEntries(std::function<std::vector<ViewMenuEntry>()> entries) override {
        menuEntries_ = std::move(entries);
    }

private:
    struct Colours {
        COLORREF text;
        COLORREF background;
    };

    const TextDocument& Text() const { return *document_; }

    // Text and selection.
    void MoveCaret(std::uint64_t position, bool extend, bool keepGoalColumn = false);
    void SelectAll() { Select(0, Text().Length()); }
    void SelectionChanged();
    void CopySelection();

    // Geometry and scrolling.
    void MeasureFont();
    RECT Client() const;
    std::size_t VisibleRows() const { return grid_.RowsIn(Client().bottom); }
    std::size_t VisibleColumns() const { return grid_.ColumnsIn(Client().right); }
    void ScrollTo(std::uint64_t line, std::size_t column);
    void ScrollBy(std::int64_t lines, std::int64_t columns);
    void MovePixels(std::int64_t lines, std::int64_t columns);
    void ScrollCaretIntoView();
    void UpdateScrollBars();
    ScrollBarSetting VerticalSetting() const;
    void MoveScrollBox(int bar, int position);
    void Invalidate();
    void PlaceCaret();

    // Messages.
    void OnPaint();
    void PaintRow(HDC dc, int row, const RECT& client);
    void PaintRun(HDC dc, int left, int right, int top, std::wstring_view text, Colours colours);
    void OnSetRedraw(bool redraw);
    void OnFocus(bool focused);
    void OnKeyDown(WPARAM key);
    void OnScroll(int bar, WORD request);
    void OnWheel(UINT message, WPARAM wParam);
    void OnButtonDown(POINT point, bool extend);
    void OnAutoScroll();
    void OnContextMenu(LPARAM screenPoint);
    void OnSetSelection(WPARAM start, LPARAM end);
    void OnSize();
    void OnDoubleClick(POINT point);
    std::uint64_t PositionAt(POINT point) const {
        return grid_.PositionAt(Text(), point.x, point.y);
    }

    HWND window_;
    std::shared_ptr<const TextDocument> document_;
    HFONT font_ = nullptr;
    CellGrid grid_;
    TextSelection selection_;
    // Up and down keep to the column the caret last took by itself.
    std::size_t goalColumn_ = 0;
    bool redraw_ = true;
    bool focused_ = false;
    bool selecting_ = false;
    int wheelRest_[2] = {0, 0}; // vertical, sideways: less than a notch
    std::vector<int> advances_; // one character width per glyph drawn
    std::size_t columnsInSight_ = 0;
    std::function<void()> selectionListener_;
    std::function<std::vector<ViewMenuEntry>()> menuEntries_;
};

RECT TextViewWindow::LineRect(std::uint64_t line) const {
    const std::size_t rows = VisibleRows();
    if (line < grid_.firstLine || line - grid_.firstLine > rows)
        return {};
    const int top = static_cast<int>(line - grid_.firstLine) * grid_.cellHeight;
    return {0, top, Client().right, top + grid_.cellHeight};
}

// --- Text and selection ---------------------------------------------------------------

void TextViewWindow::SetDocument(std::shared_ptr<const TextDocument> document) {
    document_ = std::move(document);
    selection_ = {};
    goalColumn_ = 0;
    grid_.firstLine = 0;
    grid_.firstColumn = 0;
    UpdateScrollBars();
    Invalidate();
    PlaceCaret();
    SelectionChanged();
}

void TextViewWindow::Select(std::uint64_t anchor, std::uint64_t caret) {
    selection_ = {std::min(anchor, Text().Length()), std::min(caret, Text().Length())};
    goalColumn_ = static_cast<std::size_t>(Text().ColumnOf(selection_.caret));
    Invalidate();
    PlaceCaret();
    SelectionChanged();
}

void TextViewWindow::MoveCaret(std::uint64_t position, bool extend, bool keepGoalColumn) {
    const TextSelection before = selection_;
    selection_.caret = std::min(position, Text().Length());
    if (!extend)
        selection_.anchor = selection_.caret;
    if (!keepGoalColumn)
        goalColumn_ = static_cast<std::size_t>(Text().ColumnOf(selection_.caret));
    ScrollCaretIntoView();
    Invalidate();
    PlaceCaret();
    if (selection_ != before)
        SelectionChanged();
}

void TextViewWindow::SelectionChanged() {
    if (selectionListener_)
        selectionListener_();
}

void TextViewWindow::ShowLineFirst(std::uint64_t line) {
    ScrollTo(std::min(line, Text().LineCount() - 1), grid_.firstColumn);
    ScrollCaretIntoView();
}

void TextViewWindow::CopySelection() {
    try {
        if (selection_.Empty())
            return;
        const std::uint64_t size = selection_.End() - selection_.Start();
        // What the clipboard is given is made twice in this process (the text, and the
        // clipboard's copy): beyond the bound the selection is refused whole.
        if (size > kMostTextGiven) {
            RefuseTooMuchToCopy(size);
            return;
        }
        std::wstring text;
        text.reserve(static_cast<std::size_t>(size));
        Text().AppendText(selection_.Start(), selection_.End(), text);
        PutTextOnClipboard(window_, text);
    } catch (...) {
        ReportError(CaughtError(), L"rtfOctolume.Copy");
    }
}

// --- Geometry and scrolling -----------------------------------------------------------

void TextViewWindow::MeasureFont() {
    const ScreenDcHandle screen(External(::GetDC, nullptr));
    if (!screen)
        return;
    const HGDIOBJ font = font_ ? font_ : External(::GetStockObject, ANSI_FIXED_FONT);
    const SelectionScope selected(screen.get(), font);
    TEXTMETRICW metrics{};
    if (External(::GetTextMetricsW, screen.get(), &metrics)) {
        grid_.cellWidth = std::max<int>(1, metrics.tmAveCharWidth);
        grid_.cellHeight = std::max<int>(1, metrics.tmHeight);
    }
}

RECT TextViewWindow::Client() const {
    RECT client{};
    External(::GetClientRect, window_, &client);
    return client;
}

void TextViewWindow::ScrollTo(std::uint64_t line, std::size_t column) {
    const std::uint64_t newLine = std::min(line, LastFirstLine(Text(), VisibleRows()));
    const std::size_t newColumn = std::min(column, LastFirstColumn(Text(), VisibleColumns()));
    if (newLine == grid_.firstLine && newColumn == grid_.firstColumn)
        return;
    const std::int64_t lines = LinesBetween(grid_.firstLine, newLine);
    const auto columns =
        static_cast<std::int64_t>(newColumn) - static_cast<std::int64_t>(grid_.firstColumn);
    grid_.firstLine = newLine;
    grid_.firstColumn = newColumn;
    if (lines != 0)
        MoveScrollBox(SB_VERT, VerticalSetting().position);
    if (columns != 0)
        MoveScrollBox(SB_HORZ, static_cast<int>(newColumn));
    MovePixels(lines, columns);
    PlaceCaret();
}

void TextViewWindow::ScrollBy(std::int64_t lines, std::int64_t columns) {
    const std::int64_t column = static_cast<std::int64_t>(grid_.firstColumn) + columns;
    ScrollTo(LineMovedBy(Text(), grid_.firstLine, lines),
             static_cast<std::size_t>(std::max<std::int64_t>(0, column)));
}

// What is still in sight after a scroll is moved, not painted again: only the rows and
// columns that come into sight are left to paint.
void TextViewWindow::MovePixels(std::int64_t lines, std::int64_t columns) {
    if (!redraw_)
        return;
    const RECT client = Client();
    if (std::llabs(lines) > static_cast<std::int64_t>(VisibleRows()) ||
        std::llabs(columns) > static_cast<std::int64_t>(VisibleColumns())) {
        Invalidate();
        return;
    }
    // The margin left of the first column stays; the caret is hidden while pixels move.
    const RECT text{grid_.margin, 0, client.right, client.bottom};
    External(::HideCaret, window_);
    External(::ScrollWindowEx, window_, static_cast<int>(-columns * grid_.cellWidth),
             static_cast<int>(-lines * grid_.cellHeight), &text, &text, nullptr, nullptr,
             SW_INVALIDATE);
    if (focused_)
        External(::ShowCaret, window_);
}

void TextViewWindow::ScrollCaretIntoView() {
    const std::uint64_t line = Text().LineOf(selection_.caret);
    const auto column = static_cast<std::size_t>(Text().ColumnOf(selection_.caret));
    const std::size_t lines = VisibleRows(), columns = VisibleColumns();
    std::uint64_t toLine = grid_.firstLine;
    std::size_t toColumn = grid_.firstColumn;
    if (line < grid_.firstLine)
        toLine = line;
    else if (line - grid_.firstLine >= lines)
        toLine = line - lines + 1;
    if (column < grid_.firstColumn)
        toColumn = column;
    else if (column >= grid_.firstColumn + columns)
        toColumn = column - columns + 1;
    ScrollTo(toLine, toColumn);
}

ScrollBarSetting TextViewWindow::VerticalSetting() const {
    return VerticalScrollBar(Text().LineCount(), VisibleRows(), grid_.firstLine,
                             LastFirstLine(Text(), VisibleRows()));
}

// The bars are drawn with the next paint, not at once: under Wine each bar drawn costs
// about as much as a paint of the view, and a new text, size or font repaints it anyway.
// A bar that becomes disabled or enabled is drawn at once whatever the call asks, so the
// window's drawing is suspended while they change.
void TextViewWindow::UpdateScrollBars() {
    const bool suspend = redraw_ && External(::IsWindowVisible, window_);
    if (suspend)
        External(::DefWindowProcW, window_, WM_SETREDRAW, FALSE, 0);
    const ScrollBarSetting setting = VerticalSetting();
    SCROLLINFO vertical{};
    vertical.cbSize = sizeof vertical;
    vertical.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    vertical.nMax = setting.maximum;
    vertical.nPage = setting.page;
    vertical.nPos = setting.position;
    External(::SetScrollInfo, window_, SB_VERT, &vertical, FALSE);
    SCROLLINFO sideways = vertical;
    sideways.nMax = static_cast<int>(Text().LongestLineLength());
    sideways.nPage = static_cast<UINT>(VisibleColumns());
    sideways.nPos = static_cast<int>(grid_.firstColumn);
    External(::SetScrollInfo, window_, SB_HORZ, &sideways, FALSE);
    if (suspend)
        External(::DefWindowProcW, window_, WM_SETREDRAW, TRUE, 0);
    if (redraw_)
        External(::RedrawWindow, window_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

// A scroll draws a bar only when its box moves by a pixel: in a long text a notch of the
// wheel seldom does, and under Wine drawing the bar costs more than the rows scrolled in.
void TextViewWindow::MoveScrollBox(int bar, int position) {
    const auto box = [&] {
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        External(::GetScrollBarInfo, window_, bar == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL,
                 &info);
        return std::pair(info.xyThumbTop, info.xyThumbBottom);
    };
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_DISABLENOSCROLL;
    External(::GetScrollInfo, window_, bar, &info);
    const int previous = info.nPos;
    const auto before = box();
    info.nPos = position;
    External(::SetScrollInfo, window_, bar, &info, FALSE);
    if (!redraw_ || box() == before)
        return;
    // Set again from where it was, so that the system sees a move and draws it.
    info.nPos = previous;
    External(::SetScrollInfo, window_, bar, &info, FALSE);
    info.nPos = position;
    External(::SetScrollInfo, window_, bar, &info, TRUE);
}

void TextViewWindow::Invalidate() {
    if (redraw_)
        External(::InvalidateRect, window_, nullptr, FALSE);
}

void TextViewWindow::PlaceCaret() {
    if (!focused_)
        return;
    const std::uint64_t line = Text().LineOf(selection_.caret);
    const auto column = static_cast<std::size_t>(Text().ColumnOf(selection_.caret));
    const bool inSight = line >= grid_.firstLine && line - grid_.firstLine <= VisibleRows() &&
                         column >= grid_.firstColumn &&
                         column <= grid_.firstColumn + VisibleColumns();
    // Out of sight, the caret waits above the view until the text comes back into view.
    const int x = inSight ? grid_.ColumnX(column) : -grid_.cellWidth;
    const int y = inSight ? static_cast<int>(line - grid_.firstLine) * grid_.cellHeight
                          : -2 * grid_.cellHeight;
    External(::SetCaretPos, x, y);
}

// --- Painting -------------------------------------------------------------------------

void TextViewWindow::OnPaint() {
    const PaintScope paint(window_);
    // With redrawing off the area is only validated; turning it on invalidates everything.
    if (!paint.Dc() || !redraw_)
        return;
    const SelectionScope font(paint.Dc(),
                              font_ ? font_ : External(::GetStockObject, ANSI_FIXED_FONT));
    const RECT client = Client();
    // Only the rows in the area to paint: the cost of a screen does not grow with the text,
    // and a scroll paints only the rows it brings into sight.
    const int firstRow = std::max(0L, paint.Area().top) / grid_.cellHeight;
    const int lastRow = std::max(0L, paint.Area().bottom - 1) / grid_.cellHeight;
    for (int row = firstRow; row <= lastRow; ++row)
        PaintRow(paint.Dc(), row, client);
}

void TextViewWindow::PaintRow(HDC dc, int row, const RECT& client) {
    const int top = row * grid_.cellHeight;
    const Colours normal{External(::GetSysColor, COLOR_WINDOWTEXT),
                         External(::GetSysColor, COLOR_WINDOW)};
    const std::uint64_t line = grid_.firstLine + static_cast<std::uint64_t>(row);
    if (line >= Text().LineCount()) {
        PaintRun(dc, client.left, client.right, top, {}, normal);
        return;
    }
    const Colours selected =
        focused_ ? Colours{External(::GetSysColor, COLOR_HIGHLIGHTTEXT),
                           External(::GetSysColor, COLOR_HIGHLIGHT)}
                 : Colours{normal.text,
                           UnfocusedSelectionColour(External(::GetSysColor, COLOR_HIGHLIGHT),
                                                    normal.background)};
    const std::wstring_view text = Text().Line(line);
    const std::uint64_t start = Text().LineStart(line);
    // The columns in sight, and the selected ones among them.
    const std::size_t from = std::min(grid_.firstColumn, text.size());
    const std::size_t to = std::min(text.size(), grid_.firstColumn + VisibleColumns() + 1);
    const auto column = [&](std::uint64_t position) {
        return static_cast<std::size_t>(std::clamp(position, start + from, start + to) - start);
    };
    const std::size_t selectedFrom = column(selection_.Start());
    const std::size_t selectedTo = column(selection_.End());
    const int margin = grid_.margin;

    PaintRun(dc, client.left, margin, top, {}, normal);
    PaintRun(dc, margin, grid_.ColumnX(selectedFrom), top, text.substr(from, selectedFrom - from),
             normal);
    PaintRun(dc, grid_.ColumnX(selectedFrom), grid_.ColumnX(selectedTo), top,
             text.substr(selectedFrom, selectedTo - selectedFrom), selected);
    PaintRun(dc, grid_.ColumnX(selectedTo), grid_.ColumnX(to), top,
             text.substr(selectedTo, to - selectedTo), normal);
    PaintRun(dc, std::max(grid_.ColumnX(to), margin), client.right, top, {}, normal);
}

void TextViewWindow::PaintRun(HDC dc, int left, int right, int top, std::wstring_view text,
                              Colours colours) {
    if (right <= left)
        return;
    // Every glyph on the grid of the font's character width, whatever the font's own
    // widths of characters outside its usual set.
    if (advances_.size() < text.size())
        advances_.resize(text.size(), grid_.cellWidth);
    const RECT area{left, top, right, top + grid_.cellHeight};
    External(::SetTextColor, dc, colours.text);
    External(::SetBkColor, dc, colours.background);
    External(::ExtTextOutW, dc, left, top, ETO_OPAQUE | ETO_CLIPPED, &area, text.data(),
             static_cast<UINT>(text.size()), text.empty() ? nullptr : advances_.data());
}

// --- Messages -------------------------------------------------------------------------

void TextViewWindow::OnSetRedraw(bool redraw) {
    redraw_ = redraw;
    if (redraw)
        UpdateScrollBars(); // everything, the bars included, with the one repaint that follows
}

void TextViewWindow::OnFocus(bool focused) {
    focused_ = focused;
    if (focused) {
        External(::CreateCaret, window_, nullptr, 1, grid_.cellHeight);
        PlaceCaret();
        External(::ShowCaret, window_);
    } else {
        External(::DestroyCaret);
    }
    Invalidate(); // the selection's colours follow the focus
}

void TextViewWindow::OnKeyDown(WPARAM key) {
    const bool extend = KeyDown(VK_SHIFT), control = KeyDown(VK_CONTROL);
    const std::uint64_t caret = selection_.caret, line = Text().LineOf(caret);
    const auto onLine = [&](std::int64_t lines) {
        return PositionOnLine(Text(), static_cast<std::int64_t>(LineMovedBy(Text(), line, lines)),
                              goalColumn_);
    };
    const auto page = static_cast<std::int64_t>(VisibleRows());
    const bool collapse = !extend && !selection_.Empty();
    switch (key) {
    case VK_LEFT:
        MoveCaret(collapse ? selection_.Start() : PreviousPosition(Text(), caret), extend);
        break;
    case VK_RIGHT:
        MoveCaret(collapse ? selection_.End() : NextPosition(Text(), caret), extend);
        break;
    case VK_UP:
    case VK_DOWN:
        MoveCaret(onLine(key == VK_UP ? -1 : 1), extend, true);
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        const std::int64_t by = key == VK_PRIOR ? -page : page;
        ScrollBy(by, 0);
        MoveCaret(onLine(by), extend, true);
        break;
    }
    case VK_HOME:
        MoveCaret(control ? 0 : Text().LineStart(line), extend);
        break;
    case VK_END:
        MoveCaret(control ? Text().Length() : Text().LineEnd(line), extend);
        break;
    case 'A':
        if (control)
            SelectAll();
        break;
    case 'C':
    case VK_INSERT:
        if (control)
            CopySelection();
        break;
    default:
        break;
    }
}

void TextViewWindow::OnScroll(int bar, WORD request) {
    const bool vertical = bar == SB_VERT;
    const auto page = static_cast<std::int64_t>(vertical ? VisibleRows() : VisibleColumns());
    const std::uint64_t lastLine = LastFirstLine(Text(), VisibleRows());
    const std::size_t lastColumn = LastFirstColumn(Text(), VisibleColumns());
    std::int64_t by = 0;
    switch (request) {
    case SB_LINEUP:
        by = -1;
        break;
    case SB_LINEDOWN:
        by = 1;
        break;
    case SB_PAGEUP:
        by = -page;
        break;
    case SB_PAGEDOWN:
        by = page;
        break;
    case SB_TOP:
        if (vertical)
            ScrollTo(0, grid_.firstColumn);
        else
            ScrollTo(grid_.firstLine, 0);
        return;
    case SB_BOTTOM:
        if (vertical)
            ScrollTo(lastLine, grid_.firstColumn);
        else
            ScrollTo(grid_.firstLine, lastColumn);
        return;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The message's own position has 16 bits; the bar's tracking position has 32, and
        // past a billion lines it stands for a fraction of them.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        External(::GetScrollInfo, window_, bar, &info);
        if (vertical)
            ScrollTo(LineOfScrollPosition(info.nTrackPos, Text().LineCount(), lastLine),
                     grid_.firstColumn);
        else
            ScrollTo(grid_.firstLine, static_cast<std::size_t>(std::max(0, info.nTrackPos)));
        return;
    }
    default:
        return;
    }
    if (vertical)
        ScrollBy(by, 0);
    else
        ScrollBy(0, by);
}

// A wheel spun fast queues many messages: those already waiting are taken with this one
// and scrolled as one step, so the view paints once for them all.
void TextViewWindow::OnWheel(UINT message, WPARAM wParam) {
    // With Shift the wheel scrolls sideways, a turn towards the user going right as it
    // would go down.
    const auto shifted = [](WPARAM state) { return (GET_KEYSTATE_WPARAM(state) & MK_SHIFT) != 0; };
    const bool shift = message == WM_MOUSEWHEEL && shifted(wParam);
    int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    MSG queued{};
    for (int taken = 0; taken < kMostQueuedWheelSteps &&
                        External(::PeekMessageW, &queued, window_, message, message, PM_NOREMOVE) &&
                        shifted(queued.wParam) == shift;
         ++taken) {
        External(::PeekMessageW, &queued, window_, message, message, PM_REMOVE);
        delta += GET_WHEEL_DELTA_WPARAM(queued.wParam);
    }
    const bool sideways = message == WM_MOUSEHWHEEL || shift;
    if (shift)
        delta = -delta;

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
    const auto page = static_cast<std::int64_t>(sideways ? VisibleColumns() : VisibleRows());
    const std::int64_t by =
        static_cast<std::int64_t>(notches) * (step == WHEEL_PAGESCROLL ? page : step);
    if (sideways)
        ScrollBy(0, by);
    else
        ScrollBy(-by, 0); // turning the wheel away from the user goes up
}

void TextViewWindow::OnButtonDown(POINT point, bool extend) {
    External(::SetFocus, window_);
    MoveCaret(PositionAt(point), extend);
    selecting_ = true;
    External(::SetCapture, window_);
    // Held past an edge, the selection goes on growing while the mouse stays still.
    External(::SetTimer, window_, kAutoScrollTimer, kAutoScrollMs, nullptr);
}

void TextViewWindow::OnAutoScroll() {
    POINT point{};
    External(::GetCursorPos, &point);
    External(::ScreenToClient, window_, &point);
    const RECT client = Client();
    if (selecting_ && !External(::PtInRect, &client, point))
        MoveCaret(PositionAt(point), true);
}

void TextViewWindow::OnContextMenu(LPARAM screenPoint) {
    POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (screenPoint == -1) { // from the keyboard: at the caret
        const std::uint64_t line = Text().LineOf(selection_.caret);
        const auto column = static_cast<std::size_t>(Text().ColumnOf(selection_.caret));
        const std::uint64_t row = line > grid_.firstLine ? line - grid_.firstLine : 0;
        at = {grid_.ColumnX(std::max(column, grid_.firstColumn)),
              static_cast<int>(std::min<std::uint64_t>(row, VisibleRows()) + 1) * grid_.cellHeight};
        External(::ClientToScreen, window_, &at);
    }
    const MenuHandle menu(External(::CreatePopupMenu));
    if (!menu)
        return;
    const UINT copyState = selection_.Empty() ? MF_GRAYED : MF_ENABLED;
    External(::AppendMenuW, menu.get(), MF_STRING | copyState, kCopyCommand, L"&Copy");
    const std::vector<ViewMenuEntry> entries =
        menuEntries_ ? menuEntries_() : std::vector<ViewMenuEntry>{};
    for (std::size_t entry = 0; entry < entries.size(); ++entry)
        External(::AppendMenuW, menu.get(),
                 MF_STRING | (entries[entry].enabled ? MF_ENABLED : MF_GRAYED),
                 kFirstOwnerCommand + entry, entries[entry].text.c_str());
    External(::AppendMenuW, menu.get(), MF_SEPARATOR, 0, nullptr);
    External(::AppendMenuW, menu.get(), MF_STRING, kSelectAllCommand, L"Select &All");
    const auto command = static_cast<UINT>(External(::TrackPopupMenu, menu.get(),
                                                    TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                    at.x, at.y, 0, window_, nullptr));
    if (command == kCopyCommand)
        CopySelection();
    else if (command == kSelectAllCommand)
        SelectAll();
    else if (command >= kFirstOwnerCommand && command - kFirstOwnerCommand < entries.size())
        entries[command - kFirstOwnerCommand].choose();
}

// EM_SETSEL: a start of -1 only takes the selection away; an end of -1 is the end of the text.
void TextViewWindow::OnSetSelection(WPARAM start, LPARAM end) {
    if (static_cast<int>(start) == -1)
        Select(selection_.caret, selection_.caret);
    else
        Select(static_cast<DWORD>(start),
               static_cast<int>(end) == -1 ? Text().Length() : static_cast<DWORD>(end));
}

void TextViewWindow::OnSize() {
    UpdateScrollBars();
    // Room gained sideways goes first to the columns on the left that were scrolled out of
    // sight, as long as the caret stays in sight.
    const std::size_t columns = VisibleColumns();
    std::size_t column = grid_.firstColumn;
    if (columns > columnsInSight_ && columnsInSight_ != 0) {
        const auto caret = static_cast<std::size_t>(Text().ColumnOf(selection_.caret));
        const std::size_t gained = columns - columnsInSight_;
        const std::size_t keepingCaret = caret >= columns ? caret - columns + 1 : 0;
        column = std::max(keepingCaret, column > gained ? column - gained : 0);
    }
    columnsInSight_ = columns;
    // A larger view may also show lines past the former last one.
    ScrollTo(grid_.firstLine, column);
    Invalidate();
}

void TextViewWindow::OnDoubleClick(POINT point) {
    const auto [first, last] = WordAround(Text(), PositionAt(point));
    Select(first, last);
}

LRESULT TextViewWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto point = [lParam] { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; };
    if (const std::optional<LRESULT> answer =
            AnswerEditQuery({Text(), selection_, grid_.firstLine}, message, wParam, lParam))
        return *answer;
    switch (message) {
    case WM_CREATE:
        MeasureFont();
        UpdateScrollBars();
        return 0;
    case WM_SETTEXT:
        try {
            SetText(lParam ? std::wstring(reinterpret_cast<const wchar_t*>(lParam))
                           : std::wstring());
            return TRUE;
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
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
        OnSize();
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
    case WM_MOUSEHWHEEL:
        OnWheel(message, wParam);
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
        CopySelection();
        return 0;
    case WM_GETOBJECT:
        return AccessibleObjectOf(window_, wParam, lParam);
    case EM_SETSEL:
        OnSetSelection(wParam, lParam);
        return 0;
    case EM_SCROLLCARET:
        ScrollCaretIntoView();
        return 0;
    case EM_LINESCROLL:
        ScrollBy(static_cast<int>(lParam), static_cast<int>(wParam));
        return TRUE;
    default:
        break;
    }
    return External(::DefWindowProcW, window_, message, wParam, lParam);
}

LRESULT CALLBACK TextViewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<TextViewWindow*>(External(::GetWindowLongPtrW, window, 0));
    if (message == WM_NCCREATE && view == nullptr) {
        try {
            auto created = std::make_unique<TextViewWindow>(window);
            External(::SetWindowLongPtrW, window, 0, reinterpret_cast<LONG_PTR>(created.get()));
            view = created.release(); // owned by the window until WM_NCDESTROY
        } catch (...) {
            return FALSE;
        }
    }
    if (view == nullptr)
        return External(::DefWindowProcW, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const std::unique_ptr<TextViewWindow> owned(view);
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
    windowClass.cbWndExtra = sizeof(TextViewWindow*);
    windowClass.hInstance = instance;
    windowClass.hCursor = External(::LoadCursorW, nullptr, IDC_IBEAM);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = OCTOLUME_TEXT_VIEW_CLASS;
    RegisterWindowClass(windowClass);
}

TextView* TextView::Of(HWND window) {
    DWORD process = 0;
    External(::GetWindowThreadProcessId, window, &process);
    wchar_t className[64]{};
    if (process != External(::GetCurrentProcessId) ||
        External(::GetClassNameW, window, className, 64) == 0 ||
        std::wstring_view(className) != OCTOLUME_TEXT_VIEW_CLASS)
        return nullptr;
    return reinterpret_cast<TextViewWindow*>(External(::GetWindowLongPtrW, window, 0));
}

void RefuseTooMuchToCopy(std::uint64_t characters) {
    ShowMessageBox(TooMuchToCopyText(characters), L"Octolume32", MB_OK | MB_ICONEXCLAMATION);
}

} // namespace octolume
