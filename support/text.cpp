#include "text.h"

#include "external_call.h"

#include <windows.h>

namespace octolume {

namespace {

struct AnsiConversion {
    std::string text;
    bool substituted = false;
};

AnsiConversion ConvertToAnsi(std::wstring_view text) {
    if (text.empty())
        return {};
    // UTF-7 and UTF-8 as the ANSI code page take neither the flag nor the report of a
    // default character; they hold every character anyway.
    const UINT codePage = External(::GetACP);
    const bool takesFlags = codePage != CP_UTF7 && codePage != CP_UTF8;
    const DWORD flags = takesFlags ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* const usedDefaultReport = takesFlags ? &usedDefault : nullptr;
    const int size = static_cast<int>(text.size());
    const int needed = External(::WideCharToMultiByte, CP_ACP, flags, text.data(), size, nullptr, 0,
                                nullptr, nullptr);
    AnsiConversion result{std::string(static_cast<size_t>(needed), '\0')};
    External(::WideCharToMultiByte, CP_ACP, flags, text.data(), size, result.text.data(), needed,
             nullptr, usedDefaultReport);
    result.substituted = usedDefault != FALSE;
    return result;
}

} // namespace

std::string ToAnsi(std::wstring_view text) {
    return ConvertToAnsi(text).text;
}

std::optional<std::string> ToAnsiExactly(std::wstring_view text) {
    AnsiConversion converted = ConvertToAnsi(text);
    // The way back catches what the default-character report cannot: a broken surrogate
    // pair, or a code page that took no flags.
    if (converted.substituted || FromAnsi(converted.text) != text)
        return std::nullopt;
    return std::move(converted.text);
}

std::wstring FromAnsi(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, result.data(), needed);
    return result;
}

std::string ToUtf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int needed = External(::WideCharToMultiByte, CP_UTF8, 0, text.data(), size, nullptr, 0,
                                nullptr, nullptr);
    std::string result(static_cast<size_t>(needed), '\0');
    External(::WideCharToMultiByte, CP_UTF8, 0, text.data(), size, result.data(), needed, nullptr,
             nullptr);
    return result;
}

} // namespace octolume
