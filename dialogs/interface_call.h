#pragma once
// Arguments and results of method calls made by method-table offset.

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace octolume {

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "32-bit and 64-bit programs only");

// One argument of a method call. Pointers (interfaces, out-variables, GUIDs, window
// handles) travel as integers as wide as a pointer: 32 bits in a 32-bit program, 64 bits
// in a 64-bit one. A string travels as the address of its NUL-terminated characters, so
// it must outlive the call.
class CallArgument {
public:
    CallArgument(std::int32_t value) : value_(value) {}
    CallArgument(std::int16_t value) : value_(value) {}
    CallArgument(bool value) : value_(value) {}
    CallArgument(const std::wstring& text)
        : value_(std::in_place_type<const wchar_t*>, text.c_str()) {}
    CallArgument(const void* address) : value_(std::in_place_type<const void*>, address) {}

    // The automation type tag the platform's call facility is given for this argument.
    VARTYPE Type() const noexcept;
    // The argument as the automation value the call facility reads.
    VARIANT ToVariant() const noexcept;

private:
    std::variant<std::int32_t, std::int16_t, bool, const wchar_t*, const void*> value_;
};

// What a method returned, or nothing when no call was made or the platform refused it.
using CallResult = std::optional<std::int32_t>;

// A call succeeded only when it was made and the method returned S_OK.
inline bool CallSucceeded(const CallResult& result) noexcept {
    return result && *result == 0;
}

} // namespace octolume
