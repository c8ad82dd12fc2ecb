// dump_benchmark [--runs N] [--tool PATH]
//
// The dump core's speed beside the speed of copying: 64 MiB of random bytes
// turned into text in pieces of the engine's limit, each into a new buffer, against
// allocating buffers of the text's size and copying as much into them; every path the
// CPU runs, the core's own choice the figure. Natively, with --tool, also octolume-dump
// against xxd on the same file, both writing to /dev/null. The contenders take turns; the
// best run counts, the median and the worst show the noise.

#include "bench_report.h"
#include "engine/core/dump_format.h"
#include "engine/core/dump_paths.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <span>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

using namespace octolume;

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

// The most bytes of one file the viewer's engine dumps, in one piece.
constexpr std::size_t kDumpByteLimit = 16 * 1024 * 1024;

// Text per second when all of `bytes` is turned, piece by piece, into text in a buffer
// allocated for each piece by `fill(piece, offset, buffer)`.
template <class Fill> double TextPerSecond(const std::vector<unsigned char>& bytes, Fill&& fill) {
    const double start = bench::Now();
    for (std::size_t at = 0; at < bytes.size(); at += kDumpByteLimit) {
        const auto piece =
            std::span(bytes).subspan(at, std::min(kDumpByteLimit, bytes.size() - at));
        const std::unique_ptr<char, decltype(&std::free)> block(
            static_cast<char*>(std::malloc(DumpLinesSize(piece.size(), at))), &std::free);
        fill(piece, at, block.get());
        asm volatile("" : : "g"(block.get()) : "memory"); // the text counts as read
    }
    return DumpLinesSize(bytes.size(), 0) / (bench::Now() - start);
}

void CoreAgainstCopy(const std::vector<unsigned char>& bytes, int runs) {
    const std::vector<char> text(DumpLinesSize(kDumpByteLimit, 0), 'x');
    const auto paths = dump_paths::AvailablePaths();
    std::vector<bench::Samples> speeds(paths.size() + 2); // copy, core, each path
    for (int run = 0; run < runs; ++run) {
        speeds[0].Add(TextPerSecond(bytes, [&](auto piece, auto at, char* to) {
            std::memcpy(to, text.data(), DumpLinesSize(piece.size(), at));
        }));
        speeds[1].Add(TextPerSecond(
            bytes, [](auto piece, auto at, char* to) { FormatDumpLines(piece, at, to); }));
        for (std::size_t path = 0; path < paths.size(); ++path)
            speeds[path + 2].Add(TextPerSecond(bytes, [&](auto piece, auto at, char* to) {
                dump_paths::FormatDumpLinesWith(paths[path], piece, at, to);
            }));
    }
    std::printf("Dump core, %s: %zu MiB of random bytes in pieces of %zu KiB, each into a new "
                "buffer; %d runs\n  %-26s %12s %12s %12s\n",
                kPlatform, bytes.size() >> 20, kDumpByteLimit >> 10, runs, "text per second",
                "best", "median", "worst");
    for (std::size_t i = 0; i < speeds.size(); ++i)
        std::printf("  %-26s %12s %12s %12s\n",
                    i == 0 ? "copy (allocate + memcpy)"
                    : i == 1
                        ? "core (run-time choice)"
                        : ("  path " + std::string(dump_paths::PathName(paths[i - 2]))).c_str(),
                    MegabytesPerSecond(speeds[i].Most()).c_str(),
                    MegabytesPerSecond(speeds[i].Median()).c_str(),
                    MegabytesPerSecond(speeds[i].Least()).c_str());
    const double core = speeds[1].Most(), copy = speeds[0].Most();
    bench::PrintRow(std::string("dump core text vs copying it, ") + kPlatform,
                    MegabytesPerSecond(core), MegabytesPerSecond(copy), core / copy, ">= 0.50");
}

#ifndef _WIN32
// Input bytes a second of the program dumping the file to /dev/null; negative when it fails.
double ProgramSpeed(std::string program, std::string path, std::size_t size) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {program.data(), path.data(), nullptr};
    const double start = bench::Now();
    pid_t child = 0;
    int status = 0;
    const bool ran = posix_spawnp(&child, argv[0], &actions, nullptr, argv, environ) == 0 &&
                     ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                     WEXITSTATUS(status) == 0;
    const double seconds = bench::Now() - start;
    posix_spawn_file_actions_destroy(&actions);
    return ran ? size / seconds : -1;
}

void ProgramAgainstXxd(const std::vector<unsigned char>& bytes, int runs, const std::string& tool) {
    char path[] = "/tmp/octolume-dump-benchmark-XXXXXX";
    const int file = ::mkstemp(path);
    const bool written = file >= 0 && ::write(file, bytes.data(), bytes.size()) ==
                                          static_cast<ssize_t>(bytes.size());
    ::close(file);
    bench::Samples ours, theirs;
    ProgramSpeed(tool, path, bytes.size()); // both read the file from the page cache from here on
    // xxd takes a second or more a run: fewer of its runs.
    for (int run = 0; written && run < runs; ++run) {
        if (const double speed = ProgramSpeed(tool, path, bytes.size()); speed > 0)
            ours.Add(speed);
        if (const double speed = run < 3 ? ProgramSpeed("xxd", path, bytes.size()) : -1; speed > 0)
            theirs.Add(speed);
    }
    ::unlink(path);
    if (ours.values.empty() || theirs.values.empty()) {
        std::fputs("octolume-dump or xxd failed to run\n", stderr);
        return;
    }
    std::printf("Whole program, %zu MiB file to /dev/null, input bytes per second:\n"
                "  octolume-dump  best %s, median %s\n  xxd            best %s, median %s\n",
                bytes.size() >> 20, MegabytesPerSecond(ours.Most()).c_str(),
                MegabytesPerSecond(ours.Median()).c_str(),
                MegabytesPerSecond(theirs.Most()).c_str(),
                MegabytesPerSecond(theirs.Median()).c_str());
    bench::PrintRow("octolume-dump vs xxd, " + std::to_string(bytes.size() >> 20) +
                        " MiB file to /dev/null",
                    MegabytesPerSecond(ours.Most()), MegabytesPerSecond(theirs.Most()),
                    ours.Most() / theirs.Most(), ">= 20");
}
#endif

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    std::string tool;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--runs")
            runs = std::atoi(argv[i + 1]);
        else if (std::string(argv[i]) == "--tool")
            tool = argv[i + 1];
    }
    std::vector<unsigned char> bytes(std::size_t{64} << 20);
    std::mt19937 generator(20240611);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    CoreAgainstCopy(bytes, runs);
#ifndef _WIN32
    if (!tool.empty())
        ProgramAgainstXxd(bytes, runs, tool);
#endif
    return 0;
}
