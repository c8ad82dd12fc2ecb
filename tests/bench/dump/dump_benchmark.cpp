// dump_benchmark [--runs N] [--tool PATH]
//
// The dump core's speed beside the speed of copying: 64 MiB of random bytes
// turned into text in pieces of the engine's limit, each into a new buffer, against
// allocating buffers of the text's size and copying as much into them; every path the
// CPU runs, the core's own choice the figure. Natively, with --tool, also octolume-dump
// against xxd on the same file, both writing to /dev/null; octolume-dump -r on its dump
// against xxd -r on xxd's dump; and octolume-dump -s 60M -l 1M on the file against the
// whole dump of a 1 MiB file; --color=always into a pipe against hexyl's colours and
// against the plain dump; -a of a sparse terabyte. The contenders take turns; the best run
// counts, the median and the worst show the noise.

#include "bench_report.h"
#include "engine/core/dump_format.h"
#include "engine/core/dump_paths.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
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

using bench::kPlatform;
using bench::MegabytesPerSecond;

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
                "buffer; %d runs; the core chose %s\n  %-26s %12s %12s %12s\n",
                kPlatform, bytes.size() >> 20, kDumpByteLimit >> 10, runs,
                std::string(dump_paths::PathName(dump_paths::ChosenPath())).c_str(),
                "text per second", "best", "median", "worst");
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
                    MegabytesPerSecond(core), MegabytesPerSecond(copy), core / copy, ">= 0.90");
}

#ifndef _WIN32
// Seconds the command takes with its standard output into `output`; negative when it
// fails.
double ProgramSeconds(std::vector<std::string> command, const char* output = "/dev/null") {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> argv;
    for (std::string& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const double start = bench::Now();
    pid_t child = 0;
    int status = 0;
    const bool ran = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                     ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                     WEXITSTATUS(status) == 0;
    const double seconds = bench::Now() - start;
    posix_spawn_file_actions_destroy(&actions);
    return ran ? seconds : -1;
}

// Input bytes a second of the program dumping the file to /dev/null; negative when it fails.
double ProgramSpeed(std::string program, std::string path, std::size_t size) {
    const double seconds = ProgramSeconds({program, path});
    return seconds > 0 ? size / seconds : -1;
}

std::string Milliseconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
    return text;
}

// Two programs side by side: each one's best and median run, then the row of the best runs.
// Speeds are best at their most, times at their least.
void PrintSideBySide(const std::string& heading, const char* ourName, const bench::Samples& ours,
                     const char* theirName, const bench::Samples& theirs, bool speeds,
                     const std::string& figure, const char* target) {
    const auto format = speeds ? MegabytesPerSecond : Milliseconds;
    const auto best = [&](const bench::Samples& samples) {
        return speeds ? samples.Most() : samples.Least();
    };
    std::printf("%s:\n", heading.c_str());
    for (const auto& [name, samples] : {std::pair(ourName, &ours), std::pair(theirName, &theirs)})
        std::printf("  %-17s best %s, median %s\n", name, format(best(*samples)).c_str(),
                    format(samples->Median()).c_str());
    bench::PrintRow(figure, format(best(ours)), format(best(theirs)), best(ours) / best(theirs),
                    target);
}

// octolume-dump -r on its own dump of the file against xxd -r on xxd's dump of it: bytes
// written a second.
void RevertAgainstXxd(const std::string& path, std::size_t size, int runs,
                      const std::string& tool) {
    const std::string ours = path + ".octolume", theirs = path + ".xxd";
    bench::Samples ourSpeeds, theirSpeeds;
    if (ProgramSeconds({tool, path}, ours.c_str()) > 0 &&
        ProgramSeconds({"xxd", path}, theirs.c_str()) > 0)
        for (int run = 0; run < runs; ++run) {
            if (const double seconds = ProgramSeconds({tool, "-r", ours}); seconds > 0)
                ourSpeeds.Add(size / seconds);
            // xxd -r takes seconds a run: fewer of its runs.
            if (const double seconds = run < 3 ? ProgramSeconds({"xxd", "-r", theirs}) : -1;
                seconds > 0)
                theirSpeeds.Add(size / seconds);
        }
    ::unlink(ours.c_str());
    ::unlink(theirs.c_str());
    if (ourSpeeds.values.empty() || theirSpeeds.values.empty()) {
        std::fputs("octolume-dump -r or xxd -r failed to run\n", stderr);
        return;
    }
    const std::string mib = std::to_string(size >> 20);
    PrintSideBySide("Back to bytes, the dump of " + mib +
                        " MiB to /dev/null, bytes written per second",
                    "octolume-dump -r", ourSpeeds, "xxd -r", theirSpeeds, true,
                    "octolume-dump -r vs xxd -r, dump of " + mib + " MiB random", ">= 10");
}

// A 1 MiB range from near the end of the file against the whole dump of a 1 MiB file:
// the same text, so what differs is how the tool gets to the range.
void RangeAgainstWholeDump(const std::vector<unsigned char>& bytes, const std::string& path,
                           int runs, const std::string& tool) {
    constexpr std::size_t kRange = std::size_t{1} << 20;
    const std::string small = path + ".1M";
    const int file = ::open(small.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written = file >= 0 && ::write(file, bytes.data() + (60 << 20), kRange) ==
                                          static_cast<ssize_t>(kRange);
    ::close(file);
    bench::Samples range, whole;
    for (int run = 0; written && run < runs; ++run) {
        if (const double seconds = ProgramSeconds({tool, "-s", "60M", "-l", "1M", path});
            seconds > 0)
            range.Add(seconds);
        if (const double seconds = ProgramSeconds({tool, small}); seconds > 0)
            whole.Add(seconds);
    }
    ::unlink(small.c_str());
    if (range.values.empty() || whole.values.empty()) {
        std::fputs("octolume-dump -s -l failed to run\n", stderr);
        return;
    }
    const std::string mib = std::to_string(bytes.size() >> 20);
    PrintSideBySide("A range, 1 MiB at 60 MiB of a " + mib +
                        " MiB file, against the whole dump of 1 MiB",
                    "-s 60M -l 1M", range, "1 MiB file", whole, false,
                    "octolume-dump -s 60M -l 1M of " + mib + " MiB vs dump of 1 MiB", "<= 1.5");
}

// Seconds the command takes with its standard output into a pipe that this process
// drains; negative when it fails.
double SecondsIntoAPipe(std::vector<std::string> command) {
    int ends[2];
    if (::pipe(ends) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    std::vector<char*> argv;
    for (std::string& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const double start = bench::Now();
    pid_t child = 0;
    const bool started =
        posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    ::close(ends[1]);
    static std::vector<char> drained(1 << 20);
    while (started && ::read(ends[0], drained.data(), drained.size()) > 0) {
    }
    int status = 0;
    const bool ran = started && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                     WEXITSTATUS(status) == 0;
    const double seconds = bench::Now() - start;
    ::close(ends[0]);
    posix_spawn_file_actions_destroy(&actions);
    return ran ? seconds : -1;
}

// --color=always into a pipe against hexyl's coloured dump and against our own plain one:
// input bytes a second.
void ColorAgainstHexylAndPlain(const std::string& path, std::size_t size, int runs,
                               const std::string& tool) {
    bench::Samples colored, plain, hexyl;
    // Twice the runs of ours, which are short: on a shared machine the best run needs them.
    for (int run = 0; run < 2 * runs; ++run) {
        if (const double seconds = SecondsIntoAPipe({tool, "--color=always", path}); seconds > 0)
            colored.Add(size / seconds);
        if (const double seconds = SecondsIntoAPipe({tool, path}); seconds > 0)
            plain.Add(size / seconds);
        // hexyl takes seconds a run: two of them.
        if (const double seconds =
                run < 2 ? SecondsIntoAPipe({"hexyl", "--color=always", path}) : -1;
            seconds > 0)
            hexyl.Add(size / seconds);
    }
    if (colored.values.empty() || plain.values.empty()) {
        std::fputs("octolume-dump --color=always failed to run\n", stderr);
        return;
    }
    const std::string mib = std::to_string(size >> 20);
    if (hexyl.values.empty())
        std::fputs("hexyl failed to run (apt-get install hexyl)\n", stderr);
    else
        PrintSideBySide("In colour, " + mib + " MiB file into a pipe, input bytes per second",
                        "--color=always", colored, "hexyl", hexyl, true,
                        "octolume-dump --color=always vs hexyl, " + mib + " MiB to a pipe",
                        ">= 10");
    // Time against time: the coloured dump at most three times the plain one's.
    std::printf("  %-17s best %s, median %s\n", "plain", MegabytesPerSecond(plain.Most()).c_str(),
                MegabytesPerSecond(plain.Median()).c_str());
    bench::PrintRow("octolume-dump --color=always time vs plain, " + mib + " MiB to a pipe",
                    Milliseconds(size / colored.Most()), Milliseconds(size / plain.Most()),
                    plain.Most() / colored.Most(), "<= 3");
}

// Whether two commands write the same bytes.
bool SameOutput(std::vector<std::string> first, std::vector<std::string> second,
                const std::string& scratch) {
    const std::string a = scratch + ".a", b = scratch + ".b";
    const bool ran = ProgramSeconds(std::move(first), a.c_str()) > 0 &&
                     ProgramSeconds(std::move(second), b.c_str()) > 0;
    std::ifstream one(a, std::ios::binary), other(b, std::ios::binary);
    const bool same = ran && std::equal(std::istreambuf_iterator<char>(one), {},
                                        std::istreambuf_iterator<char>(other), {});
    ::unlink(a.c_str());
    ::unlink(b.c_str());
    return same;
}

// -a of a sparse terabyte with 1 MiB of random bytes at its end, whose holes are not read:
// seconds against one. The same of a sparse gibibyte, which can be read, against its
// squeezed dump through a pipe, which has no holes.
void SqueezeOfASparseFile(const std::vector<unsigned char>& bytes, int runs,
                          const std::string& tool) {
    constexpr std::size_t kData = std::size_t{1} << 20;
    const auto make = [&](const std::string& path, std::uint64_t size) {
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool made = file >= 0 && ::ftruncate(file, static_cast<off_t>(size)) == 0 &&
                          ::pwrite(file, bytes.data(), kData, static_cast<off_t>(size - kData)) ==
                              static_cast<ssize_t>(kData);
        ::close(file);
        return made;
    };
    const std::string terabyte = "/tmp/octolume-squeeze-benchmark-1T-" + std::to_string(::getpid());
    const std::string gibibyte = "/tmp/octolume-squeeze-benchmark-1G-" + std::to_string(::getpid());
    bench::Samples seconds;
    if (make(terabyte, std::uint64_t{1} << 40))
        for (int run = 0; run < runs; ++run)
            if (const double took = ProgramSeconds({tool, "-a", terabyte}); took > 0)
                seconds.Add(took);
    const bool same = make(gibibyte, std::uint64_t{1} << 30) &&
                      SameOutput({tool, "-a", gibibyte},
                                 {"sh", "-c", "cat \"$0\" | \"$1\" -a", gibibyte, tool}, gibibyte);
    ::unlink(terabyte.c_str());
    ::unlink(gibibyte.c_str());
    if (seconds.values.empty()) {
        std::fputs("octolume-dump -a of a sparse file failed to run\n", stderr);
        return;
    }
    std::printf("Squeezed, a sparse 1 TiB file with 1 MiB of random bytes at its end:\n"
                "  best %s, median %s; of a 1 GiB one the same as its bytes read: %s\n",
                Milliseconds(seconds.Least()).c_str(), Milliseconds(seconds.Median()).c_str(),
                same ? "yes" : "NO");
    bench::PrintRow("octolume-dump -a of 1 TiB sparse, 1 MiB data at the end, vs 1 s",
                    Milliseconds(seconds.Least()), "1000.0 ms", seconds.Least(), "<= 1");
    bench::PrintRow("-a of 1 GiB sparse equal to -a of its bytes through a pipe (1 = yes)",
                    same ? "equal" : "different", "equal", same ? 1 : 0, ">= 1");
}

void ProgramAgainstXxd(const std::string& path, std::size_t size, int runs,
                       const std::string& tool) {
    bench::Samples ours, theirs;
    ProgramSpeed(tool, path, size); // both read the file from the page cache from here on
    // xxd takes a second or more a run: fewer of its runs.
    for (int run = 0; run < runs; ++run) {
        if (const double speed = ProgramSpeed(tool, path, size); speed > 0)
            ours.Add(speed);
        if (const double speed = run < 3 ? ProgramSpeed("xxd", path, size) : -1; speed > 0)
            theirs.Add(speed);
    }
    if (ours.values.empty() || theirs.values.empty()) {
        std::fputs("octolume-dump or xxd failed to run\n", stderr);
        return;
    }
    const std::string mib = std::to_string(size >> 20);
    PrintSideBySide("Whole program, " + mib + " MiB file to /dev/null, input bytes per second",
                    "octolume-dump", ours, "xxd", theirs, true,
                    "octolume-dump vs xxd, " + mib + " MiB file to /dev/null", ">= 20");
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
    if (!tool.empty()) {
        char path[] = "/tmp/octolume-dump-benchmark-XXXXXX";
        const int file = ::mkstemp(path);
        const bool written = file >= 0 && ::write(file, bytes.data(), bytes.size()) ==
                                              static_cast<ssize_t>(bytes.size());
        ::close(file);
        if (written) {
            ProgramAgainstXxd(path, bytes.size(), runs, tool);
            RevertAgainstXxd(path, bytes.size(), runs, tool);
            RangeAgainstWholeDump(bytes, path, runs * 4, tool);
            ColorAgainstHexylAndPlain(path, bytes.size(), runs, tool);
            SqueezeOfASparseFile(bytes, runs, tool);
        }
        ::unlink(path);
    }
#endif
    return 0;
}
