#include "shell/about_box.h"

#include "support/app_error.h"
#include "support/external_call.h"
#include "support/text_builder.h"

#include <cstring>

namespace octolume {

namespace {

constexpr std::wstring_view kLineBreak = L"\r\n";

// The root block of a version resource: its header, the key, padding to a 32-bit
// boundary, then the fixed file information.
constexpr wchar_t kVersionKey[] = L"VS_VERSION_INFO";
constexpr std::size_t kHeaderBytes = 3 * sizeof(WORD);
constexpr std::size_t kFixedInfoOffset = (kHeaderBytes + sizeof kVersionKey + 3) & ~std::size_t{3};

[[noreturn]] void ThrowNoVersion() {
    throw AppError(error_number::kResourceNotFound, L"Resource with identifier '1' not found");
}

} // namespace

ProgramVersion ReadProgramVersion(HMODULE module) {
    const HRSRC found =
        External(::FindResourceW, module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    if (found == nullptr) {
        ThrowNoVersion();
    }
    const DWORD size = External(::SizeofResource, module, found);
    const HGLOBAL loaded = External(::LoadResource, module, found);
    const auto* block =
        static_cast<const BYTE*>(loaded ? External(::LockResource, loaded) : nullptr);
    if (block == nullptr || size < kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO) ||
        std::memcmp(block + kHeaderBytes, kVersionKey, sizeof kVersionKey) != 0) {
        ThrowNoVersion();
    }
    VS_FIXEDFILEINFO fixed{};
    std::memcpy(&fixed, block + kFixedInfoOffset, sizeof fixed);
    if (fixed.dwSignature != VS_FFI_SIGNATURE) {
        ThrowNoVersion();
    }
    // Major.minor.build.revision: the build number (third field) is not part of the
    // version the program shows.
    return {HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
            LOWORD(fixed.dwFileVersionLS)};
}

std::wstring AboutText(std::wstring_view title, const ProgramVersion& version) {
    TextBuilder text;
    text.Append(title);
    text.Append(L" v");
    text.Append(std::to_wstring(version.major));
    text.Append(L".");
    text.Append(std::to_wstring(version.minor));
    text.Append(L".");
    text.Append(std::to_wstring(version.revision));
    text.AppendLine(L"", kLineBreak);
    text.AppendLine(L"", kLineBreak);
    text.AppendLine(L"Developed by Marrowind Software", kLineBreak);
    text.AppendLine(kMakerWebAddress, kLineBreak);
    text.AppendLine(L"", kLineBreak);
    text.Append(L"This utility may be distributed and used at no cost.");
    return text.ToString();
}

} // namespace octolume
