#include "app_error.h"

#include "external_call.h"

#include <new>
#include <stdexcept>

namespace octolume {

namespace {
// Each thread's own, as the system's last-error code is: a thread that shows a dialog reads
// the code of its own calls, never one another thread wrote meanwhile.
thread_local DWORD recordedLastError = 0;
} // namespace

DWORD LastLibraryError() noexcept {
    return recordedLastError;
}
void RecordLastLibraryError(DWORD code) noexcept {
    recordedLastError = code;
}

AppError::AppError(std::int32_t number, std::wstring description)
    : AppError(number, std::move(description), LastLibraryError()) {}

AppError::AppError(std::int32_t number, std::wstring description, DWORD lastLibraryError)
    : number_(number), description_(std::move(description)), lastLibraryError_(lastLibraryError) {}

AppError CaughtError() {
    try {
        throw;
    } catch (const AppError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return AppError(error_number::kOutOfMemory, L"Out of memory");
    } catch (const std::length_error&) { // a text longer than a string can hold
        return AppError(error_number::kOutOfMemory, L"Out of memory");
    } catch (...) {
        return AppError(error_number::kInternal, L"Internal error");
    }
}

} // namespace octolume
