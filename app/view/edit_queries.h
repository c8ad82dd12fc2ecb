#pragma once
// The answers a read-only multi-line edit control gives other programs about its text,
// worked out from the text, the selection and the first line in sight: WM_GETTEXT,
// WM_GETTEXTLENGTH, EM_GETSEL, EM_GETLINECOUNT, EM_GETFIRSTVISIBLELINE, EM_LINEINDEX,
// EM_LINEFROMCHAR, EM_LINELENGTH and EM_GETLINE. No window needed.

#include "view/line_indexed_text.h"
#include "view/text_positions.h"

#include <windows.h>

#include <optional>

namespace octolume {

struct EditQuerySubject {
    const LineIndexedText& text;
    TextSelection selection;
    std::size_t firstVisibleLine;
};

// The answer to a query, or nothing for a message that is no such query.
std::optional<LRESULT> AnswerEditQuery(const EditQuerySubject& subject, UINT message, WPARAM wParam,
                                       LPARAM lParam);

} // namespace octolume
