// view_benchmark.exe [--runs N] [--small-kib N] [--mid-kib N] [--big-kib N]
//                    [--repaints N] [--time-limit-s N]
//
// How fast the viewer shows dumps and what memory it keeps, under Wine with a display.
// Every measurement runs in a fresh child process (this program with --case), so no
// contender inherits another's heap, caches or leftovers, and a case that exhausts the
// address space shows as "crashed" and one past the time limit as "> N s". The files of
// random bytes (64 KiB, 2 MiB and 16 MiB by default) are written once and read by all,
// from the system's file cache. The contenders take turns, N rounds (default 5) with the
// order rotated; the best run is the figure, the median shows the noise.
//
//   load       the real main window's GetAndDisplayOctolume, from the call to the dump
//              painted, for each file in turn; then private bytes and repaints of the view
//   reference  the least any viewer must do: the engine's DoOctolume called directly and
//              its ANSI text converted into a std::wstring, then freed
//   memory     private bytes with the window made, during one load (a second thread
//              samples them) and after it
//   steps      the pipeline's steps timed one by one in a window of the test's own with
//              the program's view: where the time goes
//   scroll     in the load case: wheel notches one at a time against a repaint of one row,
//              and a thousand notches queued at once
//   find       in the load case: bytes near the end of the file found in the dump, the
//              bytes read back from the view's text first, then again from those bytes;
//              against std::search and memchr over the file's own bytes

#include "dump/byte_search.h"
#include "dump/engine_dump.h"
#include "dump/search_task.h"
#include "shell/main_window.h"
#include "shell/message_pump.h"
#include "view/text_view.h"
#include "bench_report.h"
#include "child_process.h"
#include "engine/engine_contract.h"
#include "support/app_error.h"
#include "support/owners.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <sstream>

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

// Wine takes it from Linux's VmHWM.
double PeakWorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, counters.cb = sizeof counters);
    return counters.PeakWorkingSetSize / 1048576.0;
}

// ---- The child's side: one case, its figures printed as "name value" lines.

void Print(const std::string& name, double value) {
    std::printf("%s %.6f\n", name.c_str(), value);
}

std::vector<std::wstring> Files(const std::wstring& folder, const std::wstring& sizes) {
    std::vector<std::wstring> files;
    std::wstringstream list(sizes);
    for (std::wstring kib; std::getline(list, kib, L',');)
        files.push_back(folder + L"\\" + kib + L".bin");
    return files;
}

// The maximum of PrivateMiB() while it lives, sampled from a thread of its own.
class PeakSampler {
public:
    PeakSampler() : thread_(CreateThread(nullptr, 0, &Sample, this, 0, nullptr)) {}
    // Stops sampling; the peak includes the moment of the call.
    double Stop() {
        stop_ = true;
        WaitForSingleObject(thread_.get(), INFINITE);
        return std::max(peak_, PrivateMiB());
    }
    int Samples() const { return samples_; }

private:
    static DWORD WINAPI Sample(void* self) {
        auto& sampler = *static_cast<PeakSampler*>(self);
        while (!sampler.stop_) {
            sampler.peak_ = std::max(sampler.peak_, PrivateMiB());
            ++sampler.samples_;
            Sleep(1);
        }
        return 0;
    }
    std::atomic<bool> stop_ = false;
    double peak_ = 0;
    int samples_ = 0;
    UniqueHandle thread_;
};

// Puts the view at its end (or top) and paints it again and again.
void TimeRepaints(HWND view, bool atEnd, int repaints) {
    SendMessageW(view, WM_VSCROLL, atEnd ? SB_BOTTOM : SB_TOP, 0);
    ProcessPendingMessages();
    Print("first_visible_line",
          static_cast<double>(SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0)));
    // The client area alone, and with the frame and scroll bars as the pipeline paints.
    for (const auto& [figure, flags] :
         {std::pair("repaint", RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW),
          {"repaint_with_frame", RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW}}) {
        Samples repaint;
        for (int i = 0; i < repaints; ++i) {
            const double start = Now();
            RedrawWindow(view, nullptr, nullptr, flags);
            repaint.Add(Now() - start);
        }
        Print(figure, repaint.Least());
        Print(figure + std::string("_median"), repaint.Median());
    }
}

void PrintViewSize(HWND view) {
    Print("characters", static_cast<double>(SendMessageW(view, WM_GETTEXTLENGTH, 0, 0)));
    Print("lines", static_cast<double>(SendMessageW(view, EM_GETLINECOUNT, 0, 0)));
}

// One wheel notch down at a time, each painted, against a repaint of one row of the view;
// then a thousand notches queued at once, as a free-spinning wheel sends them.
void TimeScrolling(HWND view, int notches) {
    HDC dc = GetDC(view);
    TEXTMETRICW metrics{};
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(view, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(view, dc);
    RECT row{};
    GetClientRect(view, &row);
    row.bottom = metrics.tmHeight;
    SendMessageW(view, WM_VSCROLL, SB_TOP, 0);
    UpdateWindow(view);
    Samples notch, rowPaint, bar;
    for (int i = 0; i < notches; ++i) {
        double start = Now();
        SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
        UpdateWindow(view);
        notch.Add(Now() - start);
        start = Now();
        RedrawWindow(view, &row, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        rowPaint.Add(Now() - start);
        // What the system takes to draw the scroll bar's box at its next place, and back.
        SCROLLINFO box{};
        box.cbSize = sizeof box;
        box.fMask = SIF_POS;
        GetScrollInfo(view, SB_VERT, &box);
        start = Now();
        box.nPos += 3;
        SetScrollInfo(view, SB_VERT, &box, TRUE);
        bar.Add(Now() - start);
        box.nPos -= 3;
        SetScrollInfo(view, SB_VERT, &box, TRUE);
    }
    Print("notch", notch.Least());
    Print("notch_median", notch.Median());
    Print("row_paint", rowPaint.Least());
    Print("row_paint_median", rowPaint.Median());
    Print("bar", bar.Least());
    const double start = Now();
    for (int i = 0; i < 1000; ++i)
        PostMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    ProcessPendingMessages();
    UpdateWindow(view);
    Print("thousand_notches", Now() - start);
    Print("lines_scrolled", static_cast<double>(SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0)));
}

// Eight bytes from 4 KiB before the end of the file, found in its dump.
void TimeFind(const std::wstring& file) {
    const std::string content = ReadFileBytes(file);
    const std::vector<unsigned char> bytes(content.begin(), content.end());
    const std::size_t at = bytes.size() - 4096;
    const ByteQuery query{{bytes.begin() + at, bytes.begin() + at + 8}, false};
    const auto found = [&](std::size_t where) { return where == at ? 1.0 : 0.0; };
    // Through the engine, in the slices the viewer asks for.
    std::wstring path = file;
    const std::shared_ptr<EngineDump> pages = EngineDump::Open(path);
    const auto engineFind = [&] {
        SearchPlan plan(pages->Size(), 0, false, kSearchSliceBytes);
        const std::atomic<bool> going{false};
        const std::optional<SearchOutcome> outcome =
            SearchSlices(*pages, query, plan, going, ~std::uint64_t{0});
        return outcome && outcome->kind == SearchOutcome::Kind::kFound ? found(outcome->start)
                                                                        : 0.0;
    };
    double start = Now();
    Print("find_first_found", engineFind());
    Print("find_first", Now() - start);
    Samples again, search, scan;
    for (int i = 0; i < 5; ++i) {
        start = Now();
        Print("find_again_found", engineFind());
        again.Add(Now() - start);
        start = Now();
        const auto where =
            std::search(bytes.begin(), bytes.end(), query.bytes.begin(), query.bytes.end());
        search.Add(Now() - start);
        Print("std_search_found", found(static_cast<std::size_t>(where - bytes.begin())));
        // memchr for the first byte, then a comparison of the rest.
        start = Now();
        const unsigned char* from = bytes.data();
        const unsigned char* const end = bytes.data() + bytes.size() - 8;
        while ((from = static_cast<const unsigned char*>(
                    std::memchr(from, query.bytes[0], static_cast<std::size_t>(end - from) + 1))) &&
               std::memcmp(from, query.bytes.data(), 8) != 0)
            ++from;
        scan.Add(Now() - start);
        Print("memchr_found", from ? found(static_cast<std::size_t>(from - bytes.data())) : 0);
    }
    Print("find_again", again.Least());
    Print("std_search", search.Least());
    Print("memchr", scan.Least());
}

// The real main window loads the files one after another.
int LoadCase(const std::vector<std::wstring>& files, const std::wstring& repaint, bool sample,
             int repaints, int notches, bool find) {
    const auto form = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
    ProcessPendingMessages();
    Print("fresh", PrivateMiB());
    for (size_t i = 0; i < files.size(); ++i) {
        std::optional<PeakSampler> sampler;
        if (sample)
            sampler.emplace();
        const double start = Now();
        form->GetAndDisplayOctolume(files[i]);
        Print("load" + std::to_string(i), Now() - start);
        if (sampler) {
            Print("peak", sampler->Stop());
            Print("samples", sampler->Samples());
        }
    }
    Print("private", PrivateMiB());
    Print("peak_working_set", PeakWorkingSetMiB());
    PrintViewSize(form->rtfOctolume());
    if (!repaint.empty())
        TimeRepaints(form->rtfOctolume(), repaint == L"end", repaints);
    if (notches > 0)
        TimeScrolling(form->rtfOctolume(), notches);
    if (find)
        TimeFind(files.back());
    return 0;
}

engine::EntryPoint EngineEntryPoint() {
    return reinterpret_cast<engine::EntryPoint>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(engine::kLibraryName), engine::kEntryPointName)));
}

// The engine's text of the file, as a byte BSTR of ANSI characters.
BstrOwner CallEngine(const std::wstring& file) {
    const std::string ansi(file.begin(), file.end()); // the benchmark's paths are ASCII
    BSTR path = SysAllocStringByteLen(ansi.data(), static_cast<UINT>(ansi.size()));
    BstrOwner text(EngineEntryPoint()(&path));
    const BstrOwner passedPath(path); // the engine may have replaced it
    return text;
}

std::wstring FromAnsiBstr(const BstrOwner& text) {
    const auto* bytes = reinterpret_cast<const char*>(text.get());
    const int length = static_cast<int>(SysStringByteLen(text.get()));
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, length, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

// A window with nothing to paint but its background and frame, at the view's place.
LRESULT CALLBACK BareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND BareWindowLike(HWND view) {
    WNDCLASSW bare{};
    bare.lpfnWndProc = BareProcedure;
    bare.hInstance = GetModuleHandleW(nullptr);
    bare.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    bare.lpszClassName = L"BareWindow";
    RegisterClassW(&bare);
    RECT place{};
    GetWindowRect(view, &place);
    MapWindowPoints(HWND_DESKTOP, GetParent(view), reinterpret_cast<POINT*>(&place), 2);
    return CreateWindowExW(static_cast<DWORD>(GetWindowLongW(view, GWL_EXSTYLE)), L"BareWindow",
                           L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, place.left,
                           place.top, place.right - place.left, place.bottom - place.top,
                           GetParent(view), nullptr, GetModuleHandleW(nullptr), nullptr);
}

// In a child set up like the load case's: the engine call and the conversion, then freed;
// with `bareRepaints`, also the two repaints the pipeline shows ("Loading..." and the dump),
// of a bare window of the view's size.
int ReferenceCase(const std::vector<std::wstring>& files, bool bareRepaints) {
    const auto form = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
    const HWND bare = bareRepaints ? BareWindowLike(form->rtfOctolume()) : nullptr;
    ProcessPendingMessages();
    for (size_t i = 0; i < files.size(); ++i) {
        const double start = Now();
        size_t characters = 0;
        {
            BstrOwner text = CallEngine(files[i]);
            if (!text)
                return std::fprintf(stderr, "the engine gave no text\n"), 1;
            characters = FromAnsiBstr(text).size();
        }
        for (int repaint = 0; bare && repaint < 2; ++repaint)
            RedrawWindow(bare, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Print("load" + std::to_string(i), Now() - start);
        Print("characters", static_cast<double>(characters));
    }
    return 0;
}

// The pipeline's steps one by one, through the program's view in a window of the test's own.
int StepsCase(const std::vector<std::wstring>& files) {
    ViewerWindow window;
    ShowWindow(window.Frame(), SW_SHOWNORMAL);
    ProcessPendingMessages();
    const HWND view = window.View();
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string step = "step" + std::to_string(i) + ".";
        double total = 0;
        const auto timed = [&](const char* name, const auto& action) {
            const double start = Now();
            action();
            const double seconds = Now() - start;
            total += seconds;
            Print(step + name, seconds);
        };
        BstrOwner ansi;
        std::wstring text;
        // The previous dump's memory goes back to the system with the first step.
        timed("loading_set", [&] { window.Dump().ShowText(L"Loading..."); });
        timed("loading_painted", [] { ProcessPendingMessages(); });
        timed("engine", [&] { ansi = CallEngine(files[i]); });
        timed("conversion", [&] { text = FromAnsiBstr(ansi); });
        timed("engine_text_freed", [&] { ansi.reset(); });
        timed("text_set", [&] {
            SendMessageW(view, WM_SETREDRAW, FALSE, 0);
            window.Dump().ShowText(std::move(text));
        });
        timed("line_count", [&] { SendMessageW(view, EM_GETLINECOUNT, 0, 0); });
        timed("redraw_on", [&] { SendMessageW(view, WM_SETREDRAW, TRUE, 0); });
        timed("painted", [&] {
            RedrawWindow(view, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        });
        Print(step + "total", total);
    }
    return 0;
}

// ---- The parent's side.

struct Run {
    std::map<std::string, double> figures;
    std::string failure = "crashed"; // or "> N s", or empty when it ran to the end
};

DWORD timeLimitMs = 300000;

Run RunMeasurement(const std::wstring& arguments) {
    Run run;
    ChildProcess child(BuiltFile(L"view_benchmark.exe"), arguments, {.captureOutput = true});
    if (const std::optional<DWORD> status = child.Wait(std::chrono::milliseconds{timeLimitMs});
        !status) {
        child.End();
        run.failure = "> " + std::to_string(timeLimitMs / 1000) + " s";
    } else if (*status == 0) {
        run.failure.clear();
    }
    std::fputs(child.Errors().c_str(), stderr);
    std::istringstream lines(child.Output());
    for (std::string name; lines >> name;)
        lines >> run.figures[name];
    return run;
}

// One kind of child, run once per round.
struct Contender {
    Contender(std::string name, std::wstring arguments)
        : name(std::move(name)), arguments(std::move(arguments)) {}

    std::string name;
    std::wstring arguments;
    std::map<std::string, Samples> figures;
    std::string failure; // the last failure, shown when no run succeeded
    int runs = 0;

    bool Ok() const { return runs > 0; }
    void Add(const Run& run) {
        if (!run.failure.empty()) {
            failure = run.failure;
            return;
        }
        ++runs;
        for (const auto& [figure, value] : run.figures)
            figures[figure].Add(value);
    }
    double Best(const std::string& figure) const { return figures.at(figure).Least(); }
    double Median(const std::string& figure) const { return figures.at(figure).Median(); }
};

std::string SizeName(size_t kib) {
    return kib % 1024 == 0 ? std::to_string(kib / 1024) + " MiB" : std::to_string(kib) + " KiB";
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Time(double seconds) {
    return seconds < 1 ? Format("%.1f ms", seconds * 1000) : Format("%.2f s", seconds);
}

std::string MiB(double mib) {
    return Format("%.0f MiB", mib);
}

// A row of two contenders' times, or why it is missing.
void TimeRow(const std::string& figure, const Contender& ours, const std::string& ourFigure,
             const Contender& theirs, const std::string& theirFigure, const std::string& target) {
    if (!ours.Ok() || !theirs.Ok()) {
        const std::string why = ours.Ok() ? theirs.failure : ours.failure;
        std::printf("ROW\t%s\t%s\t-\t-\t%s\n", figure.c_str(), why.c_str(), target.c_str());
        return;
    }
    const double a = ours.Best(ourFigure), b = theirs.Best(theirFigure);
    PrintRow(figure, Time(a), Time(b), a / b, target);
}

void PrintTimes(const Contender& contender, const std::vector<std::string>& figures) {
    std::printf("  %-34s", contender.name.c_str());
    if (!contender.Ok())
        std::printf(" %s", contender.failure.c_str());
    else
        for (const std::string& figure : figures)
            std::printf(" %s %s (median %s)", figure.c_str(), Time(contender.Best(figure)).c_str(),
                        Time(contender.Median(figure)).c_str());
    std::printf("\n");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::map<std::wstring, std::wstring> options;
    for (int i = 1; i + 1 < argc; i += 2)
        options[argv[i]] = argv[i + 1];
    const auto option = [&](const wchar_t* name, const wchar_t* fallback) {
        return options.count(name) ? options[name] : std::wstring(fallback);
    };
    // The program loads its engine by full path at start-up; the cases rely on it.
    if (!LoadLibraryW(BuiltFile(engine::kLibraryName).c_str()))
        return std::fputs("octolume.dll not found beside the benchmark\n", stderr), 1;
    const int repaints = std::stoi(option(L"--repaints", L"50"));
    const std::wstring childCase = option(L"--case", L"");
    if (!childCase.empty()) {
        OleInitialize(nullptr); // as the program does before its window
        const std::vector<std::wstring> files =
            Files(option(L"--folder", L""), option(L"--files", L""));
        try {
            if (childCase == L"load" || childCase == L"memory")
                return LoadCase(files, option(L"--repaint", L""), childCase == L"memory", repaints,
                                std::stoi(option(L"--scroll", L"0")), options.count(L"--find"));
            if (childCase == L"reference")
                return ReferenceCase(files, options.count(L"--bare-repaints"));
            return StepsCase(files);
        } catch (...) {
            const AppError error = CaughtError();
            std::fprintf(stderr, "%ls: error %d: %ls (last error %lu)\n", childCase.c_str(),
                         error.Number(), error.Description().c_str(), GetLastError());
            return 1;
        }
    }

    const int runs = std::max(1, std::stoi(option(L"--runs", L"5")));
    timeLimitMs = 1000 * std::stoul(option(L"--time-limit-s", L"300"));
    const size_t small = std::stoul(option(L"--small-kib", L"64"));
    const size_t mid = std::stoul(option(L"--mid-kib", L"2048"));
    const size_t big = std::stoul(option(L"--big-kib", L"16384"));
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each line as it comes: the runs take minutes

    TempFolder folder;
    for (const size_t kib : {small, mid, big}) {
        std::string bytes(kib * 1024, '\0');
        std::mt19937 generator(static_cast<unsigned>(kib));
        for (char& byte : bytes)
            byte = static_cast<char>(generator());
        folder.Write(std::to_wstring(kib) + L".bin", bytes);
    }
    const auto arguments = [&](const wchar_t* childCase, std::initializer_list<size_t> sizes,
                               const std::wstring& more = L"") {
        std::wstring list;
        for (const size_t kib : sizes)
            list += (list.empty() ? L"" : L",") + std::to_wstring(kib);
        return std::wstring(L"--case ") + childCase + L" --folder \"" + folder.Path() +
               L"\" --files " + list + L" --repaints " + std::to_wstring(repaints) + more;
    };
    const std::string smallName = SizeName(small), midName = SizeName(mid), bigName = SizeName(big);
    Contender contenders[] = {
        {"load " + midName, arguments(L"load", {mid})},
        {"reference " + midName, arguments(L"reference", {mid})},
        {"load " + bigName + ", repaint at end", arguments(L"load", {big}, L" --repaint end")},
        {"reference " + bigName, arguments(L"reference", {big})},
        {"load " + midName + " then " + smallName, arguments(L"load", {mid, small})},
        {"load " + smallName + ", repaint at top", arguments(L"load", {small}, L" --repaint top")},
        {"memory " + bigName, arguments(L"memory", {big})},
        {"steps " + midName + " then " + smallName, arguments(L"steps", {mid, small})},
        {"steps " + bigName, arguments(L"steps", {big})},
        {"reference " + midName + " + two bare repaints",
         arguments(L"reference", {mid}, L" --bare-repaints 1")},
        {"scroll " + midName, arguments(L"load", {mid}, L" --scroll 50")},
        {"find " + bigName, arguments(L"load", {big}, L" --find 1")},
    };
    auto& [midLoad, midReference, bigLoad, bigReference, replace, smallLoad, memory, midSteps,
           bigSteps, midPainted, scroll, find] = contenders;
    constexpr int kCount = static_cast<int>(std::size(contenders));
    std::printf("Random bytes, every measurement in a fresh process, %d rounds:", runs);
    for (int round = 0; round < runs; ++round) {
        std::printf(" %d", round + 1);
        // Rotate who goes first, so none always follows the same one.
        for (int turn = 0; turn < kCount; ++turn) {
            Contender& contender = contenders[(round + turn) % kCount];
            contender.Add(RunMeasurement(contender.arguments));
        }
    }
    std::printf("\n\nTimes, best run (median):\n");
    for (Contender* contender :
         {&midLoad, &midReference, &midPainted, &bigLoad, &bigReference, &smallLoad})
        PrintTimes(*contender, {"load0"});
    PrintTimes(replace, {"load0", "load1"});
    std::printf("\nRepaints of the view, %d in each process: best (median)\n", repaints);
    for (const Contender* contender : {&bigLoad, &smallLoad}) {
        std::printf("  %-34s", contender->name.c_str());
        for (const std::string figure : {"repaint", "repaint_with_frame"})
            if (contender->Ok())
                std::printf(" %s %s (%s)", figure == "repaint" ? "client area" : "with frame",
                            Time(contender->Best(figure)).c_str(),
                            Time(contender->Median(figure + "_median")).c_str());
        std::printf("\n");
    }
    if (bigLoad.Ok() && smallLoad.Ok())
        std::printf("  first visible line at the end %.0f of %.0f lines\n",
                    bigLoad.Best("first_visible_line"), bigLoad.Best("lines"));

    std::printf(
        "\nSteps of the pipeline, best run (median), in a window with the program's view:\n");
    for (const Contender* steps : {&midSteps, &bigSteps}) {
        if (!steps->Ok()) {
            std::printf("  %s: %s\n", steps->name.c_str(), steps->failure.c_str());
            continue;
        }
        for (int step = 0; steps->figures.count("step" + std::to_string(step) + ".engine");
             ++step) {
            std::printf("  %s, file %d:\n", steps->name.c_str(), step + 1);
            for (const char* name :
                 {"loading_set", "loading_painted", "engine", "conversion", "engine_text_freed",
                  "text_set", "line_count", "redraw_on", "painted", "total"}) {
                const std::string figure = "step" + std::to_string(step) + "." + name;
                std::printf("    %-20s %10s (%s)\n", name, Time(steps->Best(figure)).c_str(),
                            Time(steps->Median(figure)).c_str());
            }
        }
    }

    double characters = 0;
    if (memory.Ok()) {
        characters = memory.Best("characters");
        std::printf("\nMemory of %s (MiB, least of the runs): fresh %.1f, after the load %.1f, "
                    "peak during it %.1f (%.0f samples), Wine's peak working set %.1f; "
                    "%.0f characters, %.0f lines\n",
                    bigName.c_str(), memory.Best("fresh"), memory.Best("private"),
                    memory.Best("peak"), memory.Best("samples"), memory.Best("peak_working_set"),
                    characters, memory.Best("lines"));
    }

    if (scroll.Ok())
        std::printf("\nScrolling the %s dump: a wheel notch (3 lines) %s (median %s), of which "
                    "the system's drawing of the scroll bar's box %s; one row repainted %s "
                    "(median %s); 1000 notches queued at once drained in %s (%.0f lines)\n",
                    midName.c_str(), Time(scroll.Best("notch")).c_str(),
                    Time(scroll.Median("notch_median")).c_str(), Time(scroll.Best("bar")).c_str(),
                    Time(scroll.Best("row_paint")).c_str(),
                    Time(scroll.Median("row_paint_median")).c_str(),
                    Time(scroll.Best("thousand_notches")).c_str(), scroll.Best("lines_scrolled"));
    if (find.Ok())
        std::printf("\nFind near the end of %s (found each time: %s): bytes read back and "
                    "searched %s, searched again %s; std::search %s, memchr %s\n",
                    bigName.c_str(),
                    find.figures.at("find_first_found").Least() == 1 &&
                            find.figures.at("find_again_found").Least() == 1 &&
                            find.figures.at("std_search_found").Least() == 1 &&
                            find.figures.at("memchr_found").Least() == 1
                        ? "yes"
                        : "NO",
                    Time(find.Best("find_first")).c_str(), Time(find.Best("find_again")).c_str(),
                    Time(find.Best("std_search")).c_str(), Time(find.Best("memchr")).c_str());

    std::printf("\n");
    const std::string versus = ": engine call to dump painted vs engine call + ANSI to Unicode";
    TimeRow(midName + " random" + versus, midLoad, "load0", midReference, "load0", "<= 1.5");
    TimeRow(midName + " random" + versus + " + two repaints of a bare window of the view's size",
            midLoad, "load0", midPainted, "load0", "<= 1.2");
    TimeRow(bigName + " random" + versus, bigLoad, "load0", bigReference, "load0", "<= 1.5");
    TimeRow("one wheel notch (3 lines) vs one row's repaint, " + midName + " dump", scroll, "notch",
            scroll, "row_paint", "<= 4");
    if (find.Ok())
        PrintRow("find near the end of " + bigName +
                     ": bytes read back from the dump and searched "
                     "vs 0.2 s",
                 Time(find.Best("find_first")), Time(0.2), find.Best("find_first") / 0.2, "<= 1");
    else
        std::printf("ROW\tfind near the end of %s\t%s\t-\t-\t<= 1\n", bigName.c_str(),
                    find.failure.c_str());
    TimeRow("find near the end of " + bigName + ", bytes read back before, vs std::search", find,
            "find_again", find, "std_search", "<= 3");
    TimeRow(midName + " random then " + smallName + " vs " + smallName + " fresh", replace, "load1",
            smallLoad, "load0", "<= 1.2");
    TimeRow("repaint at the end of " + bigName + " random vs at the top of " + smallName, bigLoad,
            "repaint", smallLoad, "repaint", "<= 1.5");
    const std::string privateFigure =
        "private bytes after showing " + bigName + " random vs fresh + 2 B per character";
    const std::string peakFigure =
        "peak private bytes loading " + bigName + " random vs fresh + 3 B per character";
    if (!memory.Ok()) {
        for (const std::string& figure : {privateFigure, peakFigure})
            std::printf("ROW\t%s\t%s\t-\t-\t%s\n", figure.c_str(), memory.failure.c_str(),
                        figure == privateFigure ? "<= 1.2" : "<= 1.3");
        return 0;
    }
    const double fresh = memory.Best("fresh");
    const double textMiB = characters / 1048576.0;
    PrintRow(privateFigure, MiB(memory.Best("private")), MiB(fresh + 2 * textMiB),
             memory.Best("private") / (fresh + 2 * textMiB), "<= 1.2");
    PrintRow(peakFigure, MiB(memory.Best("peak")), MiB(fresh + 3 * textMiB),
             memory.Best("peak") / (fresh + 3 * textMiB), "<= 1.3");
    return 0;
}
