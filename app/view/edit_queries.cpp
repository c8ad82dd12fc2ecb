#include "view/edit_queries.h"

#include <algorithm>
#include <climits>

namespace octolume {

namespace {

// A position or line number as an answer: -1 where it does not fit.
LRESULT PlaceAnswer(std::uint64_t value) {
    return value <= static_cast<std::uint64_t>(LONG_MAX) ? static_cast<LRESULT>(value) : -1;
}
// A count as an answer: the largest one the answer holds where it does not fit.
LRESULT CountAnswer(std::uint64_t value) {
    return static_cast<LRESULT>(std::min<std::uint64_t>(value, LONG_MAX));
}
DWORD PlaceWord(std::uint64_t value) {
    return static_cast<DWORD>(std::min<std::uint64_t>(value, 0xFFFFFFFF));
}

bool IsMinusOne(WPARAM value) {
    return static_cast<int>(value) == -1;
}

// WM_GETTEXT: as much as the buffer holds (and as the bound allows), with its NUL; copied a
// piece at a time, so that nothing of the text's size is made on the way.
LRESULT WholeTextInto(const TextDocument& text, wchar_t* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0)
        return 0;
    const std::uint64_t count =
        std::min({static_cast<std::uint64_t>(capacity - 1), text.Length(), kMostTextGiven});
    constexpr std::uint64_t kPiece = 64 * 1024;
    std::wstring piece;
    for (std::uint64_t done = 0; done < count;) {
        piece.clear();
        text.AppendText(done, std::min(count, done + kPiece), piece);
        if (piece.empty())
            break;
        std::copy(piece.begin(), piece.end(), buffer + done);
        done += piece.size();
    }
    buffer[count] = L'\0';
    return static_cast<LRESULT>(count);
}

// EM_GETLINE: the buffer's first word says how many characters it takes; no NUL is added.
LRESULT LineInto(const TextDocument& text, std::uint64_t line, wchar_t* buffer) {
    if (!buffer || line >= text.LineCount())
        return 0;
    const std::wstring_view characters = text.Line(line);
    const std::size_t count =
        std::min<std::size_t>(*reinterpret_cast<const WORD*>(buffer), characters.size());
    std::copy_n(characters.data(), count, buffer);
    return static_cast<LRESULT>(count);
}

// EM_LINELENGTH with -1: the characters of the selected lines that are not selected.
LRESULT UnselectedOnSelectedLines(const TextDocument& text, TextSelection selection) {
    const std::uint64_t first = text.LineOf(selection.Start()), last = text.LineOf(selection.End());
    const std::uint64_t before = selection.Start() - text.LineStart(first);
    const std::uint64_t lastEnd = text.LineEnd(last);
    return CountAnswer(before + (lastEnd > selection.End() ? lastEnd - selection.End() : 0));
}

// 1234567 as "1,234,567".
std::wstring Grouped(std::uint64_t value) {
    std::wstring digits = std::to_wstring(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, L',');
    return digits;
}

} // namespace

std::wstring TooMuchToCopyText(std::uint64_t characters) {
    return L"The selection is " + Grouped(characters) +
           L" characters of text: Copy takes at most " + Grouped(kMostTextGiven) +
           L". Select less, or copy it in parts.";
}

std::optional<LRESULT> AnswerEditQuery(const EditQuerySubject& subject, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
    const TextDocument& text = subject.text;
    const TextSelection selection = subject.selection;
    switch (message) {
    case WM_GETTEXT:
        return WholeTextInto(text, reinterpret_cast<wchar_t*>(lParam), wParam);
    case WM_GETTEXTLENGTH:
        return CountAnswer(std::min(text.Length(), kMostTextGiven));
    case EM_GETSEL: {
        const DWORD start = PlaceWord(selection.Start()), end = PlaceWord(selection.End());
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = end;
        return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
    }
    case EM_GETLINECOUNT:
        return CountAnswer(text.LineCount());
    case EM_GETFIRSTVISIBLELINE:
        return PlaceAnswer(subject.firstVisibleLine);
    case EM_LINEINDEX: {
        const std::uint64_t line = IsMinusOne(wParam) ? text.LineOf(selection.caret) : wParam;
        return line < text.LineCount() ? PlaceAnswer(text.LineStart(line)) : -1;
    }
    case EM_LINEFROMCHAR:
        return PlaceAnswer(text.LineOf(IsMinusOne(wParam) ? selection.Start() : wParam));
    case EM_LINELENGTH:
        if (IsMinusOne(wParam))
            return UnselectedOnSelectedLines(text, selection);
        return CountAnswer(text.LineLength(text.LineOf(wParam)));
    case EM_GETLINE:
        return LineInto(text, wParam, reinterpret_cast<wchar_t*>(lParam));
    default:
        return std::nullopt;
    }
}

} // namespace octolume
