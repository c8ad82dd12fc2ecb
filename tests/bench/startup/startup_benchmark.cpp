// startup_benchmark.exe [--runs N]
//
// Time from starting a program to its main window shown and idle, for Octolume32.exe and
// minimal_window.exe (which only shows a window); to tell where the difference goes, the
// minimal one taking on Octolume32's steps one by one: its DLLs, OLE, its manifest, and a
// window with its menu bar, banner, label and fonts.
// Each starts once unmeasured (the first start in a prefix loads all from disk), then they
// take turns, N runs each; the best run counts, the median shows the noise.

#include "bench_report.h"
#include "child_process.h"
#include "test_support.h"

#include <iterator>

namespace {

using namespace octolume;
using octolume::test::BuiltFile;

constexpr DWORD kTimeoutMs = 30000;

BOOL CALLBACK TakeVisibleWindow(HWND window, LPARAM found) {
    auto& [processId, visible] = *reinterpret_cast<std::pair<DWORD, HWND>*>(found);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId && IsWindowVisible(window))
        visible = window;
    return !visible;
}

// Seconds from CreateProcess to a visible window and an idle program; negative when it
// did not get there in time. The program is closed (or ended) afterwards either way.
double TimeStart(const std::wstring& program, const std::wstring& arguments) {
    const double start = bench::Now();
    test::ChildProcess started(program, arguments, {.folder = test::ProgramFolder()});
    double seconds = -1;
    std::pair<DWORD, HWND> search{started.Id(), nullptr};
    for (const ULONGLONG deadline = GetTickCount64() + kTimeoutMs; GetTickCount64() < deadline;) {
        EnumWindows(TakeVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (search.second) {
            if (WaitForInputIdle(started.Handle(), kTimeoutMs) == 0)
                seconds = bench::Now() - start;
            PostMessageW(search.second, WM_CLOSE, 0, 0);
            break;
        }
        if (WaitForSingleObject(started.Handle(), 1) == WAIT_OBJECT_0)
            break; // ended without a window
    }
    if (!started.Wait(std::chrono::milliseconds{kTimeoutMs}))
        started.End();
    // Wine goes on tearing the ended process down for a while: without a pause the next
    // start pays for part of it.
    Sleep(500);
    return seconds;
}

std::string Milliseconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f ms", seconds * 1000);
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 2 && std::wstring(argv[1]) == L"--runs" ? _wtoi(argv[2]) : 10;
    // What Octolume32 loads at start-up besides what every window program loads: its engine
    // (which imports oleaut32), ole32, and msimg32 early from the system folder; comctl32
    // comes with the manifest. Each contender adds one step to the one before.
    const std::wstring dlls = L"--load ole32.dll,oleaut32.dll,msimg32.dll,octolume.dll";
    struct {
        const wchar_t *name, *program;
        std::wstring arguments;
        bench::Samples seconds;
    } contenders[] = {{L"Octolume32.exe", L"Octolume32.exe", L"", {}},
                      {L"minimal_window.exe", L"minimal_window.exe", L"", {}},
                      {L"  + Octolume32's DLLs", L"minimal_window.exe", dlls, {}},
                      {L"  + OLE", L"minimal_window.exe", dlls + L" --ole", {}},
                      {L"  + manifest", L"minimal_window.exe", dlls + L" --ole --manifest", {}},
                      {L"  + menu, banner, label, fonts", L"minimal_window.exe",
                       dlls + L" --ole --manifest --controls", {}}};
    constexpr int kCount = static_cast<int>(std::size(contenders));
    for (int run = -1; run < runs; ++run) {
        // Rotate who goes first, so none always follows the same one's exit.
        for (int turn = 0; turn < kCount; ++turn) {
            auto& contender = contenders[(run + 1 + turn) % kCount];
            const double seconds = TimeStart(BuiltFile(contender.program), contender.arguments);
            if (run >= 0 && seconds >= 0)
                contender.seconds.Add(seconds);
            else if (seconds < 0 &&
                     (run < 0 || (run == runs - 1 && contender.seconds.values.empty())))
                return std::fwprintf(stderr, L"%ls did not show its window\n", contender.name), 1;
        }
    }
    std::printf("Start-up to main window shown and idle, under Wine, %d runs each:\n", runs);
    for (const auto& contender : contenders)
        std::printf("  %-34ls best %s, median %s, worst %s\n", contender.name,
                    Milliseconds(contender.seconds.Least()).c_str(),
                    Milliseconds(contender.seconds.Median()).c_str(),
                    Milliseconds(contender.seconds.Most()).c_str());
    double best[kCount];
    for (int i = 0; i < kCount; ++i)
        best[i] = contenders[i].seconds.Least();
    std::printf("  Octolume32's extra time (best runs), step by step: %s loading DLLs, %s readying "
                "OLE, %s its manifest (common controls 6, visual styles), %s menu, banner, label "
                "and fonts, %s the rest (its own view, layout, drop target, keys)\n",
                Milliseconds(best[2] - best[1]).c_str(), Milliseconds(best[3] - best[2]).c_str(),
                Milliseconds(best[4] - best[3]).c_str(), Milliseconds(best[5] - best[4]).c_str(),
                Milliseconds(best[0] - best[5]).c_str());
    bench::PrintRow("start-up to window shown and idle, under Wine", Milliseconds(best[0]),
                    Milliseconds(best[1]), best[0] / best[1], "<= 1.20");
    return 0;
}
