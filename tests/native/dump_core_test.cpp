// The dump text's rules: written-out dumps, the limit, every path against the printf
// reference (which widens offsets from 4 GiB on); natively also octolume-dump itself.

#include "engine/core/dump_paths.h"
#include "expected_dumps.h"
#include "reference_dump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#ifdef OCTOLUME_DUMP_PROGRAM
#include <sys/wait.h>
#endif

namespace octolume::test {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    return bytes;
}

std::string Reference(const Bytes& bytes, std::uint64_t offset = 0) {
    return ReferenceLines(bytes.data(), bytes.size(), offset);
}

TEST(FormatDump, WrittenOutDumpsAroundTheLineBoundaryAndEveryByteValue) {
    const std::pair<std::size_t, const std::string*> cases[] = {
        {0, &kEmptyDump},      {1, &kPattern1Dump},   {15, &kPattern15Dump},
        {16, &kPattern16Dump}, {17, &kPattern17Dump}, {33, &kPattern33Dump}};
    for (const auto& [count, dump] : cases)
        EXPECT_EQ(FormatDump(PatternBytes(count), count), *dump) << count << " bytes";
    EXPECT_EQ(FormatDump(AllByteValues(), 256), kAllByteValuesDump);
}

TEST(FormatDump, ANoteNamesTheBytesShownOfALongerFile) {
    const Bytes bytes = RandomBytes(100000, 5);
    const std::string full = kEmptyDump + Reference(bytes);
    const std::string note = "--- Dump truncated: showing the first ";
    EXPECT_TRUE(FormatDump(bytes, bytes.size()) == full);
    EXPECT_TRUE(FormatDump(bytes, 100001) == full + note + "100000 of 100001 bytes ---\r\n");
    EXPECT_TRUE(FormatDump(bytes, 5'000'000'000ull) ==
                full + note + "100000 of 5000000000 bytes ---\r\n");
    // The size the caller learned can exceed what it managed to read.
    EXPECT_EQ(FormatDump(PatternBytes(1), 40), kPattern1Dump + note + "1 of 40 bytes ---\r\n");
}

TEST(DumpPaths, EveryPathWritesTheReferenceForEveryLineCountTailAndOffset) {
    ASSERT_EQ(dump_paths::AvailablePaths().front(), dump_paths::Path::kPlain);
    // Past about 20 MB of text the vector paths store differently into a 16-byte aligned
    // buffer below 4 GiB.
    const Bytes longRun = RandomBytes((std::size_t{1} << 18) * 16 + 57, 7);
    const std::string longText = Reference(longRun);
    std::vector<char> buffer(longText.size() + 15);
    char* const aligned = buffer.data() + (-reinterpret_cast<std::uintptr_t>(buffer.data()) & 15);
    unsigned seed = 1;
    for (const auto path : dump_paths::AvailablePaths()) {
        const std::string_view name = dump_paths::PathName(path);
        for (const std::uint64_t offset :
             {0ull, 0x12345678ull, 0xFFFFFFC0ull, 0xFFFFFFF8ull, 0xABCDEF0123456780ull})
            for (const std::size_t count : {0, 1, 2, 3, 5, 8, 33})
                for (std::size_t tail = 0; tail < 16; ++tail) {
                    const Bytes bytes = RandomBytes(count * 16 + tail, ++seed);
                    std::string text(DumpLinesSize(bytes.size(), offset), '\0');
                    ASSERT_EQ(dump_paths::FormatDumpLinesWith(path, bytes, offset, text.data()),
                              text.data() + text.size());
                    ASSERT_EQ(text, Reference(bytes, offset))
                        << name << " at " << offset << ": " << count << " lines + " << tail;
                }
        dump_paths::FormatDumpLinesWith(path, longRun, 0, aligned);
        EXPECT_TRUE(std::string_view(aligned, longText.size()) == longText) << name;
    }
}

#ifdef OCTOLUME_DUMP_PROGRAM
// The real octolume-dump, started by the shell as a user starts it: files, pipes, a FIFO,
// standard input, closed and full outputs.
class DumpTool : public testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(folder_); }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Writes a file of random bytes; returns its dump in the engine's layout, whole.
    std::string Write(const std::string& name, std::size_t count) {
        const Bytes bytes = RandomBytes(count, 9);
        std::ofstream(folder_ + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), count);
        return kEmptyDump + Reference(bytes);
    }
    // Runs a shell command in the test's folder, $T the program: "status: output and errors".
    std::string Run(const std::string& command) {
        FILE* const shell =
            popen(("cd " + folder_ + " && T=" OCTOLUME_DUMP_PROGRAM " timeout 60 sh -c '" +
                   command + "' 2>&1")
                      .c_str(),
                  "r");
        std::string output;
        char buffer[65536];
        for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, shell)) > 0;)
            output.append(buffer, read);
        const int status = pclose(shell);
        return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ": " + output;
    }

    const std::string folder_ = "/tmp/octolume-dump-test-" + std::to_string(::getpid());
};

TEST_F(DumpTool, FilesPipesAndFifosOfAnySizeAreDumpedWholeInTheEnginesLayout) {
    const std::string small = Write("small", 1000), large = Write("large", 3'100'005);
    const std::string piped = Write("piped", 300'007), empty = Write("empty", 0);
    for (const auto& [command, dump] :
         {std::pair{"$T small", &small},
          {"$T empty", &empty},
          {"$T large", &large}, // beyond the engine's limit, in many pieces
          {"dd if=piped bs=1000 status=none | $T -", &piped},
          {"dd if=piped bs=1000 status=none | $T", &piped},
          {"mkfifo f && (timeout 60 dd if=piped of=f bs=999 status=none &) && $T f", &piped}})
        EXPECT_TRUE(Run(command) == "0: " + *dump) << command;
}

TEST_F(DumpTool, FailuresGiveOneLineAndStatusOne) {
    Write("data", 100'000); // its dump is larger than a pipe holds
    for (const auto& [command, message] :
         {std::pair<std::string, std::string>{"$T -- -V",
                                              "cannot open '-V': No such file or directory"},
          {"$T " + folder_, "'" + folder_ + "' is a folder"},
          {"$T - <. >/dev/null", "cannot read standard input: Is a directory"},
          {"$T data >/dev/full", "cannot write the dump: No space left on device"}})
        EXPECT_EQ(Run(command), "1: octolume-dump: " + message + "\n");
    // A reader that has gone (`octolume-dump FILE | head`): status 1, no message, no signal.
    EXPECT_EQ(Run("{ ($T data; echo $? >&3) | true; } 3>&1"), "0: 1\n");
}

TEST_F(DumpTool, CommandLine) {
    EXPECT_EQ(Run("$T --help").rfind("0: Usage: octolume-dump [FILE]\n", 0), 0u);
    EXPECT_EQ(Run("$T --version"), "0: octolume-dump 2.00 (Octolume32)\n");
    EXPECT_EQ(Run("$T --frobnicate"),
              "2: octolume-dump: unknown option '--frobnicate' (try --help)\n");
    EXPECT_EQ(Run("$T a b").substr(0, 3), "2: ");
}

#endif

} // namespace
} // namespace octolume::test
