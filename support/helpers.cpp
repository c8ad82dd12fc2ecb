// The helpers the dialog wrapper uses too; those for windows are in window_helpers.cpp.

#include "helpers.h"

#include "app_error.h"
#include "external_call.h"

#include <cstring>
#include <limits>

namespace octolume {

bool StringsEqual(const std::wstring& a, const std::wstring& b, std::int32_t ignoreCase) {
    if (a.size() != b.size())
        return false;
    if (ignoreCase != 0) {
        const int result =
            External(::CompareStringW, LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                     static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
        return result == CSTR_EQUAL;
    }
    return a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(wchar_t)) == 0;
}

std::int32_t SafeUBound(SAFEARRAY* const* array, std::int32_t dimension) {
    if (array == nullptr || *array == nullptr)
        return -1;
    const SAFEARRAY& descriptor = **array;
    const auto dimensions = static_cast<std::int16_t>(descriptor.cDims);
    if (dimension > dimensions || dimension < 1)
        return -1;
    // The bound records run from the last dimension to the first.
    const SAFEARRAYBOUND& bound = descriptor.rgsabound[dimensions - dimension];
    const long long upper = static_cast<long long>(bound.lLbound) + bound.cElements - 1;
    if (upper < std::numeric_limits<std::int32_t>::min() ||
        upper > std::numeric_limits<std::int32_t>::max())
        throw AppError(error_number::kOverflow, L"Overflow");
    return static_cast<std::int32_t>(upper);
}

} // namespace octolume
