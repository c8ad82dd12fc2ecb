#pragma once
// The pending error that a procedure's trap catches and hands to the reporter.

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>

namespace octolume {

// Every number the program raises.
namespace error_number {
constexpr std::int32_t kOverflow = 6;
constexpr std::int32_t kOutOfMemory = 7;
constexpr std::int32_t kCannotDump = 9;
constexpr std::int32_t kSubscriptOutOfRange = 9;
constexpr std::int32_t kDllLoad = 48;
constexpr std::int32_t kInternal = 51;
constexpr std::int32_t kPathNotFound = 76;
constexpr std::int32_t kResourceNotFound = 326;
constexpr std::int32_t kDllEntryPointNotFound = 453;
constexpr std::int32_t kCancelled = 32755;
constexpr std::int32_t kEngineLoad = static_cast<std::int32_t>(0x80040000u);
} // namespace error_number

class AppError : public std::exception {
public:
    // Takes the last library error code recorded after the most recent external call.
    AppError(std::int32_t number, std::wstring description);
    AppError(std::int32_t number, std::wstring description, DWORD lastLibraryError);

    std::int32_t Number() const noexcept { return number_; }
    const std::wstring& Description() const noexcept { return description_; }
    DWORD LastLibraryErrorCode() const noexcept { return lastLibraryError_; }
    const char* what() const noexcept override { return "Octolume32 error"; }

private:
    std::int32_t number_;
    std::wstring description_;
    DWORD lastLibraryError_;
};

// Turns the exception being handled into the pending error: an AppError as it is,
// std::bad_alloc and std::length_error as "Out of memory" (7), anything else as
// "Internal error" (51).
// Call only inside a catch block.
AppError CaughtError();

} // namespace octolume
