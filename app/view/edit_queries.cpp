#include "view/edit_queries.h"

#include <algorithm>

namespace octolume {

namespace {

std::size_t Index(WPARAM value) {
    return static_cast<std::size_t>(value);
}
bool IsMinusOne(WPARAM value) {
    return static_cast<int>(value) == -1;
}

// WM_GETTEXT: as much as the buffer holds, with its NUL.
LRESULT WholeTextInto(const LineIndexedText& text, wchar_t* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0)
        return 0;
    const std::size_t count = std::min(capacity - 1, text.Length());
    std::copy_n(text.Text().data(), count, buffer);
    buffer[count] = L'\0';
    return static_cast<LRESULT>(count);
}

// EM_GETLINE: the buffer's first word says how many characters it takes; no NUL is added.
LRESULT LineInto(const LineIndexedText& text, std::size_t line, wchar_t* buffer) {
    if (!buffer || line >= text.LineCount())
        return 0;
    const std::wstring_view characters = text.Line(line);
    const std::size_t count =
        std::min<std::size_t>(*reinterpret_cast<const WORD*>(buffer), characters.size());
    std::copy_n(characters.data(), count, buffer);
    return static_cast<LRESULT>(count);
}

// EM_LINELENGTH with -1: the characters of the selected lines that are not selected.
LRESULT UnselectedOnSelectedLines(const LineIndexedText& text, TextSelection selection) {
    const std::size_t first = text.LineOf(selection.Start()), last = text.LineOf(selection.End());
    const std::size_t before = selection.Start() - text.LineStart(first);
    const std::size_t lastEnd = text.LineStart(last) + text.LineLength(last);
    return static_cast<LRESULT>(before +
                                (lastEnd > selection.End() ? lastEnd - selection.End() : 0));
}

} // namespace

std::optional<LRESULT> AnswerEditQuery(const EditQuerySubject& subject, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
    const LineIndexedText& text = subject.text;
    const TextSelection selection = subject.selection;
    switch (message) {
    case WM_GETTEXT:
        return WholeTextInto(text, reinterpret_cast<wchar_t*>(lParam), wParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(text.Length());
    case EM_GETSEL: {
        const auto start = static_cast<DWORD>(selection.Start());
        const auto end = static_cast<DWORD>(selection.End());
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = end;
        return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
    }
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(text.LineCount());
    case EM_GETFIRSTVISIBLELINE:
        return static_cast<LRESULT>(subject.firstVisibleLine);
    case EM_LINEINDEX: {
        const std::size_t line = IsMinusOne(wParam) ? text.LineOf(selection.caret) : Index(wParam);
        return line < text.LineCount() ? static_cast<LRESULT>(text.LineStart(line)) : -1;
    }
    case EM_LINEFROMCHAR:
        return static_cast<LRESULT>(
            text.LineOf(IsMinusOne(wParam) ? selection.Start() : Index(wParam)));
    case EM_LINELENGTH:
        if (IsMinusOne(wParam))
            return UnselectedOnSelectedLines(text, selection);
        return static_cast<LRESULT>(text.LineLength(text.LineOf(Index(wParam))));
    case EM_GETLINE:
        return LineInto(text, Index(wParam), reinterpret_cast<wchar_t*>(lParam));
    default:
        return std::nullopt;
    }
}

} // namespace octolume
