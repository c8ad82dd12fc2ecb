// The real octolume.dll, called as the viewer calls it.

#include "engine/engine_contract.h"
#include "expected_dumps.h"
#include "held_file.h"
#include "support/text.h"
#include "test_support.h"
#include "tests/native/reference_dump.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

const std::string kCannotDump = "no text, error " + std::to_string(engine::kCannotDumpCode);

class EngineDll : public testing::Test {
protected:
    static std::string Text(BSTR s) { return {reinterpret_cast<char*>(s), SysStringByteLen(s)}; }
    void SetUp() override { ASSERT_NE(doOctolume_, nullptr) << "no octolume.dll or DoOctolume"; }
    std::string Write(const wchar_t* name, const std::vector<unsigned char>& bytes) {
        return ToAnsi(folder_.Write(name, bytes));
    }
    // Calls the engine with `path` as its argument string, which it takes over: the text
    // (after the path when that came back replaced), or what came instead.
    std::string Call(BSTR path) {
        const BSTR original = path;
        SetLastError(ERROR_INVALID_FUNCTION); // a success must clear it
        const BSTR text = doOctolume_(&path);
        const std::string error = std::to_string(GetLastError());
        const std::string result = !text              ? "no text, error " + error
                                   : error != "0"     ? "error " + error
                                   : path != original ? "new path " + Text(path) + "\n" + Text(text)
                                                      : Text(text);
        SysFreeString(text);
        SysFreeString(path);
        return result;
    }
    std::string Dump(const std::string& path) {
        return Call(SysAllocStringByteLen(path.data(), path.size()));
    }

    static inline const auto doOctolume_ =
        reinterpret_cast<engine::EntryPoint>(reinterpret_cast<void*>(GetProcAddress(
            LoadLibraryW(BuiltFile(engine::kLibraryName).c_str()), engine::kEntryPointName)));
    TempFolder folder_;
};

TEST_F(EngineDll, RelativePathComesBackFullInANewStringAndTheOldOneIsFreed) {
    const std::string full = Write(L"relative.bin", AllByteValues());
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.Path().c_str()));
    AllocatorWatch watch;
    const BSTR relative = SysAllocStringByteLen("relative.bin", 12);
    // Strings reach the task allocator only without the string cache: CTest sets OANOCACHE.
    ASSERT_EQ(watch.Allocated().size(), 1u) << "run with OANOCACHE=1";
    EXPECT_EQ(Call(relative), "new path " + full + "\n" + kAllByteValuesDump);
    EXPECT_TRUE(watch.Freed(watch.Allocated().at(0)));
    EXPECT_EQ(watch.Outstanding(), 0) << "the text and the new path were all it left";
    SetCurrentDirectoryW(ProgramFolder().c_str());
}

TEST_F(EngineDll, TruncationNoteOnlyAboveTheLimit) {
    std::vector<unsigned char> bytes = PatternBytes(engine::kDumpByteLimit + 1);
    const std::string full = kEmptyDump + ReferenceLines(bytes.data(), engine::kDumpByteLimit, 0);
    EXPECT_TRUE(Dump(Write(L"above.bin", bytes)) ==
                full + "--- Dump truncated: showing the first 16777216 of 16777217 bytes ---\r\n");
    bytes.pop_back();
    EXPECT_TRUE(Dump(Write(L"at.bin", bytes)) == full);
}

TEST_F(EngineDll, WhatCannotBeOpenedOrReadOrIsEmptyCannotBeDumped) {
    for (const std::string& path : {ToAnsi(folder_.Path()) + "\\missing", ToAnsi(folder_.Path()),
                                    Write(L"empty", {}), std::string(), std::string("NUL"),
                                    // without the check the part before the NUL would open
                                    Write(L"x", PatternBytes(4)) + std::string(1, '\0') + "x"})
        EXPECT_EQ(Dump(path), kCannotDump) << path;
    EXPECT_EQ(Call(nullptr), kCannotDump);
    // Opens at once, but a read would wait for a writer: a Linux FIFO, under Wine. Removed
    // from Linux too: a folder removal from Windows would open it and wait.
    if (UnderWine()) {
        const std::wstring fifo = folder_.Path() + L"\\fifo", linuxFifo = LinuxPath(fifo);
        ASSERT_TRUE(
            RunLinuxCommand(L"mkfifo '" + linuxFifo + L"'", Scaled(std::chrono::seconds{20})));
        const ScopeExit removed([&] {
            EXPECT_TRUE(
                RunLinuxCommand(L"rm '" + linuxFifo + L"'", Scaled(std::chrono::seconds{20})));
        });
        EXPECT_EQ(Dump(ToAnsi(fifo)), kCannotDump);
    }
    const std::string held = Write(L"held.bin", PatternBytes(1));
    {
        HeldFile holder(folder_.Path() + L"\\held.bin"); // no sharing, by another process
        EXPECT_EQ(Dump(held), kCannotDump);
    }
    EXPECT_EQ(Dump(held), kPattern1Dump);

    SetLastError(ERROR_INVALID_FUNCTION);
    EXPECT_EQ(doOctolume_(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(EngineDll, FileOpenForWritingElsewhereIsDumped) {
    const std::string path = Write(L"log.txt", {});
    const FileHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    ASSERT_TRUE(writer);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(writer.get(), PatternBytes(17).data(), 17, &written, nullptr));
    EXPECT_EQ(Dump(path), kPattern17Dump);
}

} // namespace
} // namespace octolume::test
