#pragma once
// Big files the Windows benchmarks share, made once in the build's bin folder and kept for
// later runs: writing a gigabyte takes longer than most measurements.

#include "support/owners.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace octolume::bench {

inline std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// A file of `size` bytes: random ones (xorshift, quick to make, the same every time), or
// with `sparse` a hole made by setting the end. Kept from an earlier run when it has the
// size. Throws std::runtime_error.
inline void MakeKeptFile(const std::wstring& path, std::uint64_t size, bool sparse) {
    if (FileSize(path) == size)
        return;
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw std::runtime_error("cannot create " + std::to_string(size) + " bytes to measure");
    if (sparse) {
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(size);
        if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get()))
            throw std::runtime_error("cannot size a sparse file");
        return;
    }
    std::vector<std::uint64_t> block(1 << 19); // 4 MiB
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (std::uint64_t done = 0; done < size; done += block.size() * 8) {
        for (std::uint64_t& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        // The last block only as far as the size.
        const auto length =
            static_cast<DWORD>(std::min<std::uint64_t>(block.size() * 8, size - done));
        DWORD written = 0;
        if (!WriteFile(file.get(), block.data(), length, &written, nullptr) || written != length)
            throw std::runtime_error("cannot write a file to measure");
    }
}

// 1 GiB of random bytes, in the bin folder.
inline constexpr wchar_t kRandomGigabyteName[] = L"benchmark-random-1GiB.bin";
inline constexpr std::uint64_t kGigabyte = std::uint64_t{1} << 30;

} // namespace octolume::bench
