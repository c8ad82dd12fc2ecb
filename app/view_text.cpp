#include "view_text.h"

#include "support/external_call.h"

#include <richedit.h>

#include <string>

namespace octolume {

namespace {
constexpr std::size_t kPieceLength = 65536;

// Ends a piece after a line break where one exists, so a CR LF pair never straddles two
// pieces (the control would count a lone CR and a lone LF as two line breaks).
std::size_t PieceEnd(std::wstring_view text, std::size_t start) {
    const std::size_t end = start + kPieceLength;
    if (end >= text.size())
        return text.size();
    const std::size_t lineBreak = text.rfind(L'\n', end - 1);
    return lineBreak != std::wstring_view::npos && lineBreak >= start ? lineBreak + 1 : end;
}
} // namespace

void ReplaceViewText(HWND view, std::wstring_view text) {
    Send(view, WM_SETTEXT, 0, L"");
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = PieceEnd(text, start);
        const std::wstring piece(text.substr(start, end - start));
        Send(view, EM_SETSEL, -1, -1);
        Send(view, EM_REPLACESEL, FALSE, piece.c_str());
        start = end;
    }
    // Appending leaves the caret at the end: the dump is read from its first line.
    Send(view, EM_SETSEL, 0, 0);
    Send(view, EM_SCROLLCARET, 0, 0);
}

} // namespace octolume
