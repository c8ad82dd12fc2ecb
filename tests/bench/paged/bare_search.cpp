// bare_search.exe FILE QUERY RUNS
//
// The least a Windows program does to search a file: ReadFile in 1 MiB blocks, each block
// searched with std::search for QUERY (its bytes as given, ASCII), the last bytes of one
// block kept before the next so that a match across their edge is found. Prints one
// "seconds S" line a run, or "found OFFSET" and exits 1 if the query occurs.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fputs("usage: bare_search FILE QUERY RUNS\n", stderr);
        return 2;
    }
    const std::wstring wideQuery = argv[2];
    const std::string query(wideQuery.begin(), wideQuery.end());
    const int runs = _wtoi(argv[3]);
    constexpr std::size_t kBlock = 1 << 20;
    const std::size_t overlap = query.size() - 1;
    std::vector<char> buffer(overlap + kBlock);
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "bare_search: cannot open the file (%lu)\n", GetLastError());
            return 2;
        }
        unsigned long long passed = 0; // file offset of buffer[0]
        std::size_t kept = 0;
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(file, buffer.data() + kept, kBlock, &read, nullptr) || read == 0)
                break;
            const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(kept + read);
            const auto match = std::search(buffer.begin(), end, query.begin(), query.end());
            if (match != end) {
                std::printf("found %llu\n", passed + (match - buffer.begin()));
                return 1;
            }
            kept = std::min<std::size_t>(overlap, kept + read);
            std::copy(end - static_cast<std::ptrdiff_t>(kept), end, buffer.begin());
            passed += (end - buffer.begin()) - kept;
        }
        CloseHandle(file);
        std::printf(
            "seconds %.6f\n",
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return 0;
}
