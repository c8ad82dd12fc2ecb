#pragma once
// The central error reporter: one message box describing the pending error and its source.

#include "app_error.h"
#include "system_message.h"

#include <cstdint>
#include <string>

namespace octolume {

void ReportError(const AppError& error, const std::wstring& source);

} // namespace octolume
