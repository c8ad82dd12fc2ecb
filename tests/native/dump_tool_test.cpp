// The real octolume-dump, started with its standard streams set up as a shell does:
// files, pipes, a FIFO, standard input, closed and full outputs. Every descriptor the
// test opens is close-on-exec, so a child holds only the ends it is given.

#include "engine/core/dump_format.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace octolume::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string out;
    std::string error;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<unsigned char> RandomBytes(std::size_t count) {
    std::mt19937 generator(static_cast<unsigned>(count));
    std::vector<unsigned char> bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    return bytes;
}

// What the dll's core makes of the same bytes, without its size limit.
std::string CoreDump(const std::vector<unsigned char>& bytes) {
    std::string text(DumpLinesSize(bytes.size(), 0), '\0');
    FormatDumpLines(bytes, 0, text.data());
    return std::string(DumpHeader()) + text;
}

class DumpTool : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("octolume-dump-test-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path Write(const std::string& name, const std::vector<unsigned char>& bytes) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Runs the program with the given arguments, standard input from `input` (none:
    // /dev/null) and standard output to `output` (none: a file the outcome reads back).
    Outcome Run(const std::vector<std::string>& arguments, int input = -1, int output = -1) {
        const fs::path outPath = folder_ / "stdout", errorPath = folder_ / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (input >= 0)
            posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (output >= 0)
            posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> words{OCTOLUME_DUMP_PROGRAM};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        Outcome outcome;
        pid_t child = 0;
        const int spawned =
            posix_spawn(&child, OCTOLUME_DUMP_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0);
        if (spawned != 0)
            return outcome;
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (output < 0)
            outcome.out = ReadAll(outPath);
        outcome.error = ReadAll(errorPath);
        return outcome;
    }

    fs::path folder_;
};

// Writes the bytes into a pipe in pieces that do not fall on line boundaries.
std::thread Feed(int pipeEnd, std::vector<unsigned char> bytes) {
    return std::thread([pipeEnd, bytes = std::move(bytes)] {
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t piece = std::min<std::size_t>(1000 + at % 77, bytes.size() - at);
            const ssize_t written = ::write(pipeEnd, bytes.data() + at, piece);
            if (written <= 0)
                break;
            at += static_cast<std::size_t>(written);
        }
        ::close(pipeEnd);
    });
}

TEST_F(DumpTool, FileDumpIsTheEnginesTextLineForLine) {
    const std::vector<unsigned char> bytes = RandomBytes(1000);
    const Outcome outcome = Run({Write("small.bin", bytes).string()});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, FormatDump(bytes, bytes.size()));
    EXPECT_EQ(outcome.error, "");
}

TEST_F(DumpTool, FileLargerThanTheEnginesLimitIsDumpedWhole) {
    const std::vector<unsigned char> bytes = RandomBytes(kDumpByteLimit + 1'000'005);
    const Outcome outcome = Run({Write("large.bin", bytes).string()});
    EXPECT_EQ(outcome.status, 0);
    ASSERT_EQ(outcome.out.size(), CoreDump(bytes).size());
    EXPECT_TRUE(outcome.out == CoreDump(bytes));
    EXPECT_EQ(outcome.out.find("truncated"), std::string::npos);
}

TEST_F(DumpTool, StandardInputPipesAndFifosGiveTheSameDump) {
    const std::vector<unsigned char> bytes = RandomBytes(300'007);
    const std::string expected = CoreDump(bytes);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-"}, std::vector<std::string>{}}) {
        int ends[2];
        ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        std::thread feeder = Feed(ends[1], bytes);
        const Outcome outcome = Run(arguments, ends[0]);
        ::close(ends[0]);
        feeder.join();
        EXPECT_EQ(outcome.status, 0);
        EXPECT_TRUE(outcome.out == expected) << "arguments: " << arguments.size();
    }

    const fs::path fifo = folder_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread feeder([&] {
        // Opening for writing waits for a reader: poll, bounded, in case none comes.
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const int end = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (end >= 0) {
                ::fcntl(end, F_SETFL, 0);
                Feed(end, bytes).join();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const Outcome outcome = Run({fifo.string()});
    feeder.join();
    EXPECT_EQ(outcome.status, 0);
    EXPECT_TRUE(outcome.out == expected);

    const fs::path empty = Write("empty.bin", {});
    EXPECT_EQ(Run({empty.string()}).out, DumpHeader());
}

TEST_F(DumpTool, FilesThatCannotBeReadGiveOneLineAndStatusOne) {
    const std::string missing = (folder_ / "missing.bin").string();
    Outcome outcome = Run({missing});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.error,
              "octolume-dump: cannot open '" + missing + "': No such file or directory\n");

    outcome = Run({folder_.string()});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.error, "octolume-dump: '" + folder_.string() + "' is a folder\n");

    // A folder given as standard input fails at the first read.
    const int folder = ::open(folder_.c_str(), O_RDONLY | O_CLOEXEC);
    outcome = Run({"-"}, folder);
    ::close(folder);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.error, "octolume-dump: cannot read standard input: Is a directory\n");
}

TEST_F(DumpTool, WriteErrorsEndTheDumpWithStatusOne) {
    const fs::path file = Write("data.bin", RandomBytes(100'000));
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    Outcome outcome = Run({file.string()}, -1, full);
    ::close(full);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.error, "octolume-dump: cannot write the dump: No space left on device\n");

    // A reader that has gone (`octolume-dump FILE | head` after head is done): a failed
    // status, but no message and no death by signal.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    ::close(ends[0]);
    outcome = Run({file.string()}, -1, ends[1]);
    ::close(ends[1]);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.error, "");
}

TEST_F(DumpTool, CommandLine) {
    Outcome outcome = Run({"--help"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.rfind("Usage: octolume-dump [FILE]\n", 0), 0u);
    EXPECT_EQ(Run({"-h"}).out, outcome.out);

    outcome = Run({"--version"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "octolume-dump 2.00 (Octolume32)\n");

    outcome = Run({"--frobnicate"});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.error, "octolume-dump: unknown option '--frobnicate' (try --help)\n");
    EXPECT_EQ(Run({"a", "b"}).status, 2);

    // After --, a name that looks like an option is a file.
    const std::vector<unsigned char> bytes = RandomBytes(20);
    Write("-V", bytes);
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    outcome = Run({"--", "-V"});
    fs::current_path(previous);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, FormatDump(bytes, bytes.size()));
}

} // namespace
} // namespace octolume::test
