#pragma once
// The system's own text for an error code, for the error reporter and octolume-dump.exe
// alike. Apart from the reporter, so a console program takes it without message boxes.

#include <cstdint>
#include <string>

namespace octolume {

// The system's text for an error code, its line break kept, or "Error (<code>) not
// defined.".
std::wstring GetDllErrorText(std::int32_t code);

} // namespace octolume
