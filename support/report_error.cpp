#include "report_error.h"

#include "external_call.h"
#include "message_box.h"

#include <string>

namespace octolume {

namespace {

constexpr wchar_t kLineBreak[] = L"\r\n";
constexpr UINT kExclamationBox = MB_OK | MB_ICONEXCLAMATION;

std::wstring BuildReport(std::int32_t number, const std::wstring& description,
                         DWORD lastLibraryError, const std::wstring& source) {
    std::wstring text;
    if (lastLibraryError == 0) {
        text = L"Error: " + description + kLineBreak + L"Source: " + source + kLineBreak + L"No: " +
               std::to_wstring(number) + kLineBreak;
    } else {
        const auto code = static_cast<std::int32_t>(lastLibraryError);
        text = L"DLL Error: " + GetDllErrorText(code) + kLineBreak + L"Error: " + description +
               kLineBreak + L"Source: " + source + kLineBreak + L"No: " + std::to_wstring(code) +
               kLineBreak;
    }
    text += kLineBreak;
    text += L"* If this problem persists, please contact our technical support staff for "
            L"assistance.";
    text += kLineBreak;
    text += L"  (Refer to the Troubleshooting section of the Help file for details.)";
    return text;
}

} // namespace

void ReportError(const AppError& error, const std::wstring& source) {
    // Copies first: the report itself makes external calls that move the recorded code on.
    const std::int32_t number = error.Number();
    const std::wstring description = error.Description();
    const DWORD lastLibraryError = error.LastLibraryErrorCode();
    try {
        ShowMessageBox(BuildReport(number, description, lastLibraryError, source),
                       L"Unexpected Error in " + source, kExclamationBox);
    } catch (...) {
        const AppError failure = CaughtError();
        ShowMessageBox(L"An error has occured in the error handler." + std::wstring(kLineBreak) +
                           std::to_wstring(failure.Number()) + kLineBreak + failure.Description(),
                       L"Error in Error Handler", kExclamationBox);
    }
}

} // namespace octolume
