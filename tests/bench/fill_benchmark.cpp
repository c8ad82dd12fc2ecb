// fill_benchmark.exe [--section all|fill|replace|empty|settings] [--repeat N]
//                    [--one-call-limit-kib N] [--content zeros|random] [--size-kib N]
//                    [--time-limit-s N]
//
// Measures how fast the viewer shows dumps and what memory it keeps, under Wine with a
// display. Every case runs in a child process of its own (this program started again
// with --case), so each starts from a fresh process, a case that exhausts the address
// space shows as "crashed", and one that runs past the time limit as "> N s".
//
//   fill      files of 256 KiB, 1 MiB and 2 MiB (zero-filled and random) through the
//             real main window, beside the time the bare view takes to take the same
//             dump text in one call (WM_SETTEXT); --one-call-limit-kib skips one-call
//             fills above that size, --content and --size-kib pick one case.
//   replace   a 64 KiB random file in a freshly started program, and the same file after
//             the dump of 1 MiB and of 2 MiB of random bytes; the "Unable to load" path
//             and the exit sequence after a long dump and after none.
//   empty     the ways to empty a view that holds a long dump.
//   settings  rich-edit settings and fill methods on a bare view: time and memory per
//             character; then the best of them beside the pipeline.
//
// Timings are the best of --repeat runs (default 3), taken side by side in one run.
// Every target figure is also printed as one tab-separated line:
//   ROW <figure> <ours> <reference> <ratio> <target>

#include "app/dump_view.h"
#include "app/load_and_display.h"
#include "app/main_window.h"
#include "app/message_pump.h"
#include "support/text.h"
#include "bench_report.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace octolume;
using namespace octolume::test;
using octolume::bench::Now;
using octolume::bench::PrintRow;

constexpr int kSmallKiB = 64;
constexpr int kSettingsKiB = 256;

// ---------------------------------------------------------------- measuring

template <class Step> double Time(Step&& step) {
    const double start = Now();
    step();
    return Now() - start;
}

// Private bytes as Windows counts them: committed pages of the process's own (private)
// memory, summed over its address space. Wine reports GetProcessMemoryInfo's PrivateUsage
// as 0, so this walk is the figure used; on Windows the two agree.
double CommittedPrivateMiB() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr;
         VirtualQuery(address, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return static_cast<double>(total) / 1048576.0;
}

struct Memory {
    double privateMiB = 0;    // VirtualQuery walk, above
    double workingSetMiB = 0; // GetProcessMemoryInfo; Wine reads Linux's VmRSS
    double peakMiB = 0;       // GetProcessMemoryInfo; Wine reads Linux's VmHWM
};

Memory MeasureMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {CommittedPrivateMiB(), counters.WorkingSetSize / 1048576.0,
            counters.PeakWorkingSetSize / 1048576.0};
}

void PrintMemory(const Memory& memory) {
    std::printf("memory %.1f %.1f %.1f\n", memory.privateMiB, memory.workingSetMiB, memory.peakMiB);
}

// ---------------------------------------------------------------- inputs

std::string Content(size_t size, bool random, unsigned seed) {
    std::string bytes(size, '\0');
    if (random) {
        std::mt19937 generator(seed);
        for (char& byte : bytes)
            byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

// The dump of a file of this size (random or zero bytes), as the engine makes it.
std::wstring DumpText(const TempFolder& folder, size_t kib, bool random) {
    std::wstring path = folder.Write(L"text.bin", Content(kib * 1024, random, 12345));
    return DoOctolume(path);
}

void Pump() {
    ProcessPendingMessages();
}

// ---------------------------------------------------------------- child cases

// Loads files into the real main window one after another and prints each step's
// seconds. A step is a size in KiB (a file of that many random or zero bytes), "empty"
// (an empty file: the "Unable to load" box, answered) or "exit" (the exit sequence, up to
// ending the process).
int LoadCase(const std::vector<std::wstring>& steps, bool random) {
    OleInitialize(nullptr);
    // The exit step ends nothing: the memory after it is printed too.
    const auto form = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
    Pump();
    MessageBoxCapture boxes;
    TempFolder folder;
    int index = 0;
    for (const std::wstring& step : steps) {
        double seconds = 0;
        if (step == L"exit") {
            seconds = Time([&] { form->mnuFileExit_Click(); });
        } else {
            const size_t kib = step == L"empty" ? 0 : std::wcstoul(step.c_str(), nullptr, 10);
            // The small file is the same in every case; the long ones differ from it.
            const auto file =
                folder.Write(L"file" + std::to_wstring(++index) + L".bin",
                             Content(kib * 1024, random, kib == kSmallKiB ? 64 : 12345));
            seconds = Time([&] { form->GetAndDisplayOctolume(file); });
        }
        std::printf("step %ls %.3f %d\n", step.c_str(), seconds,
                    GetWindowTextLengthW(form->rtfOctolume()));
        std::fflush(stdout);
    }
    PrintMemory(MeasureMemory());
    return 0;
}

int OneCallCase(size_t kib, bool random) {
    TempFolder folder;
    const std::wstring text = DumpText(folder, kib, random);
    ViewerWindow fresh;
    const double seconds = Time(
        [&] { SendMessageW(fresh.View(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); });
    std::printf("step one-call %.3f %zu\n", seconds, text.size());
    PrintMemory(MeasureMemory());
    return 0;
}

// A bare rich-edit view, set up as the program's is unless a variant says otherwise.
struct BareView {
    explicit BareView(const wchar_t* className = MSFTEDIT_CLASS, bool font = true) {
        LoadLibraryW(L"msftedit.dll");
        LoadLibraryW(L"riched20.dll");
        frame = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 660,
                                480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (font)
            viewFont.reset(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                       FIXED_PITCH | FF_MODERN, L"Courier New"));
        this->className = className;
        view = Make();
        Pump();
    }
    HWND Make() const {
        const HWND control = CreateWindowExW(
            WS_EX_CLIENTEDGE, className, L"",
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY | ES_NOHIDESEL | ES_DISABLENOSCROLL,
            8, 80, 620, 320, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE,
                     0);
        SendMessageW(control, EM_SETUNDOLIMIT, 0, 0);
        SendMessageW(control, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
        SendMessageW(control, EM_SETTARGETDEVICE, 0, 1);
        if (viewFont)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(viewFont.get()), FALSE);
        return control;
    }
    ~BareView() { DestroyWindow(frame); }

    const wchar_t* className;
    FontHandle viewFont;
    HWND frame;
    HWND view;
};

// Appends whole lines in pieces of about `piece` characters, as the view is filled.
void AppendInPieces(HWND view, const std::wstring& text, size_t piece) {
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(start + piece, text.size());
        if (end < text.size()) {
            const size_t lineBreak = text.rfind(L'\n', end - 1);
            if (lineBreak != std::wstring::npos && lineBreak >= start)
                end = lineBreak + 1;
        }
        const std::wstring part = text.substr(start, end - start);
        SendMessageW(view, EM_SETSEL, -1, -1);
        SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(part.c_str()));
        start = end;
    }
}

struct StreamSource {
    const std::wstring* text;
    size_t offset;
};

DWORD CALLBACK StreamOut(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* written) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t bytesLeft = (source->text->size() - source->offset) * sizeof(wchar_t);
    const size_t bytes = std::min(bytesLeft, static_cast<size_t>(size) & ~size_t{1});
    std::memcpy(buffer, source->text->data() + source->offset, bytes);
    source->offset += bytes / sizeof(wchar_t);
    *written = static_cast<LONG>(bytes);
    return 0;
}

// The fill methods and settings tried on a bare view.
const std::vector<std::pair<std::wstring, std::string>> kVariants = {
    {L"as-view", "as the view: 64K pieces, redraw off"},
    {L"hidden", "hidden while filling"},
    {L"pieces-16k", "pieces of 16K characters"},
    {L"pieces-256k", "pieces of 256K characters"},
    {L"stream-in", "one EM_STREAMIN (Unicode text)"},
    {L"lang-options-0", "EM_SETLANGOPTIONS 0"},
    {L"typography", "EM_SETTYPOGRAPHYOPTIONS simple line break"},
    {L"edit-style", "EM_SETEDITSTYLE SES_EMULATESYSEDIT"},
    {L"no-font", "the control's own font"},
    {L"riched20", "class RichEdit20W"},
    {L"password", "password character (hides the text)"},
};

int BareCase(const std::wstring& variant, size_t kib, bool random) {
    TempFolder folder;
    const std::wstring text = DumpText(folder, kib, random);
    BareView bare(variant == L"riched20" ? L"RichEdit20W" : MSFTEDIT_CLASS, variant != L"no-font");
    const HWND view = bare.view;
    if (variant == L"lang-options-0")
        SendMessageW(view, EM_SETLANGOPTIONS, 0, 0);
    if (variant == L"typography")
        SendMessageW(view, EM_SETTYPOGRAPHYOPTIONS, TO_ADVANCEDTYPOGRAPHY | TO_SIMPLELINEBREAK,
                     TO_ADVANCEDTYPOGRAPHY | TO_SIMPLELINEBREAK);
    if (variant == L"edit-style")
        SendMessageW(view, EM_SETEDITSTYLE, SES_EMULATESYSEDIT, SES_EMULATESYSEDIT);
    if (variant == L"password")
        SendMessageW(view, EM_SETPASSWORDCHAR, L'*', 0);
    const Memory before = MeasureMemory();
    const double seconds = Time([&] {
        SendMessageW(view, WM_SETREDRAW, FALSE, 0);
        if (variant == L"hidden")
            ShowWindow(view, SW_HIDE);
        if (variant == L"stream-in") {
            StreamSource source{&text, 0};
            EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, StreamOut};
            SendMessageW(view, EM_STREAMIN, SF_TEXT | SF_UNICODE,
                         reinterpret_cast<LPARAM>(&stream));
        } else {
            const size_t piece = variant == L"pieces-16k"    ? 16384
                                 : variant == L"pieces-256k" ? 262144
                                                             : 65536;
            AppendInPieces(view, text, piece);
        }
        SendMessageW(view, EM_SETSEL, 0, 0);
        if (variant == L"hidden")
            ShowWindow(view, SW_SHOW);
        SendMessageW(view, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    });
    const Memory after = MeasureMemory();
    const int length = GetWindowTextLengthW(view);
    std::printf("step %ls %.3f %d\n", variant.c_str(), seconds, length);
    std::printf("per-char %.1f\n",
                (after.privateMiB - before.privateMiB) * 1048576.0 / std::max(length, 1));
    PrintMemory(after);
    return 0;
}

// The ways to take a long text out of a view, each timed up to "Loading..." shown.
const std::vector<std::pair<std::wstring, std::string>> kEmptyMethods = {
    {L"set-text", "WM_SETTEXT \"Loading...\""},
    {L"select-all", "select all + EM_REPLACESEL"},
    {L"delete-from-end", "delete from the end in 64K pieces"},
    {L"new-control", "destroy + create a new control"},
};

int EmptyCase(const std::wstring& method, size_t kib) {
    TempFolder folder;
    BareView bare;
    {
        const std::wstring text = DumpText(folder, kib, true);
        SendMessageW(bare.view, WM_SETREDRAW, FALSE, 0);
        AppendInPieces(bare.view, text, 65536);
        SendMessageW(bare.view, WM_SETREDRAW, TRUE, 0);
    }
    Pump();
    const wchar_t loading[] = L"Loading...";
    const double seconds = Time([&] {
        if (method == L"set-text") {
            SendMessageW(bare.view, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(loading));
        } else if (method == L"select-all") {
            SendMessageW(bare.view, EM_SETSEL, 0, -1);
            SendMessageW(bare.view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(loading));
        } else if (method == L"delete-from-end") {
            for (int length = GetWindowTextLengthW(bare.view); length > 0;
                 length = GetWindowTextLengthW(bare.view)) {
                SendMessageW(bare.view, EM_SETSEL, std::max(0, length - 65536), -1);
                SendMessageW(bare.view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
            }
            SendMessageW(bare.view, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(loading));
        } else {
            DestroyWindow(bare.view);
            bare.view = bare.Make();
            SendMessageW(bare.view, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(loading));
        }
        Pump();
    });
    std::printf("step %ls %.3f %d\n", method.c_str(), seconds, GetWindowTextLengthW(bare.view));
    PrintMemory(MeasureMemory());
    return 0;
}

// ---------------------------------------------------------------- running children

struct ChildResult {
    std::vector<double> seconds; // one per step
    std::vector<long> characters;
    std::optional<Memory> memory;
    double perChar = 0;
    std::string failure; // "crashed", "> N s" or empty
    bool Ok() const { return failure.empty() && memory.has_value(); }
};

DWORD timeLimitMs = 600000;

struct PipeReader {
    HANDLE pipe;
    std::string output;
};

DWORD WINAPI ReadPipe(void* parameter) {
    auto& reader = *static_cast<PipeReader*>(parameter);
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(reader.pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        reader.output.append(buffer, read);
    return 0;
}

ChildResult RunChild(const std::wstring& arguments) {
    wchar_t self[MAX_PATH]{};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + arguments;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ChildResult result;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        result.failure = "no pipe";
        return result;
    }
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
    if (!started) {
        CloseHandle(readEnd);
        result.failure = "not started";
        return result;
    }
    // The pipe is read on the side so the time limit holds while the child is silent.
    PipeReader reader{readEnd, {}};
    const HANDLE readerThread = CreateThread(nullptr, 0, ReadPipe, &reader, 0, nullptr);
    if (WaitForSingleObject(child.hProcess, timeLimitMs) == WAIT_TIMEOUT) {
        TerminateProcess(child.hProcess, 2);
        WaitForSingleObject(child.hProcess, INFINITE);
        result.failure = "> " + std::to_string(timeLimitMs / 1000) + " s";
    }
    WaitForSingleObject(readerThread, INFINITE);
    CloseHandle(readerThread);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(readEnd);

    std::istringstream lines(reader.output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "step") {
            std::string name;
            double seconds = 0;
            long characters = 0;
            words >> name >> seconds >> characters;
            result.seconds.push_back(seconds);
            result.characters.push_back(characters);
        } else if (kind == "memory") {
            Memory memory;
            words >> memory.privateMiB >> memory.workingSetMiB >> memory.peakMiB;
            result.memory = memory;
        } else if (kind == "per-char") {
            words >> result.perChar;
        }
    }
    if (result.failure.empty() && exitCode != 0)
        result.failure = "crashed";
    return result;
}

// The best of several runs of the same case: the least time of each step; the memory of
// the first run that succeeded.
struct Best {
    std::optional<ChildResult> result;
    void Add(const ChildResult& run) {
        if (!run.Ok()) {
            if (!result)
                result = run;
            return;
        }
        if (!result || !result->Ok()) {
            result = run;
            return;
        }
        for (size_t step = 0; step < run.seconds.size() && step < result->seconds.size(); ++step)
            result->seconds[step] = std::min(result->seconds[step], run.seconds[step]);
        result->perChar = std::min(result->perChar, run.perChar);
    }
    bool Ok() const { return result && result->Ok(); }
    double Step(size_t index) const { return result->seconds.at(index); }
    const Memory& Mem() const { return *result->memory; }
    std::string Failure() const { return result ? result->failure : "not run"; }
};

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

std::string MiB(double mib) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MiB", mib);
    return text;
}

void MissingRow(const std::string& figure, const std::string& why, const std::string& target) {
    std::printf("ROW\t%s\t%s\t-\t-\t%s\n", figure.c_str(), why.c_str(), target.c_str());
}

std::string Cell(const Best& best, size_t step) {
    return best.Ok() ? Seconds(best.Step(step)) : best.Failure();
}

std::string MemoryCells(const Best& best) {
    if (!best.Ok())
        return "";
    char text[64];
    std::snprintf(text, sizeof text, "%10.0f %10.0f", best.Mem().privateMiB, best.Mem().peakMiB);
    return text;
}

const char kMemoryNote[] =
    "private MiB: committed private pages (VirtualQuery over the address space; Wine reports\n"
    "GetProcessMemoryInfo's PrivateUsage as 0). peak WS MiB: GetProcessMemoryInfo's peak working\n"
    "set, which Wine takes from Linux's VmHWM of the process. (Z:\\proc\\self\\status is no\n"
    "help: Wine opens files in its server, so it describes wineserver.)\n";

// ---------------------------------------------------------------- sections

void FillSection(const std::vector<bool>& contents, const std::vector<size_t>& sizes,
                 size_t oneCallLimitKiB) {
    std::printf("\nFill: files through the real main window beside one WM_SETTEXT of their dump\n");
    std::printf("%-8s %8s %10s %12s %12s %10s %10s\n", "content", "size", "characters", "pipeline",
                "one call", "private", "peak WS");
    for (const bool random : contents) {
        for (const size_t kib : sizes) {
            const std::wstring content = random ? L"random" : L"zeros";
            Best pipeline;
            pipeline.Add(RunChild(L"--case load --content " + content + L" --steps " +
                                  std::to_wstring(kib)));
            std::string oneCall = "skipped";
            if (kib <= oneCallLimitKiB) {
                const ChildResult run = RunChild(L"--case one-call --content " + content +
                                                 L" --size-kib " + std::to_wstring(kib));
                oneCall = run.Ok() ? Seconds(run.seconds.at(0)) : run.failure;
            }
            std::printf("%-8ls %4zu KiB %10ld %12s %12s %s\n", content.c_str(), kib,
                        pipeline.Ok() ? pipeline.result->characters.at(0) : 0L,
                        Cell(pipeline, 0).c_str(), oneCall.c_str(), MemoryCells(pipeline).c_str());
            std::fflush(stdout);
        }
    }
}

void ReplaceSection(int repeat) {
    std::printf("\nReplace: a 64 KiB random file after a long dump, beside the same file in a\n"
                "freshly started program (seconds of the 64 KiB load; best of %d)\n",
                repeat);
    const std::wstring small = std::to_wstring(kSmallKiB);
    Best fresh, after1, after2;
    for (int run = 0; run < repeat; ++run) {
        fresh.Add(RunChild(L"--case load --content random --steps " + small));
        after1.Add(RunChild(L"--case load --content random --steps 1024," + small));
        after2.Add(RunChild(L"--case load --content random --steps 2048," + small));
    }
    std::printf("%-44s %10s %10s %10s\n", "case", "64 KiB", "private", "peak WS");
    std::printf("%-44s %10s %s\n", "fresh program", Cell(fresh, 0).c_str(),
                MemoryCells(fresh).c_str());
    std::printf("%-44s %10s %s\n", "after 1 MiB random", Cell(after1, 1).c_str(),
                MemoryCells(after1).c_str());
    std::printf("%-44s %10s %s\n", "after 2 MiB random", Cell(after2, 1).c_str(),
                MemoryCells(after2).c_str());

    // The box path and the exit, after the longest dump and after none.
    const ChildResult errorFresh = RunChild(L"--case load --content random --steps empty");
    const ChildResult errorAfter = RunChild(L"--case load --content random --steps 2048,empty");
    const ChildResult exitFresh = RunChild(L"--case load --content random --steps exit");
    const ChildResult exitAfter = RunChild(L"--case load --content random --steps 2048,exit");
    auto step = [](const ChildResult& run, size_t index) {
        return run.Ok() ? Seconds(run.seconds.at(index)) : run.failure;
    };
    std::printf("%-44s %10s %10s\n", "", "none", "2 MiB");
    std::printf("%-44s %10s %10s\n", "\"Unable to load\" box answered, after",
                step(errorFresh, 0).c_str(), step(errorAfter, 1).c_str());
    std::printf("%-44s %10s %10s\n", "exit sequence up to ending, after",
                step(exitFresh, 0).c_str(), step(exitAfter, 1).c_str());
    std::printf("%s", kMemoryNote);

    const std::pair<Best*, const char*> cases[] = {{&after1, "1 MiB"}, {&after2, "2 MiB"}};
    for (const auto& [after, size] : cases) {
        const std::string figure = std::string("replace ") + size + " random then 64 KiB vs fresh";
        if (after->Ok() && fresh.Ok())
            PrintRow(figure, Seconds(after->Step(1)), Seconds(fresh.Step(0)),
                     after->Step(1) / fresh.Step(0), "<= 1.2");
        else
            MissingRow(figure, after->Ok() ? fresh.Failure() : after->Failure(), "<= 1.2");
    }
    for (const auto& [after, size] : cases) {
        const std::string figure =
            std::string("private bytes after ") + size + " random then 64 KiB vs fresh";
        if (after->Ok() && fresh.Ok())
            PrintRow(figure, MiB(after->Mem().privateMiB), MiB(fresh.Mem().privateMiB),
                     after->Mem().privateMiB / fresh.Mem().privateMiB, "<= 1.3");
        else
            MissingRow(figure, after->Ok() ? fresh.Failure() : after->Failure(), "<= 1.3");
    }
}

void EmptySection() {
    std::printf("\nEmpty: a view holding the dump of random bytes, emptied up to \"Loading...\"\n");
    std::printf("%-36s %12s %12s %12s %12s\n", "method", "64 KiB", "256 KiB", "1 MiB", "2 MiB");
    const size_t sizes[] = {64, 256, 1024, 2048};
    for (const auto& [method, description] : kEmptyMethods) {
        std::printf("%-36s", description.c_str());
        for (const size_t kib : sizes) {
            // Emptying in place grows with the square of the length: past 256 KiB it
            // takes hours, so only the new control is tried there.
            const bool tried = method == L"new-control" || kib <= 64 ||
                               (kib <= 256 && method == L"delete-from-end");
            std::string cell = "-";
            if (tried) {
                const ChildResult run = RunChild(L"--case empty --method " + method +
                                                 L" --size-kib " + std::to_wstring(kib));
                cell = run.Ok() ? Seconds(run.seconds.at(0)) : run.failure;
            }
            std::printf(" %12s", cell.c_str());
            std::fflush(stdout);
        }
        std::printf("\n");
    }
}

void SettingsSection(int repeat) {
    std::printf("\nSettings: the dump of %d KiB of random bytes into a bare view (best of %d)\n",
                kSettingsKiB, repeat);
    std::printf("%-44s %10s %14s %10s\n", "variant", "fill", "bytes/char", "peak WS");
    // Round after round over all variants, so a busy spell of the machine does not fall
    // on one variant alone.
    std::vector<Best> results(kVariants.size());
    for (int run = 0; run < repeat; ++run)
        for (size_t index = 0; index < kVariants.size(); ++index)
            results[index].Add(RunChild(L"--case bare --content random --variant " +
                                        kVariants[index].first + L" --size-kib " +
                                        std::to_wstring(kSettingsKiB)));
    std::wstring bestVariant;
    double bestSeconds = 0;
    for (size_t index = 0; index < kVariants.size(); ++index) {
        const auto& [variant, description] = kVariants[index];
        const Best& best = results[index];
        if (best.Ok()) {
            std::printf("%-44s %10s %14.0f %10.0f\n", description.c_str(),
                        Seconds(best.Step(0)).c_str(), best.result->perChar, best.Mem().peakMiB);
            // The password character hides the dump: shown for comparison only.
            if (variant != L"password" && (bestVariant.empty() || best.Step(0) < bestSeconds)) {
                bestVariant = variant;
                bestSeconds = best.Step(0);
            }
        } else {
            std::printf("%-44s %10s\n", description.c_str(), best.Failure().c_str());
        }
    }
    if (bestVariant.empty()) {
        MissingRow("pipeline 1 MiB random vs bare view's best fill", "no fill", "<= 1.1");
        return;
    }

    Best pipeline, bare;
    for (int run = 0; run < repeat; ++run) {
        pipeline.Add(RunChild(L"--case load --content random --steps 1024"));
        bare.Add(RunChild(L"--case bare --content random --variant " + bestVariant +
                          L" --size-kib 1024"));
    }
    std::printf("1 MiB random: pipeline %s, bare view with the best fill (%ls) %s\n",
                Cell(pipeline, 0).c_str(), bestVariant.c_str(), Cell(bare, 0).c_str());
    const std::string figure = "pipeline 1 MiB random vs bare view's best fill";
    if (pipeline.Ok() && bare.Ok())
        PrintRow(figure, Seconds(pipeline.Step(0)), Seconds(bare.Step(0)),
                 pipeline.Step(0) / bare.Step(0), "<= 1.1");
    else
        MissingRow(figure, pipeline.Ok() ? bare.Failure() : pipeline.Failure(), "<= 1.1");
}

std::vector<std::wstring> Split(const std::wstring& list) {
    std::vector<std::wstring> items;
    std::wstringstream stream(list);
    for (std::wstring item; std::getline(stream, item, L',');)
        items.push_back(item);
    return items;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::map<std::wstring, std::wstring> options;
    for (int i = 1; i + 1 < argc; i += 2)
        options[argv[i]] = argv[i + 1];
    auto option = [&](const wchar_t* name, const wchar_t* fallback) {
        const auto found = options.find(name);
        return found != options.end() ? found->second : std::wstring(fallback);
    };
    const bool random = option(L"--content", L"random") == L"random";

    const HMODULE engine = LoadLibraryW(BuiltFile(L"octolume.dll").c_str());
    if (!engine) {
        std::fputs("octolume.dll not found beside the benchmark\n", stderr);
        return 1;
    }

    const std::wstring childCase = option(L"--case", L"");
    const size_t kib = std::wcstoul(option(L"--size-kib", L"256").c_str(), nullptr, 10);
    if (childCase == L"load")
        return LoadCase(Split(option(L"--steps", L"64")), random);
    if (childCase == L"one-call")
        return OneCallCase(kib, random);
    if (childCase == L"bare")
        return BareCase(option(L"--variant", L"as-view"), kib, random);
    if (childCase == L"empty")
        return EmptyCase(option(L"--method", L"new-control"), kib);

    const std::wstring section = option(L"--section", L"all");
    const int repeat = std::max(1, _wtoi(option(L"--repeat", L"3").c_str()));
    timeLimitMs = 1000 * static_cast<DWORD>(_wtoi(option(L"--time-limit-s", L"600").c_str()));
    std::vector<bool> contents{false, true};
    if (options.count(L"--content"))
        contents = {random};
    std::vector<size_t> sizes{256, 1024, 2048};
    if (options.count(L"--size-kib"))
        sizes = {kib};
    const size_t oneCallLimitKiB =
        std::wcstoul(option(L"--one-call-limit-kib", L"2048").c_str(), nullptr, 10);

    // Each line as it comes: the runs take minutes.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (section == L"all" || section == L"fill")
        FillSection(contents, sizes, oneCallLimitKiB);
    if (section == L"all" || section == L"replace")
        ReplaceSection(repeat);
    if (section == L"all" || section == L"empty")
        EmptySection();
    if (section == L"all" || section == L"settings")
        SettingsSection(repeat);
    FreeLibrary(engine);
    return 0;
}
