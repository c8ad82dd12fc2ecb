#pragma once
// The answers a read-only multi-line edit control gives other programs about its text,
// worked out from the document, the selection and the first line in sight: WM_GETTEXT,
// WM_GETTEXTLENGTH, EM_GETSEL, EM_GETLINECOUNT, EM_GETFIRSTVISIBLELINE, EM_LINEINDEX,
// EM_LINEFROMCHAR, EM_LINELENGTH and EM_GETLINE. No window needed.
//
// Their numbers are 32-bit, the document's 64: an answer that fits is true; a count that
// does not is the largest the answer can hold, a position or line number that does not is
// -1 (0xFFFFFFFF where EM_GETSEL writes it). The whole text is given up to kMostTextGiven
// characters, which bounds what an accessibility tool (the system's proxy reads the text
// through these queries) makes this program allocate and copy.

#include "view/text_document.h"
#include "view/text_positions.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace octolume {

// 64 Mi characters: 128 MiB of UTF-16, the dump of 12 MiB of a file.
constexpr std::uint64_t kMostTextGiven = std::uint64_t{64} << 20;

// What a copy of `characters` of text beyond kMostTextGiven is refused with: the size and the
// bound, grouped by thousands. Copy and every other copy of text from the view say the same.
std::wstring TooMuchToCopyText(std::uint64_t characters);

struct EditQuerySubject {
    const TextDocument& text;
    TextSelection selection;
    std::uint64_t firstVisibleLine;
};

// The answer to a query, or nothing for a message that is no such query.
std::optional<LRESULT> AnswerEditQuery(const EditQuerySubject& subject, UINT message, WPARAM wParam,
                                       LPARAM lParam);

} // namespace octolume
