// paged_benchmark.exe [--runs N]
//
// The engine's paged entry points as the viewer calls them, under Wine:
// - a search for 8 bytes that do not occur in a 1 GiB file of random bytes held in the
//   system cache: OctolumeFindBytes over the whole file in 16 MiB slices, against
//   bare_search.exe (ReadFile in 1 MiB blocks and std::search, nothing else);
// - OctolumeOpenFile and OctolumeDumpLines of 40 lines at the start and in the middle of a
//   64 GiB sparse file, against the same for a 4 KiB file.
// The files are made once in the build's bin folder and kept for later runs. The best run
// counts; the median shows the noise.

#include "bench_report.h"
#include "child_process.h"
#include "kept_file.h"
#include "engine/engine_contract.h"
#include "support/owners.h"
#include "test_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace octolume;
using namespace octolume::engine;
using test::BuiltFile;

constexpr std::uint64_t kSearchedSize = std::uint64_t{1} << 30;
constexpr std::uint64_t kHugeSize = std::uint64_t{64} << 30;
constexpr ULONG kSlice = 16 << 20;
constexpr char kQuery[] = "Octolume"; // 8 bytes, as good as absent from random bytes

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "paged_benchmark: %s\n", what.c_str());
    std::exit(1);
}

template <class Entry> Entry EntryPoint(HMODULE library, const char* name) {
    const auto entry =
        reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    if (!entry)
        Fail(std::string("octolume.dll has no ") + name);
    return entry;
}

struct Engine {
    HMODULE library = LoadLibraryW(BuiltFile(kLibraryName).c_str());
    OpenFileEntry open = EntryPoint<OpenFileEntry>(library, kOpenFileName);
    DumpLinesEntry lines = EntryPoint<DumpLinesEntry>(library, kDumpLinesName);
    FindBytesEntry find = EntryPoint<FindBytesEntry>(library, kFindBytesName);
    CloseFileEntry close = EntryPoint<CloseFileEntry>(library, kCloseFileName);

    OctolumePagedFile* Open(const std::wstring& path, ULONGLONG& size) const {
        BSTR full = nullptr;
        OctolumePagedFile* file = nullptr;
        if (open(path.c_str(), &full, &file, &size) != ERROR_SUCCESS)
            Fail("the engine cannot open a file of the benchmark");
        SysFreeString(full);
        return file;
    }
};

std::string Milliseconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, seconds < 0.01 ? "%.3f ms" : "%.1f ms", seconds * 1e3);
    return text;
}

std::string GigabytesPerSecond(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f GB/s", kSearchedSize / seconds / 1e9);
    return text;
}

void PrintSamples(const char* name, const bench::Samples& seconds) {
    std::printf("  %-58s best %10s  median %10s  worst %10s\n", name,
                Milliseconds(seconds.Least()).c_str(), Milliseconds(seconds.Median()).c_str(),
                Milliseconds(seconds.Most()).c_str());
}

// The bare program's runs over the file, each its time.
bench::Samples BareSearch(const std::wstring& path, int runs) {
    test::ChildProcess bare(BuiltFile(L"bare_search.exe"),
                            L"\"" + path + L"\" " + test::Wide(kQuery) + L" " +
                                std::to_wstring(runs),
                            {.captureOutput = true});
    const auto status = bare.Wait(std::chrono::minutes{10});
    if (status != DWORD{0})
        Fail("bare_search did not search the file: " + bare.Output() + bare.Errors());
    bench::Samples seconds;
    std::istringstream lines(bare.Output());
    std::string word;
    double value = 0;
    while (lines >> word >> value)
        seconds.Add(value);
    if (seconds.values.size() != static_cast<std::size_t>(runs))
        Fail("bare_search gave no times");
    return seconds;
}

// The whole file in slices, as the viewer asks: each slice's matches start in it.
double EngineSearch(const Engine& engine, OctolumePagedFile* file, std::uint64_t size) {
    OctolumeFindRequest request;
    request.needle = reinterpret_cast<const unsigned char*>(kQuery);
    request.needleLength = sizeof kQuery - 1;
    const double start = bench::Now();
    for (std::uint64_t first = 0; first < size; first += kSlice) {
        request.first = first;
        request.last = first + kSlice;
        ULONGLONG found = 0;
        if (engine.find(file, &request, &found) != ERROR_NOT_FOUND)
            Fail("the engine's search did not run through the file");
    }
    return bench::Now() - start;
}

// Opens the file and dumps 40 lines from `firstByte`: the seconds until the text is there.
double OpenAndDump(const Engine& engine, const std::wstring& path, bool middle) {
    std::vector<char> text(40 * 100);
    const double start = bench::Now();
    ULONGLONG size = 0;
    OctolumePagedFile* const file = engine.Open(path, size);
    const std::uint64_t first = middle ? size / 2 / 16 * 16 : 0;
    ULONG written = 0;
    const DWORD error =
        engine.lines(file, first, 40 * 16, text.data(), static_cast<ULONG>(text.size()), &written);
    const double seconds = bench::Now() - start;
    engine.close(file);
    if (error != ERROR_SUCCESS || written == 0)
        Fail("the engine did not dump 40 lines");
    return seconds;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 2 && std::wstring(argv[1]) == L"--runs" ? _wtoi(argv[2]) : 5;
    if (runs < 1)
        Fail("--runs needs a count of at least 1");
    const Engine engine;
    const std::wstring searched = BuiltFile(bench::kRandomGigabyteName);
    const std::wstring huge = BuiltFile(L"paged-benchmark-64GiB.bin");
    const std::wstring small = BuiltFile(L"paged-benchmark-4KiB.bin");
    try {
        bench::MakeKeptFile(searched, kSearchedSize, false);
        bench::MakeKeptFile(huge, kHugeSize, true);
        bench::MakeKeptFile(small, 4096, false);
    } catch (const std::exception& error) {
        Fail(error.what());
    }

    // One unmeasured pass of each puts the file in the system cache.
    BareSearch(searched, 1);
    ULONGLONG size = 0;
    OctolumePagedFile* const file = engine.Open(searched, size);
    EngineSearch(engine, file, size);
    bench::Samples bare, ours;
    for (int run = 0; run < runs; ++run) {
        bare.Add(BareSearch(searched, 1).Least());
        ours.Add(EngineSearch(engine, file, size));
    }
    engine.close(file);
    std::printf("Search for 8 absent bytes in 1 GiB of random bytes in the system cache, %s, "
                "%d runs each:\n",
                bench::kPlatform, runs);
    PrintSamples("OctolumeFindBytes, 16 MiB slices", ours);
    PrintSamples("bare_search.exe: ReadFile 1 MiB blocks + std::search", bare);
    bench::PrintRow("search of a cached 1 GiB file: OctolumeFindBytes in 16 MiB slices vs "
                    "ReadFile 1 MiB blocks + std::search (time)",
                    Milliseconds(ours.Least()) + " (" + GigabytesPerSecond(ours.Least()) + ")",
                    Milliseconds(bare.Least()) + " (" + GigabytesPerSecond(bare.Least()) + ")",
                    ours.Least() / bare.Least(), "<= 2");

    bench::Samples hugeFirst, hugeMiddle, smallFirst;
    OpenAndDump(engine, huge, true); // the dll's and the file system's first use
    for (int run = 0; run < runs * 4; ++run) {
        hugeFirst.Add(OpenAndDump(engine, huge, false));
        hugeMiddle.Add(OpenAndDump(engine, huge, true));
        smallFirst.Add(OpenAndDump(engine, small, false));
    }
    std::printf("OctolumeOpenFile + OctolumeDumpLines of 40 lines, %d runs each:\n", runs * 4);
    PrintSamples("64 GiB sparse file, first 40 lines", hugeFirst);
    PrintSamples("64 GiB sparse file, middle 40 lines", hugeMiddle);
    PrintSamples("4 KiB file, first 40 lines", smallFirst);
    bench::PrintRow("open + first 40 lines: 64 GiB sparse file vs 4 KiB file",
                    Milliseconds(hugeFirst.Least()), Milliseconds(smallFirst.Least()),
                    hugeFirst.Least() / smallFirst.Least(), "<= 1.5");
    bench::PrintRow("open + middle 40 lines: 64 GiB sparse file vs first 40 lines of 4 KiB file",
                    Milliseconds(hugeMiddle.Least()), Milliseconds(smallFirst.Least()),
                    hugeMiddle.Least() / smallFirst.Least(), "<= 1.5");
    return 0;
}
