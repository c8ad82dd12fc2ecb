// Tests of the real octolume.dll, loaded by path from beside the test program and called
// through its export, as the viewer calls it.

#include "engine/engine_contract.h"
#include "expected_dumps.h"
#include "held_file.h"
#include "support/text.h"
#include "test_support.h"

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace octolume::test {
namespace {

// Set before each call, so a success must clear it.
constexpr DWORD kStaleError = ERROR_INVALID_FUNCTION;

BSTR ByteBstr(const std::string& bytes) {
    return SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
}

std::string BstrBytes(BSTR text) {
    return text ? std::string(reinterpret_cast<const char*>(text), SysStringByteLen(text))
                : std::string();
}

struct DumpResult {
    bool gotText = false;
    std::string text;
    DWORD lastError = 0;
    std::string pathAfter;
};

class EngineDll : public testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = LoadLibraryW(BuiltFile(engine::kLibraryName).c_str());
        if (library_)
            doOctolume_ = reinterpret_cast<engine::EntryPoint>(
                reinterpret_cast<void*>(GetProcAddress(library_, engine::kEntryPointName)));
    }
    static void TearDownTestSuite() {
        if (library_)
            FreeLibrary(library_);
        library_ = nullptr;
        doOctolume_ = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(library_, nullptr) << "octolume.dll did not load";
        ASSERT_NE(doOctolume_, nullptr) << "octolume.dll exports no DoOctolume";
    }

    // Writes a file in the test's folder and returns its full path in ANSI.
    std::string WriteFile(const std::wstring& name, const std::vector<unsigned char>& bytes) {
        return ToAnsi(folder_.Write(name, bytes));
    }
    std::wstring FolderPath(const std::wstring& name) const {
        return folder_.Path() + L"\\" + name;
    }

    // Calls the engine with `path` as the argument string, which it takes over.
    static DumpResult CallWith(BSTR path) {
        DumpResult result;
        SetLastError(kStaleError);
        const BSTR text = doOctolume_(&path);
        result.lastError = GetLastError();
        result.gotText = text != nullptr;
        result.text = BstrBytes(text);
        result.pathAfter = BstrBytes(path);
        SysFreeString(text);
        SysFreeString(path);
        return result;
    }

    static DumpResult Dump(const std::string& path) { return CallWith(ByteBstr(path)); }

    static void ExpectDump(const std::string& path, const std::string& expected) {
        const DumpResult result = Dump(path);
        EXPECT_TRUE(result.gotText);
        EXPECT_EQ(result.lastError, 0u);
        EXPECT_EQ(result.text, expected);
    }

    static void ExpectCannotDump(const DumpResult& result) {
        EXPECT_FALSE(result.gotText);
        EXPECT_EQ(result.lastError, engine::kCannotDumpCode);
    }

    static inline HMODULE library_ = nullptr;
    static inline engine::EntryPoint doOctolume_ = nullptr;
    TempFolder folder_;
};

// The formatting itself is the core's, tested natively; here every byte value must cross
// the byte string unchanged.
TEST_F(EngineDll, ExactTextForEveryByteValue) {
    ExpectDump(WriteFile(L"all.bin", AllByteValues()), kAllByteValuesDump);
}

TEST_F(EngineDll, TruncationNoteOnlyAboveTheLimit) {
    static_assert(kDumpByteLimit == 2097152);
    const std::vector<unsigned char> bytes = PatternBytes(kDumpByteLimit + 1);
    const auto head = [&](std::size_t count) {
        return std::vector<unsigned char>(bytes.begin(), bytes.begin() + count);
    };

    const DumpResult below = Dump(WriteFile(L"below.bin", head(kDumpByteLimit - 1)));
    EXPECT_EQ(below.lastError, 0u);
    EXPECT_TRUE(below.text == FormatDump(head(kDumpByteLimit - 1), kDumpByteLimit - 1));

    const DumpResult at = Dump(WriteFile(L"at.bin", head(kDumpByteLimit)));
    EXPECT_EQ(at.lastError, 0u);
    EXPECT_TRUE(at.text == FormatDump(head(kDumpByteLimit), kDumpByteLimit));
    EXPECT_EQ(at.text.find("---"), std::string::npos);

    const DumpResult above = Dump(WriteFile(L"above.bin", bytes));
    EXPECT_EQ(above.lastError, 0u);
    EXPECT_TRUE(above.text ==
                at.text + "--- Dump truncated: showing the first 2097152 of 2097153 bytes ---\r\n");
}

TEST_F(EngineDll, RelativePathComesBackFullInANewByteString) {
    // Read when oleaut32 loads, so it must come from outside (CTest sets it).
    ASSERT_NE(GetEnvironmentVariableW(L"OANOCACHE", nullptr, 0), 0u)
        << "run with OANOCACHE=1, or freed strings stay in the BSTR cache unseen";
    const std::string full = WriteFile(L"relative.bin", PatternBytes(16));
    wchar_t previousFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previousFolder);
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.Path().c_str()));

    DumpResult result;
    {
        AllocatorWatch watch;
        ASSERT_TRUE(watch.Registered());
        BSTR path = ByteBstr("relative.bin");
        ASSERT_EQ(watch.Allocated().size(), 1u);
        void* const relativeBlock = watch.Allocated().back();
        const BSTR relative = path;

        SetLastError(kStaleError);
        const BSTR text = doOctolume_(&path);
        result.lastError = GetLastError();
        result.text = BstrBytes(text);
        result.pathAfter = BstrBytes(path);

        EXPECT_NE(path, relative);
        EXPECT_TRUE(watch.Freed(relativeBlock)) << "the replaced path string was not freed";
        // Both strings the caller now owns come from the task allocator, as
        // SysAllocStringByteLen allocates them, and nothing else is left behind.
        EXPECT_EQ(watch.Outstanding(), 2);
        SysFreeString(text);
        SysFreeString(path);
        EXPECT_EQ(watch.Outstanding(), 0);
    }
    SetCurrentDirectoryW(previousFolder);

    EXPECT_EQ(result.lastError, 0u);
    EXPECT_EQ(result.pathAfter, full);
    EXPECT_EQ(result.text, kPattern16Dump);
}

TEST_F(EngineDll, FullPathIsLeftAsItIs) {
    const std::string full = WriteFile(L"full.bin", PatternBytes(1));
    BSTR path = ByteBstr(full);
    const BSTR original = path;
    const BSTR text = doOctolume_(&path);
    EXPECT_EQ(path, original);
    EXPECT_EQ(BstrBytes(path), full);
    SysFreeString(text);
    SysFreeString(path);
}

TEST_F(EngineDll, WhatCannotBeOpenedOrIsEmptyCannotBeDumped) {
    ExpectCannotDump(Dump(ToAnsi(FolderPath(L"missing.bin"))));
    ExpectCannotDump(Dump(ToAnsi(folder_.Subfolder(L"sub"))));
    ExpectCannotDump(Dump(WriteFile(L"empty.bin", {})));
    ExpectCannotDump(CallWith(nullptr));
    ExpectCannotDump(CallWith(ByteBstr("")));
    // Without the check the system would open just the part before the NUL.
    ExpectCannotDump(Dump(WriteFile(L"x", PatternBytes(4)) + std::string(1, '\0') + "tail"));
    ExpectCannotDump(Dump("NUL"));
}

TEST_F(EngineDll, NoPathArgumentIsAnInvalidParameter) {
    SetLastError(kStaleError);
    EXPECT_EQ(doOctolume_(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Starts a Linux program from this Windows process. Wine gives no process handle to wait
// on for a Linux program, so callers poll (bounded) for its effect.
bool StartLinuxProgram(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return false;
    const UniqueHandle thread(started.hThread), process(started.hProcess);
    return true;
}

// Wine's GetFileAttributesW does not see a FIFO; a directory search does.
bool Listed(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

bool PollUntil(bool wanted, const std::wstring& path) {
    for (int attempt = 0; attempt < 1500; ++attempt) {
        if (Listed(path) == wanted)
            return true;
        Sleep(20);
    }
    return false;
}

// A Linux FIFO in /tmp, made with mkfifo and removed with rm (DeleteFileW cannot).
class LinuxFifo {
public:
    LinuxFifo()
        : name_(L"octolume-fifo-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64())) {
        made_ = StartLinuxProgram(L"/usr/bin/mkfifo /tmp/" + name_) && PollUntil(true, Path());
    }
    LinuxFifo(const LinuxFifo&) = delete;
    LinuxFifo& operator=(const LinuxFifo&) = delete;
    ~LinuxFifo() {
        if (made_ && StartLinuxProgram(L"/bin/rm -f /tmp/" + name_))
            PollUntil(false, Path());
    }

    bool Made() const { return made_; }
    std::wstring Path() const { return L"Z:\\tmp\\" + name_; }

private:
    std::wstring name_;
    bool made_ = false;
};

TEST_F(EngineDll, FifoIsNotDumped) {
    // It opens at once, but a read would block until a writer appeared.
    const LinuxFifo fifo;
    if (!fifo.Made())
        GTEST_SKIP() << "cannot make a FIFO from here";
    ExpectCannotDump(Dump(ToAnsi(fifo.Path())));
}

TEST_F(EngineDll, FileHeldWithoutSharingByAnotherProcess) {
    const std::string path = WriteFile(L"held.bin", PatternBytes(1));
    {
        HeldFile held(FolderPath(L"held.bin"));
        ExpectCannotDump(Dump(path));
    }
    ExpectDump(path, kPattern1Dump);
}

TEST_F(EngineDll, FileOpenForWritingElsewhereIsDumped) {
    const std::string path = WriteFile(L"log.txt", {});
    const UniqueHandle writer(CreateFileW(FolderPath(L"log.txt").c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(writer.get(), INVALID_HANDLE_VALUE);
    const std::vector<unsigned char> line = PatternBytes(17);
    DWORD written = 0;
    EXPECT_TRUE(
        ::WriteFile(writer.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr));
    ExpectDump(path, kPattern17Dump);
}

} // namespace
} // namespace octolume::test
