// view_benchmark.exe [--runs N] [--repaints N] [--time-limit-s N]
//
// How fast the viewer shows files of any size and what memory it keeps, under Wine with a
// display. Every measurement runs in a fresh child process (this program with --case), so
// no contender inherits another's heap, caches or leftovers, and a case that exhausts the
// address space shows as "crashed" and one past the time limit as "> N s". The contenders
// take turns, N rounds (default 5) with the order rotated; the best run is the figure, the
// median shows the noise. Files: random bytes of 1 KiB, 64 KiB, 2 MiB and 16 MiB written
// for the run, 1 GiB of random bytes kept in the bin folder (kept_file.h), and a 64 GiB
// sparse file of zeros made by setting its end; all read from the system's file cache.
//
//   load       the real main window's GetAndDisplayOctolume, from the call to the dump
//              painted (what a drop does), then the private bytes; with --repaint the view
//              repainted at its top or end, --scroll wheel notches, --goto jumps to the
//              middle of the file
//   reference  the least a paged viewer must do for a load: the engine's file opened, the
//              lines of a screen made, and the two repaints the load shows ("Loading..."
//              and the dump) of a bare window of the view's size
//   source     a 64 KiB file shown in a window of the test's own: held whole (the load's
//              own choice) or through the engine's pages, its load time and private bytes
//   find       an absent 8-byte query through the cached 1 GiB file as Find goes: slices
//              of the search's size over the engine's pages (against bare_search.exe)
//   task       a search of the 64 GiB file on a thread of its own, stopped after 0.5 s
//   escape     the same in the real window: Find's dialog, its search running 0.5 s, then
//              Escape until the status line says the search stopped

#include "dump/dump_source.h"
#include "dump/dump_view.h"
#include "dump/engine_dump.h"
#include "dump/search_task.h"
#include "shell/load_and_display.h"
#include "shell/main_window.h"
#include "shell/message_pump.h"
#include "shell/resource.h"
#include "view/text_view.h"
#include "bench_report.h"
#include "child_process.h"
#include "kept_file.h"
#include "support/app_error.h"
#include "support/owners.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sstream>

namespace {

using namespace octolume;
using namespace octolume::test;
using namespace octolume::bench;

// Eight bytes as good as absent from random bytes, and absent from zeros.
constexpr char kAbsentQuery[] = "Octolume";
constexpr std::uint64_t kHugeSize = std::uint64_t{64} << 30;
constexpr double kCacheBoundMiB = 4; // the engine's cache of pages, at most
constexpr wchar_t kStoppedStatus[] = L"The search stopped. The selection is as it was.";

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

// ---- The child's side: one case, its figures printed as "name value" lines.

void Print(const std::string& name, double value) {
    std::printf("%s %.6f\n", name.c_str(), value);
}

void PrintSamples(const std::string& name, const Samples& samples) {
    Print(name, samples.Least());
    Print(name + "_median", samples.Median());
}

// Fails the case when the program showed a box (a failed load): it would wait for a user.
void NoBoxShown(const MessageBoxCapture& boxes) {
    if (!boxes.Boxes().empty())
        throw AppError(error_number::kInternal, L"the program said: " + boxes.Boxes()[0].text);
}

TextView& ViewOf(HWND view) {
    TextView* const text = TextView::Of(view);
    if (text == nullptr)
        throw AppError(error_number::kInternal, L"the window's view is not the program's");
    return *text;
}

ByteQuery AbsentQuery() {
    return {{kAbsentQuery, kAbsentQuery + sizeof kAbsentQuery - 1}, false};
}

// Puts the view at its end (or top) and paints it again and again.
void TimeRepaints(HWND view, bool atEnd, int repaints) {
    SendMessageW(view, WM_VSCROLL, atEnd ? SB_BOTTOM : SB_TOP, 0);
    ProcessPendingMessages();
    Print("first_visible_line", static_cast<double>(ViewOf(view).FirstVisibleLine()));
    Samples repaint;
    for (int i = 0; i < repaints; ++i) {
        const double start = Now();
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        repaint.Add(Now() - start);
    }
    PrintSamples("repaint", repaint);
}

// The dialog of this thread that the main window owns, with the given control.
struct OwnedDialogSearch {
    HWND owner;
    int control;
    HWND found = nullptr;
};

BOOL CALLBACK TakeOwnedDialog(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<OwnedDialogSearch*>(data);
    if (GetWindow(window, GW_OWNER) != search.owner || !GetDlgItem(window, search.control))
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND OwnedDialog(HWND owner, int control) {
    OwnedDialogSearch search{owner, control};
    EnumThreadWindows(GetCurrentThreadId(), TakeOwnedDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr)
        throw AppError(error_number::kInternal, L"the program's dialog is not there");
    return search.found;
}

// Go To far from what is shown: the middle line of the file's dump, then others a mebibyte
// of the file apart (each a page the engine and the view have not made yet). As Go To
// selects a byte and shows its line: the line's start selected (the view keeps the caret
// in sight) and the line shown first, then painted; against a repaint of the view at the
// top, its lines made before, with and without its frame (the scroll bars). Then the same
// through the real Go To dialog: its OK to everything painted.
void TimeGoTo(const frmOctolume& form, int jumps) {
    const HWND view = form.rtfOctolume();
    TextView& text = ViewOf(view);
    text.ShowLineFirst(0);
    UpdateWindow(view);
    Samples top, topWithFrame, scroll, middle, dialogOk;
    for (int i = 0; i < jumps; ++i) {
        double start = Now();
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        top.Add(Now() - start);
        start = Now();
        RedrawWindow(view, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        topWithFrame.Add(Now() - start);
    }
    const TextDocument& document = text.Document();
    const std::uint64_t middleLine = document.LineCount() / 2;
    bool everyLineShown = true;
    for (int i = 0; i < jumps; ++i) {
        const std::uint64_t line = middleLine + static_cast<std::uint64_t>(i) * 65536;
        const double start = Now();
        text.Select(document.LineStart(line), document.LineStart(line) + 2);
        text.ShowLineFirst(line);
        scroll.Add(Now() - start);
        UpdateWindow(view);
        middle.Add(Now() - start);
        everyLineShown = everyLineShown && text.FirstVisibleLine() == line;
    }
    // The dialog's offsets are of bytes; a line shows 16 from 16 (line - 1) on.
    for (int i = 0; i < jumps; ++i) {
        const std::uint64_t line = middleLine + static_cast<std::uint64_t>(i + jumps) * 65536;
        SendMessageW(form.hWnd(), WM_COMMAND, IDM_GO_TO, 0);
        const HWND dialog = OwnedDialog(form.hWnd(), IDC_GO_TO_OFFSET);
        wchar_t offset[32];
        std::swprintf(offset, 32, L"%llX", static_cast<unsigned long long>((line - 1) * 16));
        SetDlgItemTextW(dialog, IDC_GO_TO_OFFSET, offset);
        ProcessPendingMessages();
        const double start = Now();
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        RedrawWindow(form.hWnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        dialogOk.Add(Now() - start);
        const std::uint64_t first = text.FirstVisibleLine();
        everyLineShown = everyLineShown && first <= line && line < first + 5;
    }
    PrintSamples("top_repaint", top);
    PrintSamples("top_repaint_with_frame", topWithFrame);
    PrintSamples("go_to_scroll", scroll);
    PrintSamples("go_to_middle", middle);
    PrintSamples("go_to_dialog", dialogOk);
    Print("go_to_shown", everyLineShown ? 1 : 0);
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
    Samples notch, rowPaint;
    for (int i = 0; i < notches; ++i) {
        double start = Now();
        SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
        UpdateWindow(view);
        notch.Add(Now() - start);
        start = Now();
        RedrawWindow(view, &row, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        rowPaint.Add(Now() - start);
    }
    PrintSamples("notch", notch);
    PrintSamples("row_paint", rowPaint);
    const double start = Now();
    for (int i = 0; i < 1000; ++i)
        PostMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    ProcessPendingMessages();
    UpdateWindow(view);
    Print("thousand_notches", Now() - start);
    Print("lines_scrolled", static_cast<double>(ViewOf(view).FirstVisibleLine()));
}

struct LoadOptions {
    std::wstring repaint; // "top", "end" or nothing
    int repaints = 0;
    int notches = 0;
    int jumps = 0;
};

// The real main window loads the file as a drop does.
int LoadCase(const std::wstring& file, const LoadOptions& options) {
    const MessageBoxCapture boxes;
    const auto form = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
    ProcessPendingMessages();
    Print("fresh", PrivateMiB());
    const double start = Now();
    form->GetAndDisplayOctolume(file);
    Print("load", Now() - start);
    NoBoxShown(boxes);
    Print("private", PrivateMiB());
    const HWND view = form->rtfOctolume();
    Print("lines", static_cast<double>(ViewOf(view).Document().LineCount()));
    if (!options.repaint.empty())
        TimeRepaints(view, options.repaint == L"end", options.repaints);
    if (options.notches > 0)
        TimeScrolling(view, options.notches);
    if (options.jumps > 0)
        TimeGoTo(*form, options.jumps);
    // After the pages the repaints, scrolling and jumps asked for.
    Print("private_end", PrivateMiB());
    return 0;
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

// In a child set up like the load case's: the engine's file opened, a screen of lines made
// (more than the view shows) and the two repaints of a bare window of the view's size.
int ReferenceCase(const std::wstring& file) {
    const auto form = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
    const HWND bare = BareWindowLike(form->rtfOctolume());
    ProcessPendingMessages();
    const double start = Now();
    std::wstring path = file;
    const std::shared_ptr<EngineDump> pages = EngineDump::Open(path);
    std::string lines;
    pages->AppendLines(0, 100 * 16, lines);
    for (int repaint = 0; repaint < 2; ++repaint)
        RedrawWindow(bare, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Print("load", Now() - start);
    Print("characters", static_cast<double>(lines.size()));
    return 0;
}

// A small file shown in a window of the test's own with the program's view, held whole as
// the load holds it or through the engine's pages: what the size at which the load
// switches is chosen by.
int SourceCase(const std::wstring& file, bool held) {
    ViewerWindow window;
    ShowWindow(window.Frame(), SW_SHOWNORMAL);
    ProcessPendingMessages();
    Print("fresh", PrivateMiB());
    const double start = Now();
    std::wstring path = file;
    std::shared_ptr<const DumpSource> source;
    if (held)
        source = OpenDump(path);
    else
        source = EngineDump::Open(path);
    window.Dump().ShowDump(source);
    RedrawWindow(window.View(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Print("load", Now() - start);
    Print("private", PrivateMiB());
    Print("held", dynamic_cast<const HeldDump*>(source.get()) != nullptr ? 1 : 0);
    return 0;
}

// The whole file searched as Find goes through it, one pass.
int FindCase(const std::wstring& file) {
    std::wstring path = file;
    const std::shared_ptr<EngineDump> pages = EngineDump::Open(path);
    const ByteQuery query = AbsentQuery();
    const double start = Now();
    SearchPlan plan(pages->Size(), 0, false, kSearchSliceBytes);
    const std::atomic<bool> going{false};
    const std::optional<SearchOutcome> outcome =
        SearchSlices(*pages, query, plan, going, ~std::uint64_t{0});
    const double seconds = Now() - start;
    if (!outcome || outcome->kind != SearchOutcome::Kind::kNotFound)
        return std::fputs("find: the query was found or the search did not end\n", stderr), 1;
    Print("seconds", seconds);
    return 0;
}

// A search on a thread of its own, stopped after running for half a second.
int TaskCase(const std::wstring& file) {
    std::wstring path = file;
    const std::shared_ptr<EngineDump> pages = EngineDump::Open(path);
    SearchTask task(pages, AbsentQuery(), SearchPlan(pages->Size(), 0, false, kSearchSliceBytes),
                    nullptr, WM_APP);
    Sleep(500); // what the user waits before stopping it
    const unsigned covered = task.PerMille();
    const double start = Now();
    task.Stop();
    const double seconds = Now() - start;
    if (!task.Finished() || task.Outcome().kind != SearchOutcome::Kind::kStopped)
        return std::fputs("task: the search ended before it was stopped\n", stderr), 1;
    Print("stop", seconds);
    Print("per_mille", covered);
    return 0;
}

std::wstring DialogText(HWND dialog, int control) {
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, control, text, static_cast<int>(std::size(text)));
    return text;
}

// Dispatches the thread's messages as the program's loop does, its keys first to the main
// window, until the condition holds or the time is up; whether it held.
bool Pump(frmOctolume& form, double seconds, const std::function<bool()>& done) {
    const double end = Now() + seconds;
    for (;;) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!form.TakeKeyboardMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (done())
                return true;
        }
        if (done())
            return true;
        const double left = end - Now();
        if (left <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left * 1000) + 1,
                                  QS_ALLINPUT);
    }
}

// The real window with the file: Find Next in its Find dialog, the search left to run for
// half a second, then Escape in the dialog until its status line says the search stopped.
int EscapeCase(const std::wstring& file) {
    const MessageBoxCapture boxes;
    const auto form = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
    form->GetAndDisplayOctolume(file);
    SendMessageW(form->hWnd(), WM_COMMAND, IDM_FIND, 0);
    NoBoxShown(boxes);
    const HWND dialog = OwnedDialog(form->hWnd(), IDC_FIND_STATUS);
    SetDlgItemTextW(dialog, IDC_FIND_WHAT, L"Octolume");
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    Pump(*form, 0.5, [] { return false; });
    const std::wstring running = DialogText(dialog, IDC_FIND_STATUS);
    if (running.rfind(L"Searching", 0) != 0)
        return std::fprintf(stderr, "escape: no search running (\"%ls\")\n", running.c_str()), 1;
    const HWND focus = GetFocus();
    const double start = Now();
    PostMessageW(focus != nullptr ? focus : dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    const bool stopped = Pump(*form, 10.0 * TimeScale(), [&] {
        return DialogText(dialog, IDC_FIND_STATUS) == kStoppedStatus;
    });
    const double seconds = Now() - start;
    if (!stopped)
        return std::fputs("escape: the status never said the search stopped\n", stderr), 1;
    Print("escape", seconds);
    return 0;
}

// ---- The parent's side.

struct Run {
    std::map<std::string, double> figures;
    std::string failure = "crashed"; // or "> N s", or empty when it ran to the end
};

DWORD timeLimitMs = 300000;

Run RunMeasurement(const std::wstring& program, const std::wstring& arguments) {
    Run run;
    ChildProcess child(program, arguments, {.captureOutput = true});
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
    Contender(std::string name, std::wstring arguments,
              std::wstring program = BuiltFile(L"view_benchmark.exe"))
        : name(std::move(name)), arguments(std::move(arguments)), program(std::move(program)) {}

    std::string name;
    std::wstring arguments;
    std::wstring program;
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

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Time(double seconds) {
    return seconds < 0.01 ? Format("%.2f ms", seconds * 1000)
           : seconds < 1  ? Format("%.1f ms", seconds * 1000)
                          : Format("%.2f s", seconds);
}

std::string MiB(double mib) {
    return Format("%.1f MiB", mib);
}

std::string GigabytesPerSecond(double seconds) {
    return Format("%.2f GB/s", static_cast<double>(kGigabyte) / seconds / 1e9);
}

void MissingRow(const std::string& figure, const Contender& a, const Contender& b,
                const std::string& target) {
    std::printf("ROW\t%s\t%s\t-\t-\t%s\n", figure.c_str(), (a.Ok() ? b : a).failure.c_str(),
                target.c_str());
}

// A row of two contenders' figures, or why it is missing; `extra` is added to the
// reference's figure and `shown` writes a figure.
void Row(const std::string& figure, const Contender& ours, const std::string& ourFigure,
         const Contender& theirs, const std::string& theirFigure, const std::string& target,
         const std::function<std::string(double)>& shown = Time, double extra = 0) {
    if (!ours.Ok() || !theirs.Ok())
        return MissingRow(figure, ours, theirs, target);
    const double a = ours.Best(ourFigure), b = theirs.Best(theirFigure) + extra;
    PrintRow(figure, shown(a), shown(b), a / b, target);
}

// A row against a fixed bound.
void BoundRow(const std::string& figure, const Contender& ours, const std::string& ourFigure,
              double bound) {
    if (!ours.Ok())
        return MissingRow(figure, ours, ours, "<= 1");
    const double a = ours.Best(ourFigure);
    PrintRow(figure, Time(a), Time(bound), a / bound, "<= 1");
}

void PrintFigures(const Contender& contender, const std::vector<std::string>& figures,
                  const std::function<std::string(double)>& shown = Time) {
    std::printf("  %-34s", contender.name.c_str());
    if (!contender.Ok())
        std::printf(" %s", contender.failure.c_str());
    else
        for (const std::string& figure : figures)
            std::printf(" %s %s (median %s)", figure.c_str(), shown(contender.Best(figure)).c_str(),
                        shown(contender.Median(figure)).c_str());
    std::printf("\n");
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
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
        const std::wstring file = option(L"--file", L"");
        try {
            if (childCase == L"load")
                return LoadCase(file, {option(L"--repaint", L""), repaints,
                                       std::stoi(option(L"--scroll", L"0")),
                                       std::stoi(option(L"--goto", L"0"))});
            if (childCase == L"reference")
                return ReferenceCase(file);
            if (childCase == L"held" || childCase == L"paged")
                return SourceCase(file, childCase == L"held");
            if (childCase == L"find")
                return FindCase(file);
            if (childCase == L"task")
                return TaskCase(file);
            if (childCase == L"escape")
                return EscapeCase(file);
            return std::fprintf(stderr, "no case %ls\n", childCase.c_str()), 2;
        } catch (...) {
            const AppError error = CaughtError();
            std::fprintf(stderr, "%ls: error %d: %ls (last error %lu)\n", childCase.c_str(),
                         error.Number(), error.Description().c_str(), GetLastError());
            return 1;
        }
    }

    const int runs = std::max(1, std::stoi(option(L"--runs", L"5")));
    timeLimitMs = 1000 * std::stoul(option(L"--time-limit-s", L"300"));
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each line as it comes: the runs take minutes

    TempFolder folder;
    std::map<std::size_t, std::wstring> random;
    for (const std::size_t kib : {1, 64, 2048, 16384}) {
        std::string bytes(kib * 1024, '\0');
        std::mt19937 generator(static_cast<unsigned>(kib));
        for (char& byte : bytes)
            byte = static_cast<char>(generator());
        random[kib] = folder.Write(std::to_wstring(kib) + L".bin", bytes);
    }
    const std::wstring gigabyte = BuiltFile(kRandomGigabyteName);
    const std::wstring huge = folder.Zeros(L"64GiB.bin", kHugeSize);
    try {
        MakeKeptFile(gigabyte, kGigabyte, false);
    } catch (const std::exception& error) {
        return std::fprintf(stderr, "%s\n", error.what()), 1;
    }
    const auto arguments = [&](const wchar_t* childCase, const std::wstring& file,
                               const std::wstring& more = L"") {
        return std::wstring(L"--case ") + childCase + L" --file " + Quoted(file) + L" --repaints " +
               std::to_wstring(repaints) + more;
    };
    Contender contenders[] = {
        {"load 1 KiB, repaint at top", arguments(L"load", random[1], L" --repaint top")},
        {"load 2 MiB, wheel notches", arguments(L"load", random[2048], L" --scroll 50")},
        {"reference 2 MiB", arguments(L"reference", random[2048])},
        {"load 16 MiB, repaint at end", arguments(L"load", random[16384], L" --repaint end")},
        {"load 1 GiB", arguments(L"load", gigabyte)},
        {"load 64 GiB, repaint at end", arguments(L"load", huge, L" --repaint end")},
        {"load 64 GiB, Go To the middle", arguments(L"load", huge, L" --goto 32")},
        {"64 KiB held whole", arguments(L"held", random[64])},
        {"64 KiB through pages", arguments(L"paged", random[64])},
        {"find in 1 GiB", arguments(L"find", gigabyte)},
        {"bare_search 1 GiB", Quoted(gigabyte) + L" " + Wide(kAbsentQuery) + L" 1",
         BuiltFile(L"bare_search.exe")},
        {"search task on 64 GiB, stopped", arguments(L"task", huge)},
        {"Find dialog on 64 GiB, Escape", arguments(L"escape", huge)},
    };
    auto& [kibLoad, mid, midReference, big, gigabyteLoad, hugeLoad, goTo, held, paged, find, bare,
           task, escape] = contenders;
    constexpr int kCount = static_cast<int>(std::size(contenders));
    // One unmeasured pass puts the 1 GiB file in the system's cache.
    RunMeasurement(bare.program, bare.arguments);
    std::printf("Every measurement in a fresh process, %d rounds:", runs);
    for (int round = 0; round < runs; ++round) {
        std::printf(" %d", round + 1);
        // Rotate who goes first, so none always follows the same one.
        for (int turn = 0; turn < kCount; ++turn) {
            Contender& contender = contenders[(round + turn) % kCount];
            contender.Add(RunMeasurement(contender.program, contender.arguments));
        }
    }

    std::printf("\n\nDrop to painted (GetAndDisplayOctolume), best run (median), and private "
                "bytes after it:\n");
    for (const Contender* load : {&kibLoad, &mid, &big, &gigabyteLoad, &hugeLoad, &goTo}) {
        PrintFigures(*load, {"load"});
        if (load->Ok())
            std::printf("  %-34s fresh %s, after the load %s, at the end %s; %.0f lines\n", "",
                        MiB(load->Best("fresh")).c_str(), MiB(load->Best("private")).c_str(),
                        MiB(load->Best("private_end")).c_str(), load->Best("lines"));
    }
    PrintFigures(midReference, {"load"});
    std::printf("\n64 KiB shown in a window of the test's own:\n");
    for (const Contender* source : {&held, &paged}) {
        PrintFigures(*source, {"load"});
        if (source->Ok())
            std::printf("  %-34s fresh %s, after %s; held whole: %s\n", "",
                        MiB(source->Best("fresh")).c_str(), MiB(source->Best("private")).c_str(),
                        source->Best("held") == 1 ? "yes" : "no");
    }
    std::printf("\nRepaints of the view, %d in each process: best (median)\n", repaints);
    for (const Contender* contender : {&kibLoad, &big, &hugeLoad}) {
        PrintFigures(*contender, {"repaint"});
        if (contender->Ok())
            std::printf("  %-34s first visible line %.0f of %.0f\n", "",
                        contender->Best("first_visible_line"), contender->Best("lines"));
    }
    PrintFigures(goTo, {"top_repaint", "top_repaint_with_frame"});
    PrintFigures(goTo, {"go_to_scroll", "go_to_middle", "go_to_dialog"});
    if (goTo.Ok())
        std::printf("  every Go To showed its line first: %s\n",
                    goTo.figures.at("go_to_shown").Least() == 1 ? "yes" : "NO");
    if (mid.Ok())
        std::printf("\nScrolling the 2 MiB dump: a wheel notch (3 lines) %s (median %s); one row "
                    "repainted %s (median %s); 1000 notches queued at once drained in %s "
                    "(%.0f lines)\n",
                    Time(mid.Best("notch")).c_str(), Time(mid.Median("notch_median")).c_str(),
                    Time(mid.Best("row_paint")).c_str(),
                    Time(mid.Median("row_paint_median")).c_str(),
                    Time(mid.Best("thousand_notches")).c_str(), mid.Best("lines_scrolled"));
    std::printf("\nSearch for 8 absent bytes through 1 GiB of random bytes in the cache:\n");
    PrintFigures(find, {"seconds"}, GigabytesPerSecond);
    PrintFigures(bare, {"seconds"}, GigabytesPerSecond);
    std::printf("\nStopping a search of 64 GiB of zeros after 0.5 s:\n");
    PrintFigures(task, {"stop"});
    if (task.Ok())
        std::printf("  %-34s %.1f %% of the file searched by then\n", "",
                    task.Best("per_mille") / 10);
    PrintFigures(escape, {"escape"});

    std::printf("\n");
    const std::pair<const Contender*, const char*> bigLoads[] = {
        {&big, "16 MiB"}, {&gigabyteLoad, "1 GiB"}, {&hugeLoad, "64 GiB"}};
    for (const auto& [load, size] : bigLoads)
        Row(std::string("drop to painted: ") + size + " vs 1 KiB", *load, "load", kibLoad, "load",
            "<= 1.2");
    for (const auto& [load, size] : bigLoads)
        Row(std::string("private bytes after showing ") + size +
                " vs after 1 KiB + the 4 MiB cache",
            *load, "private", kibLoad, "private", "<= 1.2", MiB, kCacheBoundMiB);
    Row("private bytes after 64 jumps a mebibyte apart in 64 GiB vs after 1 KiB + the 4 MiB "
        "cache",
        goTo, "private_end", kibLoad, "private", "<= 1.2", MiB, kCacheBoundMiB);
    Row("Go To the middle of 64 GiB, shown and painted, vs a repaint at the top", goTo,
        "go_to_middle", goTo, "top_repaint", "<= 1.5");
    Row("find 8 absent bytes in a cached 1 GiB: the engine's pages in the search's slices vs "
        "ReadFile 1 MiB blocks + std::search",
        find, "seconds", bare, "seconds", "<= 2",
        [](double seconds) { return Time(seconds) + " (" + GigabytesPerSecond(seconds) + ")"; });
    BoundRow("Escape to \"The search stopped.\" in the Find dialog, 64 GiB searching, vs 0.2 s",
             escape, "escape", 0.2);
    BoundRow("SearchTask::Stop after 0.5 s searching 64 GiB vs 0.2 s", task, "stop", 0.2);
    Row("64 KiB: held whole vs through the engine's pages, load to painted", held, "load", paged,
        "load", "-");
    Row("64 KiB: held whole vs through the engine's pages, private bytes after", held, "private",
        paged, "private", "-", MiB);
    Row("2 MiB: drop to painted vs the engine's file opened, lines made, two repaints of a "
        "bare window",
        mid, "load", midReference, "load", "<= 1.2");
    Row("one wheel notch (3 lines) vs one row's repaint, 2 MiB dump", mid, "notch", mid,
        "row_paint", "<= 4");
    Row("repaint at the end of 16 MiB vs at the top of 1 KiB", big, "repaint", kibLoad, "repaint",
        "<= 1.5");
    Row("repaint at the end of 64 GiB vs at the top of 1 KiB", hugeLoad, "repaint", kibLoad,
        "repaint", "<= 1.5");
    return 0;
}
