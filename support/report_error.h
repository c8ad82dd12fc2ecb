#pragma once
// The central error reporter: one message box describing the pending error and its source.

#include "app_error.h"

#include <cstdint>
#include <string>

namespace octolume {

void ReportError(const AppError& error, const std::wstring& source);

// The system's text for an error code, or "Error (<code>) not defined.".
std::wstring GetDllErrorText(std::int32_t code);

} // namespace octolume
