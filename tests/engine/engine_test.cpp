// The real octolume.dll, loaded by path and called through its export as the viewer calls
// it, and octolume-dump.exe. The text's rules are the core's, tested natively.

#include "engine/engine_contract.h"
#include "expected_dumps.h"
#include "held_file.h"
#include "support/text.h"
#include "test_support.h"
#include "tests/native/reference_dump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace octolume::test {
namespace {

constexpr DWORD kStaleError = ERROR_INVALID_FUNCTION; // a success must clear it

std::string Text(BSTR text) {
    return std::string(reinterpret_cast<const char*>(text), SysStringByteLen(text));
}

class EngineDll : public testing::Test {
protected:
    void SetUp() override {
        static const auto entry =
            reinterpret_cast<engine::EntryPoint>(reinterpret_cast<void*>(GetProcAddress(
                LoadLibraryW(BuiltFile(engine::kLibraryName).c_str()), engine::kEntryPointName)));
        ASSERT_NE(doOctolume_ = entry, nullptr) << "octolume.dll or its DoOctolume is missing";
    }
    std::string Write(const wchar_t* name, const std::vector<unsigned char>& bytes) {
        return ToAnsi(folder_.Write(name, bytes));
    }
    // Calls the engine with `path` as its argument string, which it takes over.
    void Call(BSTR path) {
        const BSTR original = path;
        SetLastError(kStaleError);
        const BSTR text = doOctolume_(&path);
        lastError_ = GetLastError();
        gotText_ = text != nullptr;
        text_ = Text(text);
        samePath_ = path == original;
        SysFreeString(text);
        SysFreeString(path);
    }
    void ExpectDump(const std::string& path, const std::string& expected) {
        Call(SysAllocStringByteLen(path.data(), static_cast<UINT>(path.size())));
        EXPECT_TRUE(gotText_ && lastError_ == 0) << path << ": " << lastError_;
        EXPECT_TRUE(text_ == expected) << path;
        EXPECT_TRUE(samePath_) << "a full path is left as it is";
    }
    void ExpectCannotDump(BSTR path, const std::string& what) {
        Call(path);
        EXPECT_FALSE(gotText_) << what;
        EXPECT_EQ(lastError_, engine::kCannotDumpCode) << what;
    }
    void ExpectCannotDump(const std::string& path) {
        ExpectCannotDump(SysAllocStringByteLen(path.data(), static_cast<UINT>(path.size())), path);
    }

    engine::EntryPoint doOctolume_ = nullptr;
    TempFolder folder_;
    bool gotText_ = false, samePath_ = false;
    DWORD lastError_ = 0;
    std::string text_;
};

TEST_F(EngineDll, RelativePathComesBackFullInANewStringAndTheOldOneIsFreed) {
    const std::string full = Write(L"relative.bin", AllByteValues());
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.Path().c_str()));
    AllocatorWatch watch;
    BSTR path = SysAllocStringByteLen("relative.bin", 12);
    // Strings reach the task allocator only without the string cache: CTest sets OANOCACHE.
    ASSERT_EQ(watch.Allocated().size(), 1u) << "run with OANOCACHE=1";
    const BSTR text = doOctolume_(&path);
    EXPECT_TRUE(watch.Freed(watch.Allocated().at(0)));
    EXPECT_EQ(watch.Outstanding(), 2) << "the text and the new path, and nothing else";
    EXPECT_EQ(Text(path), full);
    EXPECT_EQ(Text(text), kAllByteValuesDump);
    SysFreeString(text);
    SysFreeString(path);
    EXPECT_EQ(watch.Outstanding(), 0);
    SetCurrentDirectoryW(ProgramFolder().c_str());
}

TEST_F(EngineDll, TruncationNoteOnlyAboveTheLimit) {
    std::vector<unsigned char> bytes = PatternBytes(kDumpByteLimit + 1);
    const std::string full = kEmptyDump + ReferenceLines(bytes.data(), kDumpByteLimit, 0);
    ExpectDump(Write(L"above.bin", bytes),
               full + "--- Dump truncated: showing the first 2097152 of 2097153 bytes ---\r\n");
    bytes.pop_back();
    ExpectDump(Write(L"at.bin", bytes), full);
}

TEST_F(EngineDll, WhatCannotBeOpenedOrReadOrIsEmptyCannotBeDumped) {
    for (const std::string& path : {ToAnsi(folder_.Path()) + "\\missing", ToAnsi(folder_.Path()),
                                    Write(L"empty", {}), std::string(), std::string("NUL"),
                                    // without the check the part before the NUL would open
                                    Write(L"x", PatternBytes(4)) + std::string(1, '\0') + "x"})
        ExpectCannotDump(path);
    ExpectCannotDump(nullptr, "a null string");
    // Opens at once, but a read would wait for a writer. CTest makes it with mkfifo.
    if (const char* fifo = std::getenv("OCTOLUME_TEST_FIFO"))
        ExpectCannotDump(fifo);
    const std::string held = Write(L"held.bin", PatternBytes(1));
    {
        HeldFile holder(folder_.Path() + L"\\held.bin"); // no sharing, by another process
        ExpectCannotDump(held);
    }
    ExpectDump(held, kPattern1Dump);

    SetLastError(kStaleError);
    EXPECT_EQ(doOctolume_(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(EngineDll, FileOpenForWritingElsewhereIsDumped) {
    const std::string path = Write(L"log.txt", {});
    const UniqueHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(writer.get(), PatternBytes(17).data(), 17, &written, nullptr));
    ExpectDump(path, kPattern17Dump);
}

// octolume-dump.exe, started by the command processor; the native tests cover the rest.
TEST(DumpToolExe, DumpsAFileInTheEnginesLayoutAndReportsAMissingOne) {
    TempFolder folder;
    const std::wstring file = folder.Write(L"pattern.bin", PatternBytes(33));
    const std::wstring out = folder.Path() + L"\\out", error = folder.Path() + L"\\error";
    const auto run = [&](const std::wstring& name) {
        return _wsystem((L"\"\"" + BuiltFile(L"octolume-dump.exe") + L"\" \"" + name + L"\" >\"" +
                         out + L"\" 2>\"" + error + L"\"\"")
                            .c_str());
    };
    const auto read = [](const std::wstring& name) {
        std::ostringstream text;
        text << std::ifstream(std::filesystem::path(name), std::ios::binary).rdbuf();
        return text.str();
    };
    EXPECT_EQ(run(file), 0);
    EXPECT_EQ(read(out), kPattern33Dump);
    EXPECT_EQ(read(error), "");
    EXPECT_EQ(run(file + L".missing"), 1);
    EXPECT_EQ(read(out), "");
    EXPECT_EQ(read(error).rfind("octolume-dump: cannot open '", 0), 0u) << read(error);
    EXPECT_EQ(read(error).find('\n'), read(error).size() - 1) << "one line";
}

} // namespace
} // namespace octolume::test
