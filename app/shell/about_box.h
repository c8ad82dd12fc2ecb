#pragma once
// The About box: the program's title and version, the maker and the distribution note.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace octolume {

constexpr wchar_t kMakerWebAddress[] = L"https://marrowind.example/octolume32";

struct ProgramVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t revision = 0;
};

// The version in the module's own version resource (the running program for null).
// Throws AppError 326 when the module has no readable version resource.
ProgramVersion ReadProgramVersion(HMODULE module = nullptr);

// Six lines separated by CR LF, with no line break after the last.
std::wstring AboutText(std::wstring_view title, const ProgramVersion& version);

} // namespace octolume
