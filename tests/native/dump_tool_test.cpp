// The real octolume-dump, started by the shell as a user starts it: files, pipes, a FIFO,
// standard input, closed and full outputs.

#include "expected_dumps.h"
#include "reference_dump.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace octolume::test {
namespace {

namespace fs = std::filesystem;

class DumpTool : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override { fs::remove_all(folder_); }

    // Writes a file of random bytes; returns its dump in the engine's layout, whole.
    std::string Write(const std::string& name, std::size_t count) {
        std::mt19937 generator(static_cast<unsigned>(count));
        std::vector<unsigned char> bytes(count);
        for (unsigned char& byte : bytes)
            byte = static_cast<unsigned char>(generator());
        std::ofstream(folder_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), count);
        return kEmptyDump + ReferenceLines(bytes.data(), count, 0);
    }
    std::string Read(const std::string& name) {
        std::ostringstream text;
        text << std::ifstream(folder_ / name, std::ios::binary).rdbuf();
        return text.str();
    }
    // Runs a shell command in the test's folder, $T the program, its outputs in the files
    // out and error unless the command sends them elsewhere; answers its exit status.
    int Run(const std::string& command) {
        const int status =
            std::system(("cd '" + folder_.string() + "' && T=" + OCTOLUME_DUMP_PROGRAM +
                         " timeout 60 sh -c '" + command + "' >out 2>error")
                            .c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    const fs::path folder_ =
        fs::temp_directory_path() / ("octolume-dump-test-" + std::to_string(::getpid()));
};

TEST_F(DumpTool, FilesPipesAndFifosOfAnySizeAreDumpedWholeInTheEnginesLayout) {
    const std::string small = Write("small", 1000), large = Write("large", 3'100'005);
    const std::string piped = Write("piped", 300'007);
    Write("empty", 0);
    const std::pair<const char*, const std::string*> cases[] = {
        {"$T small", &small},
        {"$T empty", &kEmptyDump},
        {"$T large", &large}, // beyond the engine's limit, in many pieces
        {"dd if=piped bs=1000 status=none | $T -", &piped},
        {"dd if=piped bs=1000 status=none | $T", &piped},
        {"mkfifo f && (timeout 60 dd if=piped of=f bs=999 status=none &) && $T f", &piped}};
    for (const auto& [command, dump] : cases) {
        EXPECT_EQ(Run(command), 0) << command;
        EXPECT_TRUE(Read("out") == *dump) << command;
        EXPECT_EQ(Read("error"), "") << command;
    }
}

TEST_F(DumpTool, FailuresGiveOneLineAndStatusOne) {
    Write("data", 100'000); // its dump is larger than a pipe holds
    const std::string folder = folder_.string();
    const std::pair<std::string, std::string> cases[] = {
        {"$T -- -V", "cannot open '-V': No such file or directory"}, // a name after --
        {"$T " + folder, "'" + folder + "' is a folder"},
        {"$T - <.", "cannot read standard input: Is a directory"},
        {"$T data >/dev/full", "cannot write the dump: No space left on device"}};
    for (const auto& [command, message] : cases) {
        EXPECT_EQ(Run(command), 1) << command;
        EXPECT_EQ(Read("error"), "octolume-dump: " + message + "\n");
    }
    // A reader that has gone (`octolume-dump FILE | head`): status 1, no message, no signal.
    EXPECT_EQ(Run("($T data; echo $? >status) | true"), 0);
    EXPECT_EQ(Read("status"), "1\n");
    EXPECT_EQ(Read("error"), "");
}

TEST_F(DumpTool, CommandLine) {
    EXPECT_EQ(Run("$T --help"), 0);
    EXPECT_EQ(Read("out").rfind("Usage: octolume-dump [FILE]\n", 0), 0u);
    EXPECT_EQ(Run("$T --version"), 0);
    EXPECT_EQ(Read("out"), "octolume-dump 2.00 (Octolume32)\n");
    EXPECT_EQ(Run("$T --frobnicate"), 2);
    EXPECT_EQ(Read("error"), "octolume-dump: unknown option '--frobnicate' (try --help)\n");
    EXPECT_EQ(Run("$T a b"), 2);
}

} // namespace
} // namespace octolume::test
