// fill_benchmark.exe [--section all|fill|replace|bare] [--repeat N] [--content zeros|random]
//                    [--size-kib N] [--time-limit-s N]
//
// How fast the viewer shows dumps and what memory it keeps, under Wine with a display:
// fill (files of 256 KiB to 2 MiB through the real main window), replace (a 64 KiB file
// after a long dump, beside a fresh program), bare (the pipeline beside the view's own
// fill). Every case runs in a child process of its own (this program with --case), so a
// case that exhausts the address space shows as "crashed" and one past the time limit as
// "> N s". Timings are the best of --repeat runs (default 3), taken side by side.

#include "app/main_window.h"
#include "app/message_pump.h"
#include "bench_report.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <psapi.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <tuple>

namespace {

using namespace octolume;
using namespace octolume::test;
using namespace octolume::bench;

// Private bytes as Windows counts them: the committed private pages of the address space.
// Wine reports GetProcessMemoryInfo's PrivateUsage as 0.
double PrivateMiB() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    // Past the highest address a program may use, the query fails.
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize)
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    return total / 1048576.0;
}

// The child's last line: private MiB and peak working set MiB (Wine's VmHWM).
void PrintMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, counters.cb = sizeof counters);
    std::printf("memory %.1f %.1f\n", PrivateMiB(), counters.PeakWorkingSetSize / 1048576.0);
}

std::string Content(size_t kib, bool random, unsigned seed) {
    std::string bytes(kib * 1024, '\0');
    std::mt19937 generator(seed);
    for (char& byte : bytes)
        byte = random ? static_cast<char>(generator()) : 0;
    return bytes;
}

// Loads files of the given sizes in KiB into the real main window one after another, or
// (`bare`) shows the dump of one in the program's view in a window of nothing else.
int ChildCase(const std::wstring& steps, bool random, bool bare) {
    OleInitialize(nullptr);
    std::unique_ptr<frmOctolume> form;
    std::optional<ViewerWindow> window;
    if (bare)
        ShowWindow(window.emplace().Frame(), SW_SHOWNORMAL);
    else
        form = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
    ProcessPendingMessages();
    TempFolder folder;
    std::wstringstream list(steps);
    for (std::wstring step; std::getline(list, step, L',');) {
        // The small file is the same in every case; the long ones differ from it.
        const size_t kib = std::stoul(step);
        std::wstring file =
            folder.Write(step + L".bin", Content(kib, random, kib == 64 ? 64 : 12345));
        const std::wstring text = bare ? DoOctolume(file) : L"";
        const double start = Now();
        if (bare) { // the pipeline's own steps around the fill
            SendMessageW(window->View(), WM_SETREDRAW, FALSE, 0);
            window->Dump().ShowText(text);
            SendMessageW(window->View(), WM_SETREDRAW, TRUE, 0);
            RedrawWindow(window->View(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        } else {
            form->GetAndDisplayOctolume(file);
        }
        std::printf("step %.3f\n", Now() - start);
    }
    PrintMemory();
    return 0;
}

struct Run {
    std::vector<double> seconds; // one per step
    double privateMiB = 0, peakMiB = 0;
    std::string failure = "crashed"; // or "> N s", or empty when it ran to the end
    bool Ok() const { return failure.empty(); }
    // The step's time, private and peak MiB in columns; or the failure.
    std::string Cells(size_t step) const {
        char text[64];
        std::snprintf(text, sizeof text, "%8.2f s %10.0f %10.0f", Ok() ? seconds.at(step) : 0,
                      privateMiB, peakMiB);
        return Ok() ? text : failure;
    }
};

DWORD timeLimitMs = 600000;

Run RunChild(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + BuiltFile(L"fill_benchmark.exe") + L"\" " + arguments;
    // The child writes to a file, so the time limit holds however it behaves.
    TempFolder folder;
    const std::wstring outPath = folder.Path() + L"\\out.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const UniqueHandle out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                       CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    Run run;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &child))
        return run.failure = "not started", run;
    const UniqueHandle process(child.hProcess), thread(child.hThread);
    DWORD exitCode = 1;
    if (WaitForSingleObject(process.get(), timeLimitMs) == WAIT_TIMEOUT) {
        TerminateProcess(process.get(), 2);
        WaitForSingleObject(process.get(), INFINITE);
        run.failure = "> " + std::to_string(timeLimitMs / 1000) + " s";
    } else if (GetExitCodeProcess(process.get(), &exitCode) && exitCode == 0) {
        run.failure.clear();
    }
    std::ifstream lines{std::filesystem::path(outPath)};
    for (std::string kind; lines >> kind;) {
        if (kind == "step")
            lines >> run.seconds.emplace_back();
        else
            lines >> run.privateMiB >> run.peakMiB;
    }
    if (run.Ok() && run.privateMiB == 0)
        run.failure = "no figures";
    return run;
}

// The best of several runs of the same case: each step's least time, the first run's
// memory; a failure only when no run succeeded.
struct Best : Run {
    void Add(const Run& run) {
        if (!Ok() || seconds.empty()) {
            static_cast<Run&>(*this) = run;
            return;
        }
        for (size_t step = 0; run.Ok() && step < seconds.size(); ++step)
            seconds[step] = std::min(seconds[step], run.seconds.at(step));
    }
};

// Prints a target figure (times of the given steps, or private bytes), or why it is missing.
void Row(const std::string& figure, const Best& ours, size_t step, const Best& theirs,
         const std::string& target, bool memory = false) {
    if (!ours.Ok() || !theirs.Ok()) {
        const std::string why = ours.Ok() ? theirs.failure : ours.failure;
        std::printf("ROW\t%s\t%s\t-\t-\t%s\n", figure.c_str(), why.c_str(), target.c_str());
        return;
    }
    const double a = memory ? ours.privateMiB : ours.seconds.at(step);
    const double b = memory ? theirs.privateMiB : theirs.seconds.at(0);
    char cells[2][32];
    std::snprintf(cells[0], sizeof cells[0], memory ? "%.0f MiB" : "%.2f s", a);
    std::snprintf(cells[1], sizeof cells[1], memory ? "%.0f MiB" : "%.2f s", b);
    PrintRow(figure, cells[0], cells[1], a / b, target);
}

void FillSection(const std::vector<std::wstring>& contents, const std::vector<size_t>& sizes) {
    std::printf("\nFill: files through the real main window\n%-8s %8s %10s %10s %10s\n", "content",
                "size", "seconds", "private", "peak WS");
    for (const std::wstring& content : contents)
        for (const size_t kib : sizes) {
            const Run run =
                RunChild(L"--case load --content " + content + L" --steps " + std::to_wstring(kib));
            std::printf("%-8ls %4zu KiB %s\n", content.c_str(), kib, run.Cells(0).c_str());
        }
}

void ReplaceSection(int repeat) {
    std::printf("\nReplace: a 64 KiB random file after a long dump and in a fresh program "
                "(best of %d)\n%-30s %10s %10s %10s\n",
                repeat, "case", "64 KiB", "private", "peak WS");
    // Side by side, so a busy spell of the machine does not fall on one case alone.
    Best fresh, after1, after2;
    for (int run = 0; run < repeat; ++run) {
        fresh.Add(RunChild(L"--case load --steps 64"));
        after1.Add(RunChild(L"--case load --steps 1024,64"));
        after2.Add(RunChild(L"--case load --steps 2048,64"));
    }
    for (const auto& [name, best, step] : {std::tuple("fresh program", &fresh, 0),
                                           {"after 1 MiB random", &after1, 1},
                                           {"after 2 MiB random", &after2, 1}})
        std::printf("%-30s %s\n", name, best->Cells(step).c_str());
    for (const bool memory : {false, true})
        for (const auto& [size, after] : {std::pair("1 MiB", &after1), {"2 MiB", &after2}})
            Row((memory ? "private bytes after " : "replace ") + std::string(size) +
                    " random then 64 KiB vs fresh",
                *after, 1, fresh, memory ? "<= 1.3" : "<= 1.2", memory);
}

void BareSection(int repeat) {
    Best pipeline, bare;
    for (int run = 0; run < repeat; ++run) {
        pipeline.Add(RunChild(L"--case load --steps 1024"));
        bare.Add(RunChild(L"--case bare --steps 1024"));
    }
    std::printf("\n1 MiB random, best of %d: seconds, private and peak WS MiB\n  pipeline   %s\n"
                "  view only  %s\n",
                repeat, pipeline.Cells(0).c_str(), bare.Cells(0).c_str());
    Row("pipeline 1 MiB random vs bare view's best fill", pipeline, 0, bare, "<= 1.1");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::map<std::wstring, std::wstring> options;
    for (int i = 1; i + 1 < argc; i += 2)
        options[argv[i]] = argv[i + 1];
    const auto option = [&](const wchar_t* name, const wchar_t* fallback) {
        return options.count(name) ? options[name] : std::wstring(fallback);
    };
    const bool random = option(L"--content", L"random") == L"random";
    const size_t kib = std::stoul(option(L"--size-kib", L"256"));
    // The program loads its engine by full path at start-up; the cases rely on it.
    if (!LoadLibraryW(BuiltFile(L"octolume.dll").c_str()))
        return std::fputs("octolume.dll not found beside the benchmark\n", stderr), 1;
    const std::wstring childCase = option(L"--case", L"");
    if (!childCase.empty())
        return ChildCase(option(L"--steps", L"64"), random, childCase == L"bare");

    const std::wstring section = option(L"--section", L"all");
    const int repeat = std::max(1, std::stoi(option(L"--repeat", L"3")));
    timeLimitMs = 1000 * std::stoul(option(L"--time-limit-s", L"600"));
    std::vector<std::wstring> contents{L"zeros", L"random"};
    if (options.count(L"--content"))
        contents = {option(L"--content", L"")};
    std::vector<size_t> sizes{256, 1024, 2048};
    if (options.count(L"--size-kib"))
        sizes = {kib};
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each line as it comes: the runs take minutes
    if (section == L"all" || section == L"fill")
        FillSection(contents, sizes);
    if (section == L"all" || section == L"replace")
        ReplaceSection(repeat);
    if (section == L"all" || section == L"bare")
        BareSection(repeat);
    return 0;
}
