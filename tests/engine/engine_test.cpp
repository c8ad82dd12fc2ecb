// Tests of the real octolume.dll, loaded by path from beside the test program and called
// through its export, as the viewer calls it.

#include "engine/core/dump_format.h"
#include "expected_dumps.h"
#include "held_file.h"

#include <windows.h>
#include <oleauto.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace octolume {
namespace {

using DoOctolumeFunction = BSTR(__stdcall*)(BSTR*);
constexpr DWORD kCannotDump = 0x20000009;
// Set before each call, so a success must clear it.
constexpr DWORD kStaleError = ERROR_INVALID_FUNCTION;

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    const std::wstring full(path, length);
    return full.substr(0, full.find_last_of(L'\\') + 1);
}

std::string Ansi(const std::wstring& text) {
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        needed, nullptr, nullptr);
    return result;
}

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

// Watches the COM task allocator, which holds every BSTR while the OANOCACHE
// environment variable turns the BSTR cache off (the test sets it).
class MallocSpy final : public IMallocSpy {
public:
    std::set<void*> live;
    std::vector<void*> allocated;
    std::vector<void*> freed;

    bool WasFreed(void* block) const {
        return std::find(freed.begin(), freed.end(), block) != freed.end();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *object = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override {
        if (block) {
            live.insert(block);
            allocated.push_back(block);
        }
        return block;
    }
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override {
        if (block) {
            live.erase(block);
            freed.push_back(block);
        }
        return block;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) override {
        reallocating_ = block;
        *newBlock = block;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override {
        live.erase(reallocating_);
        if (block)
            live.insert(block);
        return block;
    }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    void* reallocating_ = nullptr;
};

class SpyRegistration {
public:
    explicit SpyRegistration(MallocSpy& spy) : registered_(SUCCEEDED(CoRegisterMallocSpy(&spy))) {}
    ~SpyRegistration() {
        if (registered_)
            CoRevokeMallocSpy();
    }
    bool Registered() const { return registered_; }

private:
    bool registered_;
};

class EngineDll : public testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = LoadLibraryW((ProgramFolder() + L"octolume.dll").c_str());
        if (library_)
            doOctolume_ = reinterpret_cast<DoOctolumeFunction>(
                reinterpret_cast<void*>(GetProcAddress(library_, "DoOctolume")));
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
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        static unsigned counter = 0;
        folder_ = std::wstring(temp) + L"octolume-engine-" +
                  std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    }

    void TearDown() override {
        WIN32_FIND_DATAW entry;
        const HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = folder_ + L"\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryW(path.c_str());
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryW(folder_.c_str());
    }

    std::wstring FolderPath(const std::wstring& name) const { return folder_ + L"\\" + name; }

    // Writes a file in the test's folder and returns its full path in ANSI.
    std::string WriteFile(const std::wstring& name, const std::vector<unsigned char>& bytes) {
        const std::wstring path = FolderPath(name);
        const HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(
            ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        EXPECT_EQ(written, bytes.size());
        CloseHandle(file);
        return Ansi(path);
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
        EXPECT_EQ(result.lastError, kCannotDump);
    }

    static inline HMODULE library_ = nullptr;
    static inline DoOctolumeFunction doOctolume_ = nullptr;
    std::wstring folder_;
};

TEST_F(EngineDll, ExactTextAroundTheSixteenByteBoundary) {
    ExpectDump(WriteFile(L"1.bin", test::PatternBytes(1)), test::kPattern1Dump);
    ExpectDump(WriteFile(L"15.bin", test::PatternBytes(15)), test::kPattern15Dump);
    ExpectDump(WriteFile(L"16.bin", test::PatternBytes(16)), test::kPattern16Dump);
    ExpectDump(WriteFile(L"17.bin", test::PatternBytes(17)), test::kPattern17Dump);
    ExpectDump(WriteFile(L"33.bin", test::PatternBytes(33)), test::kPattern33Dump);
}

TEST_F(EngineDll, ExactTextForEveryByteValue) {
    ExpectDump(WriteFile(L"all.bin", test::AllByteValues()), test::kAllByteValuesDump);
}

TEST_F(EngineDll, TruncationNoteOnlyAboveTheLimit) {
    static_assert(kDumpByteLimit == 2097152);
    const std::vector<unsigned char> bytes = test::PatternBytes(kDumpByteLimit + 1);
    const auto head = [&](std::size_t count) {
        return std::vector<unsigned char>(bytes.begin(), bytes.begin() + count);
    };

    const DumpResult below = Dump(WriteFile(L"below.bin", head(kDumpByteLimit - 1)));
    EXPECT_EQ(below.lastError, 0u);
    EXPECT_TRUE(below.text == FormatDump(head(kDumpByteLimit - 1), kDumpByteLimit - 1));
    EXPECT_EQ(below.text.find("---"), std::string::npos);

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
    const std::string full = WriteFile(L"relative.bin", test::PatternBytes(16));
    wchar_t previousFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previousFolder);
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));

    MallocSpy spy;
    DumpResult result;
    {
        SpyRegistration registration(spy);
        ASSERT_TRUE(registration.Registered());
        const BSTR relative = ByteBstr("relative.bin");
        ASSERT_EQ(spy.allocated.size(), 1u);
        void* const relativeBlock = spy.allocated.back();

        BSTR path = relative;
        SetLastError(kStaleError);
        const BSTR text = doOctolume_(&path);
        result.lastError = GetLastError();
        result.gotText = text != nullptr;
        result.text = BstrBytes(text);
        result.pathAfter = BstrBytes(path);

        EXPECT_NE(path, relative);
        EXPECT_TRUE(spy.WasFreed(relativeBlock)) << "the replaced path string was not freed";
        // Both strings the caller now owns come from the task allocator, as
        // SysAllocStringByteLen allocates them, and nothing else is left behind.
        EXPECT_EQ(spy.live.size(), 2u);
        SysFreeString(text);
        SysFreeString(path);
        EXPECT_TRUE(spy.live.empty());
    }
    SetCurrentDirectoryW(previousFolder);

    EXPECT_EQ(result.lastError, 0u);
    EXPECT_EQ(result.pathAfter, full);
    EXPECT_EQ(result.text, test::kPattern16Dump);
}

TEST_F(EngineDll, FullPathIsLeftAsItIs) {
    const std::string full = WriteFile(L"full.bin", test::PatternBytes(1));
    BSTR path = ByteBstr(full);
    const BSTR original = path;
    const BSTR text = doOctolume_(&path);
    EXPECT_EQ(path, original);
    EXPECT_EQ(BstrBytes(path), full);
    SysFreeString(text);
    SysFreeString(path);
}

TEST_F(EngineDll, FilesThatCannotBeOpenedCannotBeDumped) {
    ExpectCannotDump(Dump(Ansi(FolderPath(L"missing.bin"))));
    ASSERT_TRUE(CreateDirectoryW(FolderPath(L"sub").c_str(), nullptr));
    ExpectCannotDump(Dump(Ansi(FolderPath(L"sub"))));
}

TEST_F(EngineDll, EmptyFileAndEmptyPathCannotBeDumped) {
    ExpectCannotDump(Dump(WriteFile(L"empty.bin", {})));
    ExpectCannotDump(CallWith(nullptr));
    ExpectCannotDump(CallWith(ByteBstr("")));
}

TEST_F(EngineDll, PathWithEmbeddedNulCannotBeDumped) {
    // Without the check the system would open just the part before the NUL.
    const std::string existing = WriteFile(L"x", test::PatternBytes(4));
    ExpectCannotDump(Dump(existing + std::string(1, '\0') + "tail"));
}

TEST_F(EngineDll, NoPathArgumentIsAnInvalidParameter) {
    SetLastError(kStaleError);
    EXPECT_EQ(doOctolume_(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(EngineDll, DevicesAreNotDumped) {
    ExpectCannotDump(Dump("NUL"));
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
    for (const HANDLE handle : {started.hThread, started.hProcess})
        if (handle)
            CloseHandle(handle);
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
    ExpectCannotDump(Dump(Ansi(fifo.Path())));
}

TEST_F(EngineDll, FileHeldWithoutSharingByAnotherProcess) {
    const std::string path = WriteFile(L"held.bin", test::PatternBytes(1));
    {
        test::HeldFile held(FolderPath(L"held.bin"));
        ExpectCannotDump(Dump(path));
    }
    ExpectDump(path, test::kPattern1Dump);
}

TEST_F(EngineDll, FileOpenForWritingElsewhereIsDumped) {
    const std::string path = WriteFile(L"log.txt", {});
    const HANDLE writer =
        CreateFileW(FolderPath(L"log.txt").c_str(), GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    const std::vector<unsigned char> line = test::PatternBytes(17);
    DWORD written = 0;
    EXPECT_TRUE(
        ::WriteFile(writer, line.data(), static_cast<DWORD>(line.size()), &written, nullptr));
    ExpectDump(path, test::kPattern17Dump);
    CloseHandle(writer);
}

} // namespace
} // namespace octolume
