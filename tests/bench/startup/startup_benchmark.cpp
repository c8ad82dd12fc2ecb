// startup_benchmark.exe [--runs N]
//
// Time from starting a program to its main window shown and the program idle (waiting
// for input), for Octolume32.exe and for minimal_window.exe, which only shows a window.
// Both sit beside the benchmark. To tell what the difference is spent on, the minimal
// program also runs loading Octolume32's DLLs first, then also readying OLE, then also
// with a rich-edit view in its window.
// Each is started once unmeasured (the first start in a Wine prefix loads everything
// from disk), then they take turns, N runs each; the best run counts and the median
// shows the noise.

#include "bench_report.h"
#include "support/owners.h"
#include "test_support.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

using octolume::UniqueHandle;
using octolume::bench::Now;
using octolume::bench::Samples;
using octolume::test::BuiltFile;
using octolume::test::ProgramFolder;

constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kSettleMs = 500;

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK TakeVisibleWindowOf(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleWindowOf(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(TakeVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Seconds from CreateProcess to a visible window and an idle program; negative when it
// did not get there in time. The program is closed (or ended) afterwards either way.
double TimeStart(const std::wstring& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const double start = Now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        ProgramFolder().c_str(), &startup, &started))
        return -1;
    const UniqueHandle process(started.hProcess), thread(started.hThread);
    double seconds = -1;
    HWND window = nullptr;
    const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
    while (GetTickCount64() < deadline) {
        window = VisibleWindowOf(started.dwProcessId);
        if (window) {
            if (WaitForInputIdle(started.hProcess, kTimeoutMs) == 0)
                seconds = Now() - start;
            break;
        }
        if (WaitForSingleObject(started.hProcess, 1) == WAIT_OBJECT_0)
            break; // ended without a window
    }
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(started.hProcess, kTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(started.hProcess, 1);
        WaitForSingleObject(started.hProcess, kTimeoutMs);
    }
    // Wine goes on tearing the ended process down (its X windows, the server's side) for
    // a while: without a pause the next start pays for part of it.
    Sleep(kSettleMs);
    return seconds;
}

std::string Milliseconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f ms", seconds * 1000);
    return text;
}

} // namespace

struct Contender {
    const wchar_t* name;
    const wchar_t* program;
    const wchar_t* arguments;
    Samples seconds;
};

int wmain(int argc, wchar_t** argv) {
    int runs = 10;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::wstring(argv[i]) == L"--runs")
            runs = _wtoi(argv[i + 1]);

    // Octolume32 imports these, loads the rich-edit control's and loads its engine.
    const wchar_t* const dlls =
        L"--load comctl32.dll,ole32.dll,oleaut32.dll,shell32.dll,msftedit.dll,octolume.dll";
    const std::wstring dllsAndOle = std::wstring(dlls) + L" --ole";
    const std::wstring dllsOleAndView = dllsAndOle + L" --view";
    Contender contenders[] = {
        {L"Octolume32.exe", L"Octolume32.exe", L"", {}},
        {L"minimal_window.exe", L"minimal_window.exe", L"", {}},
        {L"  + Octolume32's DLLs", L"minimal_window.exe", dlls, {}},
        {L"  + DLLs and OLE", L"minimal_window.exe", dllsAndOle.c_str(), {}},
        {L"  + DLLs, OLE, rich-edit view", L"minimal_window.exe", dllsOleAndView.c_str(), {}},
    };
    constexpr int kCount = static_cast<int>(std::size(contenders));
    for (Contender& contender : contenders) {
        if (TimeStart(BuiltFile(contender.program), contender.arguments) < 0) {
            std::fwprintf(stderr, L"%ls did not show its window\n", contender.name);
            return 1;
        }
    }
    for (int run = 0; run < runs; ++run) {
        // Rotate who goes first, so none always follows the same one's exit.
        for (int turn = 0; turn < kCount; ++turn) {
            Contender& contender = contenders[(run + turn) % kCount];
            const double seconds = TimeStart(BuiltFile(contender.program), contender.arguments);
            if (seconds >= 0)
                contender.seconds.Add(seconds);
        }
    }
    for (const Contender& contender : contenders) {
        if (contender.seconds.Empty()) {
            std::fwprintf(stderr, L"%ls never showed its window in time\n", contender.name);
            return 1;
        }
    }
    std::printf("Start-up to main window shown and idle, under Wine, %d runs each:\n", runs);
    for (const Contender& contender : contenders)
        std::printf("  %-30ls best %s, median %s, worst %s\n", contender.name,
                    Milliseconds(contender.seconds.Least()).c_str(),
                    Milliseconds(contender.seconds.Median()).c_str(),
                    Milliseconds(contender.seconds.Most()).c_str());
    const double ours = contenders[0].seconds.Least(), minimal = contenders[1].seconds.Least();
    const double withDlls = contenders[2].seconds.Least();
    const double withOle = contenders[3].seconds.Least();
    const double withView = contenders[4].seconds.Least();
    std::printf("  Octolume32's extra time (best runs): %s loading DLLs, %s readying OLE, %s "
                "creating a rich-edit view, %s the rest (banner, label, menus, layout)\n",
                Milliseconds(withDlls - minimal).c_str(), Milliseconds(withOle - withDlls).c_str(),
                Milliseconds(withView - withOle).c_str(), Milliseconds(ours - withView).c_str());
    std::printf("  ratio of medians %.2f\n",
                contenders[0].seconds.Median() / contenders[1].seconds.Median());
    octolume::bench::PrintRow("start-up to window shown and idle, under Wine", Milliseconds(ours),
                              Milliseconds(minimal), ours / minimal, "<= 1.20");
    return 0;
}
