// octolume-dump.exe under Wine, started directly with its output read through pipes: names
// outside the ANSI code page, a range found from the end, bytes written without text-mode
// translation, and a revert into a file that is all or nothing. The native tests cover
// the rest; each start here is slow under Wine, so each checks what only Windows does.

#include "child_process.h"
#include "expected_dumps.h"
#include "support/system_message.h"
#include "support/text.h"
#include "test_support.h"
#include "tests/native/reference_dump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace octolume::test {
namespace {

class DumpToolExe : public testing::Test {
protected:
    // "status: output|errors" of the tool run in the test's folder.
    std::string Run(const std::wstring& arguments) {
        const ChildResult run =
            RunChild(BuiltFile(L"octolume-dump.exe"), arguments, {.folder = folder_.Path()},
                     Scaled(std::chrono::seconds{60}));
        return std::to_string(run.status) + ": " + run.output + "|" + run.errors;
    }
    // The names in the test's folder.
    std::set<std::wstring> Listing() const {
        std::set<std::wstring> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
            names.insert(entry.path().filename().wstring());
        return names;
    }

    TempFolder folder_;
};

// Ω has no ANSI form at all, ā only a look-alike.
const std::wstring kName = L"\u03A9\u0101";

TEST_F(DumpToolExe, RangeCountedFromTheEndOfAFileNamedOutsideTheAnsiCodePageAndAMissingFile) {
    const std::vector<unsigned char> bytes = PatternBytes(100);
    folder_.Write(kName + L".bin", bytes);
    EXPECT_EQ(Run(L"-s -20 -l 16 \"" + kName + L".bin\""),
              "0: " + kEmptyDump + ReferenceLines(bytes.data() + 80, 16, 80) + "|");
    const std::string missing = Run(L"missing.bin");
    EXPECT_EQ(missing.rfind("1: |octolume-dump: cannot open 'missing.bin'", 0), 0u) << missing;
    EXPECT_EQ(missing.find('\n'), missing.size() - 1) << "one line, and nothing else";
}

TEST_F(DumpToolExe, RevertWritesTheBytesUntranslated) {
    folder_.Write(L"all.txt", kAllByteValuesDump);
    const std::vector<unsigned char> bytes = AllByteValues();
    EXPECT_EQ(Run(L"-r all.txt"), "0: " + std::string(bytes.begin(), bytes.end()) + "|");
}

TEST_F(DumpToolExe, RevertIntoAFileReplacesItOnlyWhenAllWentWell) {
    const std::wstring target = folder_.Write(kName + L".bin", PatternBytes(64));
    std::vector<unsigned char> patched = PatternBytes(64);
    patched[16] = 0x5A;
    folder_.Write(L"part.txt", std::string_view("00000010  5A\r\n"));
    EXPECT_EQ(Run(L"-r --patch -o \"" + kName + L".bin\" part.txt"), "0: |");
    EXPECT_EQ(ReadFileBytes(target), std::string(patched.begin(), patched.end()));

    folder_.Write(L"bad.txt", std::string_view("00000000  41\r\nxyz\r\n"));
    EXPECT_EQ(Run(L"-r -o \"" + kName + L".bin\" bad.txt"),
              "1: |octolume-dump: line 2 of 'bad.txt': no hexadecimal offset at the start\r\n");
    EXPECT_EQ(ReadFileBytes(target), std::string(patched.begin(), patched.end()));
    EXPECT_EQ(Listing(), (std::set<std::wstring>{kName + L".bin", L"bad.txt", L"part.txt"}))
        << "a temporary file was left";
}

// A read-only file is left alone, as Windows programs leave it, whoever runs the tool; a
// replacement keeps the attributes it had but that one.
TEST_F(DumpToolExe, RevertLeavesAReadOnlyFileAloneAndKeepsOtherAttributes) {
    const std::vector<unsigned char> bytes = PatternBytes(32);
    const std::wstring target = folder_.Write(L"kept.bin", bytes);
    folder_.Write(L"part.txt", std::string_view("00000010  5A\r\n"));
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    // The system's text, on one line, as the tool puts it after a colon.
    std::string denied = ToAnsi(GetDllErrorText(ERROR_ACCESS_DENIED));
    denied.erase(denied.find_last_not_of(" .\r\n") + 1);
    for (const std::wstring patch : {L"", L"--patch "}) {
        EXPECT_EQ(Run(L"-r " + patch + L"-o kept.bin part.txt"),
                  "1: |octolume-dump: cannot " + std::string(patch.empty() ? "write" : "patch") +
                      " 'kept.bin': " + denied + "\r\n");
        EXPECT_EQ(ReadFileBytes(target), std::string(bytes.begin(), bytes.end()));
        EXPECT_TRUE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
    }
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Run(L"-r -o kept.bin part.txt"), "0: |");
    EXPECT_EQ(ReadFileBytes(target), std::string(16, '\0') + "Z");
    EXPECT_EQ(GetFileAttributesW(target.c_str()) &
                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Listing(), (std::set<std::wstring>{L"kept.bin", L"part.txt"}))
        << "a temporary file was left";
}

// A name of a lone surrogate, which NTFS allows, reaches the system as it was typed: through
// UTF-8 and back it would become U+FFFD and name the other file.
TEST_F(DumpToolExe, ANameWithALoneSurrogateNamesItsOwnFile) {
    const std::wstring lone = L"x\xD800.bin", replaced = L"x\xFFFD.bin";
    const std::vector<unsigned char> other = PatternBytes(3), bytes = PatternBytes(20);
    folder_.Write(replaced, other);
    folder_.Write(L"part.txt", std::string_view("00000001  5A\r\n"));
    const std::wstring path = folder_.Path() + L"\\" + lone;
    // Where the file system cannot hold the name (Wine's cannot), the tool fails on it.
    bool held = false;
    {
        const FileHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD written = 0;
        held = file && WriteFile(file.get(), bytes.data(), 20, &written, nullptr) && written == 20;
    }
    const std::string dumped = Run(L"\"" + lone + L"\"");
    const std::string patched = Run(L"-r --patch -o \"" + lone + L"\" part.txt");
    EXPECT_EQ(ReadFileBytes(folder_.Path() + L"\\" + replaced),
              std::string(other.begin(), other.end()));
    if (!held) {
        EXPECT_EQ(dumped.rfind("1: |octolume-dump: cannot open 'x", 0), 0u) << dumped;
        EXPECT_EQ(patched.rfind("1: |octolume-dump: cannot patch 'x", 0), 0u) << patched;
        return;
    }
    EXPECT_EQ(dumped, "0: " + kEmptyDump + ReferenceLines(bytes.data(), 20, 0) + "|");
    EXPECT_EQ(patched, "0: |");
    const FileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    char start[2] = {};
    DWORD read = 0;
    ASSERT_TRUE(file && ReadFile(file.get(), start, 2, &read, nullptr) && read == 2);
    EXPECT_EQ(start[1], 'Z');
}

// The temporary file of -o lies beside the output, however deep its folder: as deep as a
// plain write can reach.
TEST_F(DumpToolExe, RevertIntoAFileDeeperThanMaxPath) {
    std::wstring relative;
    for (int level = 0; level < 6; ++level) {
        relative += std::wstring(50, static_cast<wchar_t>(L'a' + level)) + L"\\";
        ASSERT_TRUE(
            CreateDirectoryW((L"\\\\?\\" + folder_.Path() + L"\\" + relative).c_str(), nullptr));
    }
    const std::wstring target = relative + L"out.bin";
    ASSERT_GT(folder_.Path().size() + target.size(), std::size_t{MAX_PATH});
    folder_.Write(L"all.txt", kAllByteValuesDump);
    EXPECT_EQ(Run(L"-r -o " + target + L" all.txt"), "0: |");
    const std::vector<unsigned char> bytes = AllByteValues();
    EXPECT_EQ(ReadFileBytes(L"\\\\?\\" + folder_.Path() + L"\\" + target),
              std::string(bytes.begin(), bytes.end()));
    folder_.Write(L"part.txt", std::string_view("00000000  5A\r\n"));
    EXPECT_EQ(Run(L"-r --patch -o " + target + L" part.txt"), "0: |");
    EXPECT_EQ(ReadFileBytes(L"\\\\?\\" + folder_.Path() + L"\\" + target)[0], 'Z');
}

// Colour codes when asked for; none by default into a pipe, which is no console.
TEST_F(DumpToolExe, ColourAlwaysWritesTheCodesAndAutoIntoAPipeNone) {
    folder_.Write(L"data.bin", std::string_view("A\0", 2));
    const std::string plain =
        kEmptyDump + ReferenceLines(reinterpret_cast<const unsigned char*>("A"), 2, 0);
    EXPECT_EQ(Run(L"data.bin"), "0: " + plain + "|");
    EXPECT_EQ(Run(L"--color=auto data.bin"), "0: " + plain + "|");
    const std::string colored = Run(L"--colour=always -a data.bin");
    EXPECT_NE(colored.find("\x1b[2m00000000\x1b[0m  \x1b[36m41 \x1b[90m00\x1b[0m"),
              std::string::npos)
        << colored;
}

} // namespace
} // namespace octolume::test
