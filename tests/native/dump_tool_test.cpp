// octolume-dump: the revert's reading of dump text in process, and the real program
// started by the shell as a user starts it: files, pipes, a FIFO, standard input,
// ranges, reverts into standard output and into files, closed and full outputs.

#include "engine/cli/dump_revert.h"
#include "engine/core/dump_format.h"
#include "colored_text.h"
#include "expected_dumps.h"
#include "reference_dump.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace octolume::test {
namespace {

using namespace dump_tool;
using Bytes = std::vector<unsigned char>;

// Text handed out in pieces that end anywhere within a line, or between a CR and its LF.
class TextSource final : public Source {
public:
    explicit TextSource(std::string text, std::size_t piece = 1000)
        : text_(std::move(text)), piece_(piece) {}
    bool Read(unsigned char* into, std::size_t size, std::size_t& read, std::string&) override {
        read = std::min({size, text_.size() - at_, piece_});
        std::memcpy(into, text_.data() + at_, read);
        at_ += read;
        return true;
    }

private:
    std::string text_;
    std::size_t piece_;
    std::size_t at_ = 0;
};

// What a revert wrote into standard output, "line N: problem" or "not a dump".
std::string Reverted(const std::string& dump, std::size_t piece = 1000) {
    TextSource source(dump, piece);
    TextSink sink;
    StreamTarget target(sink);
    const RevertResult result = RevertDump(source, target);
    return result.outcome == RevertOutcome::kDone ? sink.text
           : result.outcome == RevertOutcome::kNotADump
               ? "not a dump"
               : "line " + std::to_string(result.lineNumber) + ": " + result.error;
}

std::string AsText(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

// CR LF, LF alone or CR alone, read in pieces of every length up to 97.
TEST(Revert, RoundTripOfEverySizeWithEachLineEnd) {
    for (std::size_t size = 0; size <= 4096; ++size) {
        const Bytes bytes = RandomBytes(size, static_cast<unsigned>(size));
        std::string dump(DumpHeader());
        dump.resize(dump.size() + DumpLinesSize(size, 0));
        FormatDumpLines(bytes, 0, dump.data() + DumpHeader().size());
        if (size % 3)
            std::erase(dump, size % 3 == 1 ? '\r' : '\n');
        ASSERT_TRUE(Reverted(dump, 1 + size % 97) == AsText(bytes)) << size << " bytes";
    }
}

// Where each piece went, for a target that can go anywhere.
class PieceTarget final : public ByteTarget {
public:
    bool CanGoBack() const override { return true; }
    bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                 WriteFailure&) override {
        std::ostringstream piece;
        piece << std::hex << offset << ":" << std::string(from, from + size) << ";";
        pieces += piece.str();
        return true;
    }
    std::string pieces;
};

TEST(Revert, OffsetsAcross4GiBComeBackWhole) {
    // Lines from just below 4 GiB to past it, where offsets grow a ninth digit, and at
    // the top of the 64-bit range.
    for (const std::uint64_t start :
         {0xFFFFFFC0ull, 0xFFFFFFF5ull, 0x1FFFFFFF0ull, 0xFFFFFFFFFFFFFF00ull}) {
        const Bytes bytes = RandomBytes(100, 3);
        TextSource source(std::string(DumpHeader()) + ReferenceLines(bytes.data(), 100, start));
        PieceTarget target;
        ASSERT_EQ(RevertDump(source, target).outcome, RevertOutcome::kDone);
        std::ostringstream expected;
        expected << std::hex << start << ":" << AsText(bytes) << ";";
        EXPECT_TRUE(target.pieces == expected.str()) << std::hex << start;
    }
    // Lines in any order reach a file at their own offsets.
    TextSource source("100000000  41\n0FFFFFFFF  42 43\n");
    PieceTarget target;
    ASSERT_EQ(RevertDump(source, target).outcome, RevertOutcome::kDone);
    EXPECT_EQ(target.pieces, "100000000:A;ffffffff:BC;");
}

TEST(Revert, HandEditedLinesAndWhatIsLeftAside) {
    const std::string header(DumpHeader());
    const std::pair<std::string, std::string> cases[] = {
        // The hex digits count, not the characters beside them.
        {header + "00000000  48 69 22                                          |Hi!|\r\n", "Hi\""},
        {"00000000  4a 4B\n", "JK"},
        {"00000000  41 42\n00000002  43\n", "ABC"},                     // short lines
        {"00000003  41\n00000005  42\n", std::string("\0\0\0A\0B", 6)}, // gaps
        {"00000000 41\t42 | a bar: ignored 43\n\n   \nOffset\r\n"
         "--- Dump truncated: showing the first 2 of 9 bytes ---\r\n",
         "AB"},
        {"00000000\n", ""}, // an offset with no bytes
        // Line ends mixed as a careless editor leaves them.
        {"Offset\r\n00000000  41\r\r\n00000001  42\n\r00000002  43\r", "ABC"},
        {"00000000  48 69 21 0A  |Hi!.|\r00000010  41 42\r",
         "Hi!\n" + std::string(12, '\0') + "AB"},
        // What no dump is: not even a header.
        {"", "not a dump"},
        {" \r\n\t\n\r", "not a dump"},
        // Malformed lines, by their number.
        {header + "0000000G  41\n", "line 2: no hexadecimal offset at the start"},
        {"00000000  41\r\r0000000G  41\r", "line 3: no hexadecimal offset at the start"},
        {"00000000  41 4\n", "line 1: a byte is not two hexadecimal digits"},
        {"00000000  41 424\n", "line 1: a byte is not two hexadecimal digits"},
        {"  00000000  41\n", "line 1: no hexadecimal offset at the start"},
        {"00000000  00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10\n",
         "line 1: more than 16 bytes"},
        {"10000000000000000  41\n", "line 1: the offset has more than 16 digits"},
        {"FFFFFFFFFFFFFFFF  41 42\n", "line 1: the bytes go past the largest offset"},
        {"00000010  41\n00000000  42\n",
         "line 2: the offset goes back: standard output only goes on"},
        {"00000000  41\n" + std::string(kReadSize, ' ') + "\n",
         "line 2: longer than any dump line"},
    };
    for (const auto& [dump, expected] : cases)
        EXPECT_EQ(Reverted(dump), expected) << dump;
    // A CR LF split between two reads is one line end.
    EXPECT_EQ(Reverted("00000000  41\r\n0000000G\r\n", 1),
              "line 2: no hexadecimal offset at the start");
}

// Every write of both platforms goes through this loop: parts of any size are taken in
// order, and a part that takes nothing without an error ends it instead of looping.
TEST(WriteAll, TakesPartsInOrderAndRefusesAWriteOfNothing) {
    const std::string text = "0123456789";
    std::string taken;
    WriteFailure failure;
    const auto take = [&](std::size_t most) {
        return [&, most](const char* from, std::size_t size, std::size_t& written) {
            written = std::min(size, most);
            taken.append(from, written);
            return true;
        };
    };
    EXPECT_TRUE(WriteAll(text.data(), text.size(), failure, take(3)));
    EXPECT_EQ(taken, text);
    taken.clear();
    int calls = 0;
    EXPECT_FALSE(WriteAll(text.data(), text.size(), failure,
                          [&](const char* from, std::size_t size, std::size_t& written) {
                              written = ++calls == 1 ? 4 : 0;
                              taken.append(from, std::min(size, written));
                              return true;
                          }));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(taken, "0123");
    EXPECT_EQ(failure.error, kWroteNothing);
}

#ifdef OCTOLUME_DUMP_PROGRAM
class DumpTool : public testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(folder_); }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Writes a file of random bytes; returns the bytes.
    Bytes WriteBytes(const std::string& name, std::size_t count) {
        const Bytes bytes = RandomBytes(count, 9);
        std::ofstream(folder_ + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), count);
        return bytes;
    }
    // The same; returns its dump in the engine's layout, whole.
    std::string Write(const std::string& name, std::size_t count) {
        return kEmptyDump + Lines(WriteBytes(name, count));
    }
    static std::string Lines(const Bytes& bytes, std::size_t from = 0,
                             std::size_t count = SIZE_MAX) {
        return ReferenceLines(bytes.data() + from, std::min(count, bytes.size() - from), from);
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

TEST_F(DumpTool, RangesFromTheStartTheEndOrAPipeKeepTheFilesOffsets) {
    const Bytes bytes = WriteBytes("data", 1000);
    const Bytes yes = {'\n', 'y', '\n'};
    const std::string ok = "0: " + kEmptyDump, past = "2: octolume-dump: offset ";
    const std::pair<std::string, std::string> cases[] = {
        {"$T -s 0 data", ok + Lines(bytes)},
        {"$T -s 5 -l 0x20 data", ok + Lines(bytes, 5, 32)},
        {"$T --skip=0x3E0 --length=1K data", ok + Lines(bytes, 992)},
        {"$T -s-16 data", ok + Lines(bytes, 984)},
        {"$T -s -1000 -l 17 data", ok + Lines(bytes, 0, 17)},
        {"$T -s 1000 data", ok},
        {"$T -l 0 data", ok},
        {"cat data | $T -s 999", ok + Lines(bytes, 999)},
        {"cat data | $T -s 100 -l 50 -", ok + Lines(bytes, 100, 50)},
        // Nothing is read past the range: the writer never ends.
        {"yes | $T -s 1 -l 3", ok + ReferenceLines(yes.data(), 3, 1)},
        {"$T -s 1001 data", past + "1001 is past the end of 'data' (1000 bytes)\n"},
        {"$T -s 1M data", past + "1M is past the end of 'data' (1000 bytes)\n"},
        {"$T -s -1001 data", past + "-1001 is before the start of 'data' (1000 bytes)\n"},
        {"cat data | $T -s 1001", past + "1001 is past the end of standard input (1000 bytes)\n"},
        {"cat data | $T -s -1",
         "2: octolume-dump: a negative offset counts from the end of a regular file, which "
         "standard input is not\n"},
    };
    for (const auto& [command, expected] : cases)
        EXPECT_TRUE(Run(command) == expected) << command;
}

TEST_F(DumpTool, RevertGivesTheBytesBackAndChangesAFileAllOrNothing) {
    WriteBytes("large", 3'100'005);
    WriteBytes("data", 1000);
    // Lines from just below 4 GiB to past it.
    const Bytes high = RandomBytes(48, 4);
    std::ofstream(folder_ + "/high") << ReferenceLines(high.data(), high.size(), 0xFFFFFFF0);
    const unsigned char edited = 0x5A;
    const std::string same = "0: ";
    const std::pair<std::string, std::string> cases[] = {
        {"$T large | $T -r | cmp - large && $T /dev/null | $T -r | wc -c", same + "0\n"},
        {"$T data | tr -d \"\\n\" | $T -r -o new && cmp new data", same}, // CR alone
        // A part patches that part: the edited byte, nothing else.
        {"cp data copy && $T -s 30 -l 4 data | sed \"s/^0000001E  ../0000001E  5A/\" | "
         "$T -r --patch -o copy && cmp -l data copy | wc -l && $T -s 30 -l 1 copy | tail -1",
         same + "1\n" + ReferenceLines(&edited, 1, 30)},
        // Around 4 GiB, in a sparse file.
        {"$T -r -o sparse high && stat -c %s sparse && $T -s 0xFFFFFFF0 sparse | tail -n +2 | "
         "cmp - high",
         same + "4294967328\n"},
        // Gaps into standard output: a hole past a regular file's end, zeros over its bytes,
        // a clear failure beyond the largest file.
        {"printf \"00000000  41\\n10000000000  42\\n\" | $T -r >sparse && stat -c %s sparse && "
         "test $(stat -c %b sparse) -lt 64",
         same + "1099511627777\n"},
        {"printf XYZ >sparse && printf \"00000001  41\\n10000000000  42\\n\" | $T -r 1<>sparse && "
         "head -c 4 sparse | od -An -tx1 && stat -c %s sparse && printf \"00000001  43\\n\" | "
         "$T -r >>sparse && tail -c 3 sparse | od -An -tx1",
         same + " 00 41 00 00\n1099511627777\n 42 00 43\n"},
        {"printf \"00000000  41\\nFFFFFFFFFFFFFF00  42\\n\" | $T -r >sparse",
         "1: octolume-dump: cannot write the bytes: File too large\n"},
        // A file's permissions stay; through a link, the file it names changes.
        {"cp data kept && chmod 640 kept && ln -s kept link && $T data | $T -r -o link && "
         "stat -c %a kept && test -L link && cmp kept data",
         same + "640\n"},
        // Failures leave the output as it was, and nothing beside it.
        {"cp data copy && printf \"00000000  41\\n0000001X  42\\n\" | $T -r --patch -o copy; "
         "echo $?; cmp copy data && ls -A | tr \"\\n\" \" \"",
         "0: octolume-dump: line 2 of standard input: no hexadecimal offset at the start\n"
         "1\ncopy data high large "},
        {"printf \"00000000  41 42 4\" | $T -r -o absent; echo $?; ls -A | tr \"\\n\" \" \"",
         "0: octolume-dump: line 1 of standard input: a byte is not two hexadecimal digits\n"
         "1\ndata high large "},
        {"cp data copy && $T large >dump && (ulimit -f 16; $T -r -o copy dump); "
         "echo $?; cmp copy data && ls -A | tr \"\\n\" \" \"",
         "0: octolume-dump: cannot write 'copy': File too large\n1\ncopy data dump high large "},
        {"cp data copy && $T -r -o copy </dev/null; echo $?; cmp copy data",
         "0: octolume-dump: standard input is not a dump: it has no header and no line with an "
         "offset\n1\n"},
        {"$T data | $T -r --patch -o missing",
         "1: octolume-dump: cannot patch 'missing': No such file or directory\n"},
        {"$T data | $T -r -o /dev/null", "1: octolume-dump: cannot write '/dev/null': not a "
                                         "regular file\n"},
        {"{ ($T large | $T -r; echo $? >&3) | true; } 3>&1", same + "1\n"},
    };
    for (const auto& [command, expected] : cases) {
        EXPECT_EQ(Run(command), expected) << command;
        Run("rm -f copy new sparse kept link dump");
    }
}

// A rename needs only the folder's permission: what a plain write may not change, -o may not
// replace. Root may write a read-only file, so the refusals are tried as nobody there.
TEST_F(DumpTool, OutputRefusesWhatTheUserMayNotWriteAndKeepsTheOwner) {
    const bool root = ::geteuid() == 0;
    const std::string as = root ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    WriteBytes("data", 1000);
    ASSERT_EQ(Run("mkdir open && chmod 777 open && cp data open/ro && cp data open/theirs && "
                  "chmod 444 open/ro" +
                  std::string(root ? " && chown nobody open/ro" : "")),
              "0: ");
    std::vector<std::string> refused = {"ro"};
    if (root)
        refused.push_back("theirs");
    for (const std::string& name : refused)
        for (const std::string patch : {"", "--patch "})
            EXPECT_EQ(Run("$T -s 16 -l 1 data | sed s/^00000010/00000000/ | " + as + "$T -r " +
                          patch + "-o open/" + name + "; echo $?; cmp data open/" + name +
                          " && ls -A open | tr \"\\n\" \" \""),
                      "0: octolume-dump: cannot " + std::string(patch.empty() ? "write" : "patch") +
                          " 'open/" + name + "': Permission denied\n1\nro theirs ")
                << name << " " << patch;
    if (!root)
        GTEST_SKIP() << "not root: another user's file cannot be made";
    // Root replaces a file and gives it back to its owner, set-ID bit and all.
    EXPECT_EQ(Run("chown nobody:nogroup open/theirs && chmod 4750 open/theirs && $T data | $T -r "
                  "-o open/theirs && stat -c \"%U:%G %a\" open/theirs"),
              "0: nobody:nogroup 4750\n");
}

// A revert into a file that is ended by a signal takes its temporary file with it. In a
// background job of a shell SIGINT is ignored, and stays so: Ctrl+C reaches a job in front.
TEST_F(DumpTool, ASignalDuringARevertIntoAFileLeavesNothingBehind) {
    for (const std::string signal : {"TERM", "HUP"})
        EXPECT_EQ(Run("yes \"00000000  41 42\" | $T -r -o out & i=0; "
                      "until ls .octolume-dump-* >/dev/null 2>&1 || [ $i = 1000 ]; do "
                      "i=$((i+1)); sleep 0.05; done; kill -" +
                      signal + " $!; { wait $!; echo $?; } 2>/dev/null; ls -A"),
                  "0: " + std::to_string(128 + (signal == "TERM" ? SIGTERM : SIGHUP)) + "\n")
            << signal;
}

TEST_F(DumpTool, CommandLine) {
    EXPECT_EQ(
        Run("$T --help")
            .rfind("0: Usage: octolume-dump [-a] [--color[=WHEN]] [-s OFFSET] [-l N] [FILE]\n", 0),
        0u);
    EXPECT_EQ(Run("$T --version"), "0: octolume-dump 2.00 (Octolume32)\n");
    for (const auto& [command, message] : {
             std::pair<std::string, std::string>{"--frobnicate", "unknown option '--frobnicate'"},
             {"a b", "one file at a time"},
             {"-s", "option -s needs a value"},
             {"-s 0x", "malformed number '0x' for -s"},
             {"-l 5Q", "malformed number '5Q' for -l"},
             {"-l -5", "malformed number '-5' for -l"},
             {"-s 99999999999999999999", "malformed number '99999999999999999999' for -s"},
             {"-s 17179869184G", "malformed number '17179869184G' for -s"},
             {"-r -s 5", "-s and -l choose what to dump, they do not go with -r"},
             {"-o out", "-o is the output of -r"},
             {"-r --patch", "--patch needs -o with the file to patch"},
             {"--color=sometimes", "--color takes auto, always or never, not 'sometimes'"},
             {"-a -r", "-a squeezes a dump, it does not go with -r"},
         })
        EXPECT_EQ(Run("$T " + command), "2: octolume-dump: " + message + " (try --help)\n");
}

// What the tool writes onto a terminal of its own (a pseudo-terminal that passes every
// byte as it is), run with `arguments` in the test's folder and NO_COLOR as given.
std::string OnATerminal(const std::string& folder, std::vector<std::string> arguments,
                        const char* noColor) {
    termios raw{};
    cfmakeraw(&raw);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, &raw, nullptr);
    if (child == 0) {
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        noColor ? ::setenv("NO_COLOR", noColor, 1) : ::unsetenv("NO_COLOR");
        std::vector<char*> argv{const_cast<char*>(OCTOLUME_DUMP_PROGRAM)};
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    std::string output;
    if (child < 0)
        return "forkpty failed";
    char buffer[4096];
    for (;;) {
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, 60'000) <= 0)
            break; // the bound: the status below then tells
        const ssize_t read = ::read(terminal, buffer, sizeof buffer);
        if (read <= 0)
            break; // EIO once the child has gone
        output.append(buffer, static_cast<std::size_t>(read));
    }
    ::close(terminal);
    int status = 0;
    ::kill(child, SIGKILL); // nothing, had it ended
    ::waitpid(child, &status, 0);
    return output;
}

TEST_F(DumpTool, ColourWhenAskedOrOnATerminalWithoutNoColor) {
    const std::string plain = Write("data", 300);
    for (const std::string command :
         {"$T data", "$T --color=never data", "$T --colour=auto data | cat", "$T data | cat",
          "NO_COLOR=1 $T --color=never data"})
        EXPECT_TRUE(Run(command) == "0: " + plain) << command;
    for (const std::string command :
         {"$T --color data | cat", "NO_COLOR=1 $T --color=always data >out && cat out"}) {
        const std::string colored = Run(command);
        EXPECT_NE(colored.find("\x1b[36m"), std::string::npos) << command;
        EXPECT_TRUE(WithoutCodes(colored) == "0: " + plain) << command;
    }
    // On a terminal: colour by default, unless NO_COLOR says something or never is chosen.
    const std::pair<std::vector<std::string>, const char*> colored[] = {
        {{"data"}, nullptr}, {{"--color=auto", "data"}, ""}, {{"--color=always", "data"}, "1"}};
    for (const auto& [arguments, noColor] : colored) {
        const std::string shown = OnATerminal(folder_, arguments, noColor);
        EXPECT_NE(shown.find("\x1b[2m00000000\x1b[0m"), std::string::npos) << arguments[0];
        EXPECT_TRUE(WithoutCodes(shown) == plain) << arguments[0];
    }
    EXPECT_TRUE(OnATerminal(folder_, {"data"}, "1") == plain);
    EXPECT_TRUE(OnATerminal(folder_, {"--color=never", "data"}, nullptr) == plain);
}

TEST_F(DumpTool, SqueezedRangesPipesAndASparseFileWhoseHolesAreNotRead) {
    const Bytes zeros(100, 0);
    std::ofstream(folder_ + "/zeros", std::ios::binary)
        .write(reinterpret_cast<const char*>(zeros.data()), 100);
    const std::string line4 = ReferenceLines(zeros.data(), 16, 4), star = "*\r\n";
    const std::string ok = "0: " + kEmptyDump;
    const std::pair<std::string, std::string> cases[] = {
        {"$T -a -s 4 -l 64 zeros", ok + line4 + star + ReferenceLines(zeros.data(), 16, 0x34)},
        {"cat zeros | $T --squeeze -s 4 -l 64",
         ok + line4 + star + ReferenceLines(zeros.data(), 16, 0x34)},
        {"$T -a -s -20 zeros", ok + ReferenceLines(zeros.data(), 20, 80)},
        {"$T -a -l 5 zeros", ok + ReferenceLines(zeros.data(), 5, 0)},
        {"$T -a -s 100 zeros", ok},
    };
    for (const auto& [command, expected] : cases)
        EXPECT_EQ(Run(command), expected) << command;

    // A terabyte of holes with bytes amid them and at the end: reading the holes would
    // outlast the run's bound by far.
    const unsigned char hello[16] = {'h', 'e', 'l', 'l', 'o'},
                        end[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'e', 'n', 'd'};
    const Bytes none(16, 0);
    const std::string sparse = ok + ReferenceLines(none.data(), 16, 0) + star +
                               ReferenceLines(hello, 16, 1ull << 39) +
                               ReferenceLines(none.data(), 16, (1ull << 39) + 16) + star +
                               ReferenceLines(end, 16, (1ull << 40) - 16);
    EXPECT_EQ(Run("truncate -s 1T big && printf hello | dd of=big bs=1 seek=549755813888 "
                  "conv=notrunc status=none && printf end | dd of=big bs=1 seek=1099511627773 "
                  "conv=notrunc status=none && $T -a big"),
              sparse);
    // From where standard input stands, which need not be the file's start.
    EXPECT_EQ(Run("{ dd bs=1 skip=549755813888 count=0 status=none; $T -a; } <big | tail -n +2 "
                  "| head -2 && { dd bs=1 skip=549755813888 count=0 status=none; $T -a; } <big "
                  "| tail -2"),
              "0: " + ReferenceLines(hello, 16, 0) + ReferenceLines(none.data(), 16, 16) + star +
                  ReferenceLines(end, 16, (1ull << 39) - 16));
    // Back to bytes, holes where they were.
    EXPECT_EQ(Run("$T -a big | $T -r >back && stat -c %s back && test $(stat -c %b back) -lt 1000 "
                  "&& $T -s 0x8000000000 -l 16 back | tail -1 && "
                  "$T -a back | tail -2"),
              "0: 1099511627776\n" + ReferenceLines(hello, 16, 1ull << 39) + star +
                  ReferenceLines(end, 16, (1ull << 40) - 16));
    // Runs of any bytes through the program and back.
    Bytes runs = RandomBytes(64, 5);
    const Bytes last(runs.end() - 16, runs.end());
    for (int i = 0; i < 5000; ++i)
        runs.insert(runs.end(), last.begin(), last.end());
    runs.push_back(1);
    std::ofstream(folder_ + "/runs", std::ios::binary)
        .write(reinterpret_cast<const char*>(runs.data()), runs.size());
    EXPECT_EQ(Run("$T -a runs | wc -l && $T -a runs | $T -r | cmp - runs"), "0: 7\n");
}

// Every option the help names, the manual page names, and the other way round; the
// manual page and the tool are installed.
TEST_F(DumpTool, ManualPageInStepWithTheHelpAndInstalled) {
    const auto options = [](std::string text) {
        text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
        std::set<std::string> names;
        const std::regex option(R"((^|[\s\[(])(--?[A-Za-z][A-Za-z-]*))");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
             it != std::sregex_iterator(); ++it)
            names.insert((*it)[2]);
        return names;
    };
    std::ifstream page(OCTOLUME_MANUAL_PAGE);
    const std::string manual{std::istreambuf_iterator<char>(page), {}};
    const std::string help = Run("$T --help");
    EXPECT_EQ(options(manual), options(help));
    EXPECT_EQ(options(help).size(), 17u);

    EXPECT_EQ(Run("cmake --install " OCTOLUME_BUILD_FOLDER " --prefix root >/dev/null && "
                  "root/bin/octolume-dump -V && test -f root/share/man/man1/octolume-dump.1"),
              "0: octolume-dump 2.00 (Octolume32)\n");
}
#endif

} // namespace
} // namespace octolume::test
