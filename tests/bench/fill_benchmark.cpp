// fill_benchmark.exe [--one-call-limit-kib N] [--content zeros|random] [--size-kib N]
//
// Prints how long the viewer takes to show files of 256 KiB, 1 MiB and 2 MiB through the
// load-and-display pipeline (engine, then the view filled in pieces), beside the time the
// rich-edit view takes to take the same dump text in one call (WM_SETTEXT). Two kinds of
// content: zero-filled (long runs of one character, the slow case for the control) and
// random bytes. One-call fills of files above the limit (default: all) are skipped, since
// they can take minutes under Wine.

#include "app/load_and_display.h"
#include "support/text.h"
#include "viewer_test_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace octolume;
using namespace octolume::testing;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

template <class Step> double Time(Step&& step) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    step();
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

std::string Content(size_t size, bool random) {
    std::string bytes(size, '\0');
    if (random) {
        std::mt19937 generator(12345);
        for (char& byte : bytes)
            byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    size_t oneCallLimitKiB = 2048;
    std::vector<bool> contents{false, true};
    std::vector<size_t> sizes{256, 1024, 2048};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i], value = argv[i + 1];
        if (option == L"--one-call-limit-kib")
            oneCallLimitKiB = static_cast<size_t>(std::wcstoul(value.c_str(), nullptr, 10));
        else if (option == L"--content")
            contents = {value == L"random"};
        else if (option == L"--size-kib")
            sizes = {static_cast<size_t>(std::wcstoul(value.c_str(), nullptr, 10))};
    }

    const HMODULE engine = LoadLibraryW((ProgramFolder() / L"octolume.dll").c_str());
    if (!engine) {
        std::fputs("octolume.dll not found beside the benchmark\n", stderr);
        return 1;
    }
    MessageBoxCapture noBoxes;
    TempFolder folder;
    std::printf("%-8s %-7s %12s %14s %16s\n", "content", "size", "characters", "pipeline (s)",
                "one call (s)");
    for (const bool random : contents) {
        for (const size_t kib : sizes) {
            const auto file = folder.Write(L"bench.bin", Content(kib * 1024, random));
            ViewerWindow window;
            const double pipeline = Time([&] {
                GetAndDisplayOctolume({window.View(), window.Label()}, file.wstring());
            });
            const std::wstring text = WindowText(window.View());

            char oneCall[32] = "skipped";
            if (kib <= oneCallLimitKiB) {
                ViewerWindow fresh;
                const double seconds = Time([&] {
                    SendMessageW(fresh.View(), WM_SETTEXT, 0,
                                 reinterpret_cast<LPARAM>(text.c_str()));
                });
                std::snprintf(oneCall, sizeof oneCall, "%.2f", seconds);
            }
            std::printf("%-8s %4zu KiB %12zu %14.2f %16s\n", random ? "random" : "zeros", kib,
                        text.size(), pipeline, oneCall);
            std::fflush(stdout);
        }
    }
    FreeLibrary(engine);
    return noBoxes.Boxes().empty() ? 0 : 1;
}
