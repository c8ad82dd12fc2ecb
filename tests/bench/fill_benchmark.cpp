// fill_benchmark.exe [--one-call-limit-kib N] [--content zeros|random] [--size-kib N]
//
// Prints how long the viewer takes to show files of 256 KiB, 1 MiB and 2 MiB through the
// load-and-display pipeline (engine, then the view filled in pieces), beside the time the
// rich-edit view takes to take the same dump text in one call (WM_SETTEXT). Two kinds of
// content: zero-filled (long runs of one character, the slow case for the control) and
// random bytes. Each one-call fill runs in a child process of its own, since under Wine
// it can exhaust the address space and crash (shown as "crashed"); fills of files above
// the limit (default: none) are skipped, since they can take minutes.

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

// The one-call fill of the dump of one file, in a fresh process; its seconds, or why not.
std::string OneCallInChild(bool random, size_t kib) {
    wchar_t self[MAX_PATH]{};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --one-call-only 1 --content " +
                               (random ? L"random" : L"zeros") + L" --size-kib " +
                               std::to_wstring(kib);
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return "no pipe";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &child);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char buffer[256];
        DWORD read = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
            output.append(buffer, read);
        WaitForSingleObject(child.hProcess, INFINITE);
        DWORD exitCode = 1;
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        if (exitCode != 0)
            output = "crashed";
    }
    CloseHandle(readEnd);
    return started ? output : "not started";
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
    bool oneCallOnly = false;
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
        else if (option == L"--one-call-only")
            oneCallOnly = true;
    }

    const HMODULE engine = LoadLibraryW((ProgramFolder() / L"octolume.dll").c_str());
    if (!engine) {
        std::fputs("octolume.dll not found beside the benchmark\n", stderr);
        return 1;
    }
    MessageBoxCapture noBoxes;
    TempFolder folder;
    if (oneCallOnly) {
        const auto file =
            folder.Write(L"bench.bin", Content(sizes.front() * 1024, contents.front()));
        std::wstring path = file.wstring();
        const std::wstring text = DoOctolume(path);
        ViewerWindow fresh;
        const double seconds = Time([&] {
            SendMessageW(fresh.View(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        });
        std::printf("%.2f", seconds);
        return 0;
    }
    std::printf("%-8s %-7s %12s %14s %16s\n", "content", "size", "characters", "pipeline (s)",
                "one call (s)");
    for (const bool random : contents) {
        for (const size_t kib : sizes) {
            const auto file = folder.Write(L"bench.bin", Content(kib * 1024, random));
            ViewerWindow window;
            const double pipeline = Time([&] {
                GetAndDisplayOctolume({window.Dump(), window.Label()}, file.wstring());
            });
            const std::wstring text = WindowText(window.View());

            const std::string oneCall =
                kib <= oneCallLimitKiB ? OneCallInChild(random, kib) : "skipped";
            std::printf("%-8s %4zu KiB %12zu %14.2f %16s\n", random ? "random" : "zeros", kib,
                        text.size(), pipeline, oneCall.c_str());
            std::fflush(stdout);
        }
    }
    FreeLibrary(engine);
    return noBoxes.Boxes().empty() ? 0 : 1;
}
