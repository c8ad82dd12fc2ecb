#pragma once
// Conversions between the program's UTF-16 strings and the system's ANSI code page,
// used only where text crosses into "A" functions or the dump engine, and into UTF-8 for
// the messages of octolume-dump.

#include <optional>
#include <string>
#include <string_view>

namespace octolume {

// Characters the code page lacks become its default character ("?"), never a look-alike.
std::string ToAnsi(std::wstring_view text);
// The text in the ANSI code page only when every character comes through exactly;
// otherwise nothing. For paths: a substitute can name another, existing file (a "best
// fit" turns ā.txt into a.txt).
std::optional<std::string> ToAnsiExactly(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);
// UTF-8, for text shown, never for names handed back to the system: a lone surrogate
// (which a file name may hold) becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);

} // namespace octolume
