// dump_benchmark [--size-mib N] [--runs N] [--tool PATH] [--xxd PATH]
//
// The dump core's speed beside the speed of copying: random bytes (64 MiB by default)
// turned into text in newly allocated buffers, against allocating buffers of the
// text's size and copying that much into them; every path the CPU runs, the one the
// core picks as the figure. Natively, with --tool, also the whole
// octolume-dump program against xxd on the same file, both writing to /dev/null.
// Runs alternate between the contenders; the best run counts, the median shows noise.

#include "bench_report.h"
#include "engine/core/dump_format.h"
#include "engine/core/dump_paths.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <span>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

using namespace octolume;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string MegabytesPerSecond(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB/s", value / 1e6);
    return text;
}

#if defined(_WIN32)
const char* const kPlatform = "i686 under Wine";
#elif defined(__x86_64__)
const char* const kPlatform = "x86-64 native";
#else
const char* const kPlatform = "native";
#endif

// Keeps the compiler from dropping work whose result nobody reads.
void Keep(void* pointer) {
    asm volatile("" : : "g"(pointer) : "memory");
}

struct FreeDeleter {
    void operator()(char* block) const noexcept { std::free(block); }
};
using Block = std::unique_ptr<char, FreeDeleter>;

// Seconds to turn all of `bytes`, piece by piece, into text in a buffer allocated for
// each piece, by `fill(piece, text)`; each buffer is released before the next piece.
template <class Fill>
double AllocateAndFill(const std::vector<unsigned char>& bytes, std::size_t pieceSize,
                       Fill&& fill) {
    const Clock::time_point start = Clock::now();
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
        const auto piece = std::span(bytes).subspan(at, std::min(pieceSize, bytes.size() - at));
        Block block(static_cast<char*>(std::malloc(DumpLinesSize(piece.size(), at))));
        if (!block)
            return 1e9;
        fill(piece, at, block.get());
        Keep(block.get());
    }
    return SecondsSince(start);
}

// Text per second of the core, each path, and a copy of the same amount, for the
// bytes dumped in pieces of `pieceSize`; the core's and the copy's best.
void CoreAgainstCopy(const std::vector<unsigned char>& bytes, std::size_t pieceSize, int runs,
                     bool report) {
    const std::size_t textSize = DumpLinesSize(bytes.size(), 0);
    std::vector<char> text(DumpLinesSize(std::min(pieceSize, bytes.size()), 0), 'x');
    const auto paths = dump_paths::AvailablePaths();
    std::vector<bench::Samples> pathSpeeds(paths.size());
    bench::Samples coreSpeeds, copySpeeds;
    for (int run = 0; run < runs; ++run) {
        copySpeeds.Add(textSize /
                       AllocateAndFill(bytes, pieceSize, [&](auto piece, auto at, char* to) {
                           std::memcpy(to, text.data(), DumpLinesSize(piece.size(), at));
                       }));
        coreSpeeds.Add(textSize /
                       AllocateAndFill(bytes, pieceSize, [&](auto piece, auto at, char* to) {
                           FormatDumpLines(piece, at, to);
                       }));
        for (std::size_t path = 0; path < paths.size(); ++path)
            pathSpeeds[path].Add(
                textSize / AllocateAndFill(bytes, pieceSize, [&](auto piece, auto at, char* to) {
                    dump_paths::FormatDumpLinesWith(paths[path], piece, at, to);
                }));
    }

    std::printf("Dump core, %s: %zu MiB of random bytes in pieces of %zu KiB, each into a new "
                "buffer; %d runs\n",
                kPlatform, bytes.size() >> 20, pieceSize >> 10, runs);
    std::printf("  %-26s %12s %12s %12s\n", "text per second", "best", "median", "worst");
    const auto line = [](const std::string& name, const bench::Samples& speeds) {
        std::printf("  %-26s %12s %12s %12s\n", name.c_str(),
                    MegabytesPerSecond(speeds.Most()).c_str(),
                    MegabytesPerSecond(speeds.Median()).c_str(),
                    MegabytesPerSecond(speeds.Least()).c_str());
    };
    line("copy (allocate + memcpy)", copySpeeds);
    line("core (run-time choice)", coreSpeeds);
    for (std::size_t path = 0; path < paths.size(); ++path)
        line("  path " + std::string(dump_paths::PathName(paths[path])), pathSpeeds[path]);
    std::printf("  core: %s of input a second; %.2f of the copy's speed\n",
                MegabytesPerSecond(coreSpeeds.Most() * bytes.size() / textSize).c_str(),
                coreSpeeds.Most() / copySpeeds.Most());
    if (report)
        bench::PrintRow(std::string("dump core text vs copying it, ") + kPlatform,
                        MegabytesPerSecond(coreSpeeds.Most()),
                        MegabytesPerSecond(copySpeeds.Most()),
                        coreSpeeds.Most() / copySpeeds.Most(), ">= 0.50");
}

#ifndef _WIN32
// Seconds the program takes from start to exit with its output going to /dev/null;
// negative when it fails.
double TimeProgram(const std::vector<std::string>& command) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    int status = 0;
    const bool ran = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                     ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                     WEXITSTATUS(status) == 0;
    const double seconds = SecondsSince(start);
    posix_spawn_file_actions_destroy(&actions);
    return ran ? seconds : -1;
}

void ProgramAgainstXxd(const std::vector<unsigned char>& bytes, int runs, const std::string& tool,
                       const std::string& xxd) {
    char path[] = "/tmp/octolume-dump-benchmark-XXXXXX";
    const int file = ::mkstemp(path);
    if (file < 0 ||
        ::write(file, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::fputs("cannot write the benchmark's file in /tmp\n", stderr);
        return;
    }
    ::close(file);
    bench::Samples ours, theirs;
    TimeProgram({tool, path}); // both read the file from the page cache from here on
    // xxd takes a second or more a run: fewer of its runs.
    for (int run = 0; run < runs; ++run) {
        const double seconds = TimeProgram({tool, path});
        if (seconds > 0)
            ours.Add(bytes.size() / seconds);
        if (run < 3) {
            const double xxdSeconds = TimeProgram({xxd, path});
            if (xxdSeconds > 0)
                theirs.Add(bytes.size() / xxdSeconds);
        }
    }
    ::unlink(path);
    if (ours.Empty() || theirs.Empty()) {
        std::fputs("octolume-dump or xxd failed to run\n", stderr);
        return;
    }
    std::printf("Whole program, %zu MiB file to /dev/null, input bytes per second:\n",
                bytes.size() >> 20);
    std::printf("  octolume-dump  best %s, median %s\n", MegabytesPerSecond(ours.Most()).c_str(),
                MegabytesPerSecond(ours.Median()).c_str());
    std::printf("  xxd            best %s, median %s\n", MegabytesPerSecond(theirs.Most()).c_str(),
                MegabytesPerSecond(theirs.Median()).c_str());
    bench::PrintRow("octolume-dump vs xxd, " + std::to_string(bytes.size() >> 20) +
                        " MiB file to /dev/null",
                    MegabytesPerSecond(ours.Most()), MegabytesPerSecond(theirs.Most()),
                    ours.Most() / theirs.Most(), ">= 20");
}
#endif

} // namespace

int main(int argc, char** argv) {
    std::size_t sizeMib = 64;
    int runs = 5;
    std::string tool, xxd = "xxd";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--size-mib")
            sizeMib = std::strtoul(value.c_str(), nullptr, 10);
        else if (option == "--runs")
            runs = std::atoi(value.c_str());
        else if (option == "--tool")
            tool = value;
        else if (option == "--xxd")
            xxd = value;
    }
    std::vector<unsigned char> bytes(sizeMib << 20);
    std::mt19937 generator(20240611);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());

    // The figure: pieces of the engine's limit, as the engine formats them (their text,
    // about 10 MB, may stay in the caches). Then the whole input at once, whose text
    // goes to memory.
    CoreAgainstCopy(bytes, kDumpByteLimit, runs, true);
    CoreAgainstCopy(bytes, bytes.size(), runs, false);
#ifndef _WIN32
    if (!tool.empty())
        ProgramAgainstXxd(bytes, runs, tool, xxd);
#endif
    return 0;
}
