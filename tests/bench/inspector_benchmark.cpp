// inspector_benchmark.exe [--runs N] [--keys N]
//
// What the inspector costs a caret key, under Wine with a display: the real main window with
// a file of 1 MiB of random bytes, the caret moved one byte at a time by Right and Left (from
// just after a pair onto the next one and back), each key sent to the view and its repaints
// done (the view's, and the inspector's edits whose text changed). With the inspector closed,
// then open, in turns, N rounds (default 5); the median key of the best round is the figure.
//
//   update   the inspector's own work for a key, at once: what the caret stands on and the
//            bytes read from the engine, kept for the fields
//   fields   the fields whose text changed, set and painted once the view has painted
//   key      the key until the view has painted, open against closed

#include "dump/byte_tools.h"
#include "shell/main_window.h"
#include "shell/message_pump.h"
#include "view/text_view.h"
#include "bench_report.h"
#include "engine/engine_contract.h"
#include "support/app_error.h"
#include "test_support.h"

#include <map>
#include <random>

namespace {

using namespace octolume;
using namespace octolume::test;
using namespace octolume::bench;

struct Round {
    Samples update; // ms
    Samples fields; // ms
    Samples key;    // ms
};

// Keys alternately Right and Left, the caret starting right after a pair: every key moves the
// caret's byte by one.
Round TimeKeys(frmOctolume& form, int keys, bool inspectorOpen) {
    const HWND view = form.rtfOctolume();
    TextView* text = TextView::Of(view);
    ByteTools& tools = form.Tools();
    Round round;
    // The same listener the window sets, timed.
    text->SetSelectionListener([&] {
        const double start = Now();
        tools.Follow();
        if (inspectorOpen)
            round.update.Add((Now() - start) * 1e3);
    });
    if (tools.InspectorShown() != inspectorOpen)
        tools.ToggleInspector();
    // Byte 0x8000's pair end, in a line near the middle of the view.
    const std::uint64_t line = 1 + 0x8000 / 16;
    const std::uint64_t at = text->Document().LineStart(line) + 10 + 2;
    text->ShowLineFirst(line - 10);
    text->Select(at, at);
    ProcessPendingMessages();
    for (int key = 0; key < keys; ++key) {
        const double start = Now();
        SendMessageW(view, WM_KEYDOWN, key % 2 == 0 ? VK_RIGHT : VK_LEFT, 0);
        RedrawWindow(view, nullptr, nullptr, RDW_UPDATENOW);
        const double painted = Now();
        round.key.Add((painted - start) * 1e3);
        // The fields follow once the view has painted, as the message loop has them.
        ProcessPendingMessages();
        if (inspectorOpen) {
            RedrawWindow(tools.InspectorHandle(), nullptr, nullptr,
                         RDW_UPDATENOW | RDW_ALLCHILDREN);
            round.fields.Add((Now() - painted) * 1e3);
        }
        SendMessageW(view, WM_KEYUP, key % 2 == 0 ? VK_RIGHT : VK_LEFT, 0);
    }
    return round;
}

std::string Ms(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f ms", value);
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::map<std::wstring, std::wstring> options;
    for (int i = 1; i + 1 < argc; i += 2)
        options[argv[i]] = argv[i + 1];
    const auto number = [&](const wchar_t* name, int fallback) {
        return options.count(name) ? std::max(1, std::stoi(options[name])) : fallback;
    };
    const int runs = number(L"--runs", 5);
    const int keys = number(L"--keys", 200);
    if (!LoadLibraryW(BuiltFile(engine::kLibraryName).c_str()))
        return std::fputs("octolume.dll not found beside the benchmark\n", stderr), 1;
    OleInitialize(nullptr);
    try {
        TempFolder folder;
        std::string bytes(1 << 20, '\0');
        std::mt19937 generator(1);
        for (char& byte : bytes)
            byte = static_cast<char>(generator());
        const std::wstring file = folder.Write(L"1 MiB.bin", bytes);
        const auto form =
            frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
        form->GetAndDisplayOctolume(file);
        SetFocus(form->rtfOctolume());
        ProcessPendingMessages();

        double bestUpdate = 1e9, bestFields = 1e9, bestOpen = 1e9, bestClosed = 1e9;
        std::printf("1 MiB of random bytes, %d keys a round, %d rounds; median key (most):\n", keys,
                    runs);
        for (int run = 0; run < runs; ++run) {
            const Round closed = TimeKeys(*form, keys, false);
            const Round open = TimeKeys(*form, keys, true);
            std::printf("  round %d: closed %s (%s), open %s (%s), update %s (%s), fields %s (%s)\n",
                        run + 1, Ms(closed.key.Median()).c_str(), Ms(closed.key.Most()).c_str(),
                        Ms(open.key.Median()).c_str(), Ms(open.key.Most()).c_str(),
                        Ms(open.update.Median()).c_str(), Ms(open.update.Most()).c_str(),
                        Ms(open.fields.Median()).c_str(), Ms(open.fields.Most()).c_str());
            bestUpdate = std::min(bestUpdate, open.update.Median());
            bestFields = std::min(bestFields, open.fields.Median());
            bestOpen = std::min(bestOpen, open.key.Median());
            bestClosed = std::min(bestClosed, closed.key.Median());
        }
        PrintRow("inspector's update for a caret key of one byte (ms)", Ms(bestUpdate), "0.2 ms",
                 bestUpdate, "<= 0.2");
        PrintRow("inspector's fields set and painted after a caret key of one byte (ms)",
                 Ms(bestFields), "0.2 ms", bestFields / 0.2, "<= 1");
        PrintRow("caret key until the view has painted, inspector open vs closed", Ms(bestOpen),
                 Ms(bestClosed), bestOpen / bestClosed, "<= 1.2");
    } catch (...) {
        const AppError error = CaughtError();
        std::fprintf(stderr, "error %d: %ls\n", error.Number(), error.Description().c_str());
        return 1;
    }
    return 0;
}
