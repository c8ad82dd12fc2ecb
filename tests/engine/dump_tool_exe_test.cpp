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

} // namespace
} // namespace octolume::test
