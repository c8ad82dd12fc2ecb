#include "system_message.h"

#include "external_call.h"

namespace octolume {

std::wstring GetDllErrorText(std::int32_t code) {
    constexpr DWORD kBufferSize = 1024;
    std::wstring buffer(kBufferSize, L'\0');
    // Inserts are left as they stand: with no argument list, expanding them would read
    // arguments that were never passed.
    const DWORD length =
        External(::FormatMessageW, FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, static_cast<DWORD>(code), 0, buffer.data(), kBufferSize, nullptr);
    if (length == 0)
        return L"Error (" + std::to_wstring(code) + L") not defined.";
    buffer.resize(length);
    return buffer;
}

} // namespace octolume
