#pragma once
// Conversions between the program's UTF-16 strings and the system's ANSI code page,
// used only where text crosses into "A" functions or the dump engine.

#include <string>
#include <string_view>

namespace octolume {

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);

} // namespace octolume
