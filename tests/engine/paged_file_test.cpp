// The real octolume.dll's paged entry points, called as the viewer calls them: lines, bytes
// and searches of files of any size (a sparse one of 64 GiB), files renamed, deleted or cut
// short while open, and a search on one thread while another asks for lines.

#include "engine/engine_contract.h"
#include "expected_dumps.h"
#include "support/owners.h"
#include "support/text.h"
#include "test_support.h"
#include "tests/native/reference_dump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace octolume::test {
namespace {

using namespace engine;
using Bytes = std::vector<unsigned char>;
constexpr std::uint64_t kBlock = 64 * 1024;
constexpr DWORD kCallersError = 0x2000ABCD; // every entry point must leave it in place
// Calls that changed it, on any thread (the tests check it at their end).
std::atomic<int> lastErrorChanges{0};

template <class Entry> Entry Find(const char* name) {
    static const HMODULE library = LoadLibraryW(BuiltFile(kLibraryName).c_str());
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}
const auto openFile = Find<OpenFileEntry>(kOpenFileName);
const auto dumpLines = Find<DumpLinesEntry>(kDumpLinesName);
const auto readBytes = Find<ReadBytesEntry>(kReadBytesName);
const auto findBytes = Find<FindBytesEntry>(kFindBytesName);
const auto closeFile = Find<CloseFileEntry>(kCloseFileName);

// Calls an entry point with the caller's last-error code set, which it must leave alone.
template <class Call> DWORD Checked(Call&& call) {
    SetLastError(kCallersError);
    const DWORD result = call();
    lastErrorChanges += GetLastError() != kCallersError;
    return result;
}

// An open file of the engine, closed at the end.
class Paged {
public:
    explicit Paged(const std::wstring& path) {
        BSTR full = nullptr;
        error_ = Checked([&] { return openFile(path.c_str(), &full, &file_, &size_); });
        fullPath_ = full ? std::wstring(full, SysStringLen(full)) : L"";
        SysFreeString(full);
    }
    ~Paged() { closeFile(file_); }
    Paged(const Paged&) = delete;
    Paged& operator=(const Paged&) = delete;

    DWORD Error() const { return error_; }
    std::uint64_t Size() const { return size_; }
    const std::wstring& FullPath() const { return fullPath_; }
    OctolumePagedFile* File() const { return file_; }

    // The lines of the range, or "error N".
    std::string Lines(std::uint64_t first, ULONG count) const {
        const std::uint64_t shown =
            first < size_ ? std::min<std::uint64_t>(count, size_ - first) : 0;
        std::string text(static_cast<std::size_t>(shown / 16 * 88 + 200), '\0');
        ULONG written = 0;
        const DWORD error = Checked([&] {
            return dumpLines(file_, first, count, text.data(), static_cast<ULONG>(text.size()),
                             &written);
        });
        if (error != ERROR_SUCCESS)
            return "error " + std::to_string(error);
        text.resize(written);
        return text;
    }
    Bytes Read(std::uint64_t offset, ULONG count) const {
        Bytes bytes(count);
        ULONG delivered = 0;
        EXPECT_EQ(
            Checked([&] { return readBytes(file_, offset, count, bytes.data(), &delivered); }),
            static_cast<DWORD>(ERROR_SUCCESS));
        bytes.resize(delivered);
        return bytes;
    }
    // Where the needle was found, or "error N".
    std::string Search(std::string_view needle, std::uint64_t first, std::uint64_t last,
                       ULONG flags = 0) const {
        OctolumeFindRequest request;
        request.needle = reinterpret_cast<const unsigned char*>(needle.data());
        request.needleLength = static_cast<ULONG>(needle.size());
        request.flags = flags;
        request.first = first;
        request.last = last;
        ULONGLONG found = 0;
        const DWORD error = Checked([&] { return findBytes(file_, &request, &found); });
        return error == ERROR_SUCCESS ? std::to_string(found) : "error " + std::to_string(error);
    }

private:
    OctolumePagedFile* file_ = nullptr;
    ULONGLONG size_ = 0;
    DWORD error_ = ERROR_SUCCESS;
    std::wstring fullPath_;
};

std::string Found(std::uint64_t at) {
    return std::to_string(at);
}
const std::string kNotFound = "error " + std::to_string(ERROR_NOT_FOUND);

// The reference lines of a range, with the bytes from `present` on written as gone.
std::string LinesWithGone(const Bytes& bytes, std::size_t first, std::size_t count,
                          std::size_t present) {
    std::string text = ReferenceLines(bytes.data() + first, count, first);
    for (std::size_t byte = std::max(present, first); byte < first + count; ++byte) {
        const std::size_t line = (byte - first) / 16, index = byte % 16;
        char* const start = text.data() + line * 80; // offsets below 4 GiB: 80 a line
        std::memcpy(start + 10 + 3 * index + (index >= 8 ? 1 : 0), "--", 2);
        start[61 + index] = ' ';
    }
    return text;
}

class PagedFile : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openFile && dumpLines && readBytes && findBytes && closeFile)
            << "octolume.dll lacks a paged entry point";
        lastErrorChanges = 0;
    }
    void TearDown() override { EXPECT_EQ(lastErrorChanges, 0) << "calls changed the last error"; }
    TempFolder folder_;
};

TEST_F(PagedFile, PagesAroundEveryBlockEdgeAndAtTheEndAreTheWholeDumpsLines) {
    const Bytes bytes = RandomBytes(5 * kBlock + 123, 7);
    const Paged file(folder_.Write(L"random.bin", bytes));
    ASSERT_EQ(file.Error(), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(file.Size(), bytes.size());
    const auto reference = [&](std::size_t first, std::size_t count) {
        return ReferenceLines(bytes.data() + first, std::min(count, bytes.size() - first), first);
    };
    for (std::size_t edge = kBlock; edge < bytes.size(); edge += kBlock)
        for (const std::size_t first : {edge - 16, edge - 48, edge, edge + 16})
            for (const ULONG count : {16ul, 33ul, 100ul, 4096ul})
                EXPECT_TRUE(file.Lines(first, count) == reference(first, count))
                    << first << " " << count;
    // At the end: the short last line, a range past the end clamped, one wholly past it.
    const std::size_t lastLine = bytes.size() / 16 * 16;
    EXPECT_TRUE(file.Lines(lastLine - 32, 1000) == reference(lastLine - 32, 1000));
    EXPECT_TRUE(file.Lines(lastLine, 16) == reference(lastLine, 16));
    EXPECT_EQ(file.Lines(lastLine + 16, 16), "");
    EXPECT_EQ(file.Lines(UINT64_MAX - 15, 16), "");
    EXPECT_TRUE(file.Lines(0, 0xFFFFFFFF).size() ==
                FormatDump(bytes, bytes.size()).size() - DumpHeader().size());

    // A buffer one short: refused, nothing written; a first byte off the line: refused.
    std::string text(ReferenceLines(bytes.data(), 48, 0).size() - 1, 'x');
    ULONG written = 99;
    EXPECT_EQ(Checked([&] {
                  return dumpLines(file.File(), 0, 48, text.data(), static_cast<ULONG>(text.size()),
                                   &written);
              }),
              static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(text, std::string(text.size(), 'x'));
    EXPECT_EQ(file.Lines(8, 16), "error " + std::to_string(ERROR_INVALID_PARAMETER));
}

TEST_F(PagedFile, WhatCannotBeOpenedOrIsEmptyOrNoDiskFileIsRefused) {
    for (const std::wstring& path :
         {folder_.Path() + L"\\missing", folder_.Path(), folder_.Write(L"empty", ""),
          std::wstring(), std::wstring(L"NUL")}) {
        const Paged file(path);
        EXPECT_EQ(file.Error(), kCannotDumpCode) << ToAnsi(path);
        EXPECT_EQ(file.File(), nullptr);
        EXPECT_EQ(file.FullPath(), L"");
    }
    const std::wstring path = folder_.Write(L"one", "1");
    BSTR full = nullptr;
    OctolumePagedFile* file = nullptr;
    ULONGLONG size = 0;
    const auto invalid = static_cast<DWORD>(ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Checked([&] { return openFile(nullptr, &full, &file, &size); }), invalid);
    EXPECT_EQ(Checked([&] { return openFile(path.c_str(), &full, &file, nullptr); }), invalid);
    char text[100];
    unsigned char byte = 0;
    ULONG count = 0;
    EXPECT_EQ(Checked([&] { return dumpLines(nullptr, 0, 16, text, 100, &count); }), invalid);
    EXPECT_EQ(Checked([&] { return readBytes(nullptr, 0, 1, &byte, &count); }), invalid);
    OctolumeFindRequest request;
    request.needle = &byte;
    request.needleLength = 1;
    request.last = 1;
    ULONGLONG found = 0;
    EXPECT_EQ(Checked([&] { return findBytes(nullptr, &request, &found); }), invalid);
    SetLastError(kCallersError);
    closeFile(nullptr);
    EXPECT_EQ(GetLastError(), kCallersError);

    const Paged one(path);
    ASSERT_EQ(one.Error(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(Checked([&] { return dumpLines(one.File(), 0, 16, text, 100, nullptr); }), invalid);
    EXPECT_EQ(Checked([&] { return dumpLines(one.File(), 0, 16, nullptr, 100, &count); }), invalid);
    EXPECT_EQ(Checked([&] { return readBytes(one.File(), 0, 1, &byte, nullptr); }), invalid);
    EXPECT_EQ(Checked([&] { return findBytes(one.File(), &request, nullptr); }), invalid);
    EXPECT_EQ(one.Search("", 0, 1), "error " + std::to_string(invalid));
    EXPECT_EQ(one.Search("1", 1, 0), "error " + std::to_string(invalid));
    EXPECT_EQ(one.Search("1", 0, 1, 4), "error " + std::to_string(invalid));
    EXPECT_EQ(one.Search("1", 0, 1), Found(0));
    EXPECT_EQ(one.Search("11", 0, 1), kNotFound); // longer than the file
}

TEST_F(PagedFile, SparseFileOf64GiBHasItsMarkersInLinesBytesAndSearches) {
    constexpr std::uint64_t k2GiB = std::uint64_t{1} << 31, k4GiB = std::uint64_t{1} << 32;
    constexpr std::uint64_t kSize = std::uint64_t{64} << 30, kMiB = 1 << 20;
    const std::wstring path = folder_.Zeros(L"huge.bin", kSize);
    // Across a block's edge (not a step's), across the search's 1 MiB step from 40 MiB.
    const std::uint64_t acrossBlock = k4GiB + 3 * kBlock - 3, acrossStep = 41 * kMiB - 4;
    struct Marker {
        std::uint64_t offset;
        const char* text;
    };
    const Marker searched[] = {
        {k2GiB - 8, "<2 GiB!>"}, {k4GiB - 8, "<4 GiB!>"}, {acrossBlock, "<block>"}};
    for (const Marker& marker : searched)
        WriteAt(path, marker.offset, marker.text);
    WriteAt(path, kSize - 5, "TAIL!");
    WriteAt(path, acrossStep, "<step!>");
    const Paged file(path);
    ASSERT_EQ(file.Error(), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(file.Size(), kSize);
    EXPECT_EQ(file.FullPath(), path);

    EXPECT_EQ(
        file.Lines(k4GiB - 16, 32),
        "FFFFFFF0  00 00 00 00 00 00 00 00  3C 34 20 47 69 42 21 3E  |........<4 GiB!>|\r\n"
        "100000000  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|\r\n");
    EXPECT_EQ(
        file.Lines(kSize - 16, 16),
        "FFFFFFFF0  00 00 00 00 00 00 00 00  00 00 00 54 41 49 4C 21  |...........TAIL!|\r\n");
    EXPECT_EQ(file.Lines(k2GiB - 16, 16),
              "7FFFFFF0  00 00 00 00 00 00 00 00  3C 32 20 47 69 42 21 3E  |........<2 GiB!>|\r\n");
    const auto text = [](const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); };
    EXPECT_EQ(text(file.Read(k2GiB - 9, 10)), std::string("\0<2 GiB!>\0", 10));
    EXPECT_EQ(text(file.Read(k4GiB - 8, 8)), "<4 GiB!>");
    EXPECT_EQ(text(file.Read(kSize - 5, 100)), "TAIL!");
    EXPECT_EQ(file.Read(kSize, 1).size(), 0u);

    // Each marker forwards and backwards, from a few MiB away on either side.
    for (const auto& [offset, marker] : searched) {
        EXPECT_EQ(file.Search(marker, offset - 3 * kMiB, offset + 3 * kMiB), Found(offset));
        EXPECT_EQ(file.Search(marker, offset - 3 * kMiB, offset + 3 * kMiB, kFindBackwards),
                  Found(offset));
    }
    EXPECT_EQ(file.Search("<step!>", 40 * kMiB, 42 * kMiB), Found(acrossStep));
    // Backwards the steps are counted from the end.
    EXPECT_EQ(file.Search("<step!>", 30 * kMiB, acrossStep + 4 + kMiB, kFindBackwards),
              Found(acrossStep));
    EXPECT_EQ(file.Search("<4 gib!>", k4GiB - kMiB, k4GiB, kFindFoldCase), Found(k4GiB - 8));
    EXPECT_EQ(file.Search("<4 gib!>", k4GiB - kMiB, k4GiB), kNotFound);
    // At the very end: the last byte, the tail past the range's end clamped to the size.
    EXPECT_EQ(file.Search("!", kSize - 2 * kMiB, UINT64_MAX, kFindBackwards), Found(kSize - 1));
    EXPECT_EQ(file.Search("TAIL!", kSize - 2 * kMiB, UINT64_MAX), Found(kSize - 5));
    EXPECT_EQ(file.Search("TAIL!?", kSize - 2 * kMiB, UINT64_MAX), kNotFound);
    // The match must start in the range.
    EXPECT_EQ(file.Search("<4 GiB!>", k4GiB - kMiB, k4GiB - 8), kNotFound);
}

TEST_F(PagedFile, NameOutsideTheAnsiCodePageAndAVeryLongPathOpen) {
    const Bytes bytes = PatternBytes(17);
    const std::wstring path = folder_.Write(L"\u0416\u4E2D.bin", bytes);
    const Paged file(path);
    ASSERT_EQ(file.Error(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(file.FullPath(), path);
    EXPECT_TRUE(std::string(DumpHeader()) + file.Lines(0, 17) == kPattern17Dump);

    // Longer than MAX_PATH, and relative: it comes back in full. Made and removed in the
    // form without the length check.
    std::vector<std::wstring> folders{folder_.Path()};
    while (folders.back().size() < MAX_PATH + 20) {
        folders.push_back(folders.back() + L"\\" + std::wstring(60, L'd'));
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folders.back()).c_str(), nullptr));
    }
    const std::wstring folder = folders.back(), copy = L"\\\\?\\" + folder + L"\\long.bin";
    ASSERT_TRUE(CopyFileW(path.c_str(), copy.c_str(), TRUE));
    const ScopeExit removed([&] {
        EXPECT_TRUE(DeleteFileW(copy.c_str()));
        for (std::size_t i = folders.size() - 1; i > 0; --i)
            EXPECT_TRUE(RemoveDirectoryW((L"\\\\?\\" + folders[i]).c_str()));
    });
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.Path().c_str()));
    const ScopeExit back([] { SetCurrentDirectoryW(ProgramFolder().c_str()); });
    const Paged long_(folder.substr(folder_.Path().size() + 1) + L"\\long.bin");
    ASSERT_EQ(long_.Error(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(long_.FullPath(), folder + L"\\long.bin");
    EXPECT_EQ(long_.Read(0, 100), bytes);
}

TEST_F(PagedFile, OpenFileCanBeRenamedDeletedAndCutShortByOthers) {
    const Bytes bytes = RandomBytes(3 * kBlock, 11);
    const std::wstring path = folder_.Write(L"moving.bin", bytes);
    {
        const Paged file(path);
        ASSERT_EQ(file.Error(), static_cast<DWORD>(ERROR_SUCCESS));
        const std::wstring moved = folder_.Path() + L"\\moved.bin";
        ASSERT_TRUE(MoveFileW(path.c_str(), moved.c_str())) << GetLastError();
        EXPECT_TRUE(file.Lines(kBlock, 64) == ReferenceLines(bytes.data() + kBlock, 64, kBlock));
        ASSERT_TRUE(DeleteFileW(moved.c_str())) << GetLastError();
        EXPECT_EQ(file.Read(2 * kBlock - 2, 4),
                  Bytes(bytes.begin() + 2 * kBlock - 2, bytes.begin() + 2 * kBlock + 2));
    }

    // Cut to 40,000 bytes after the open: the size stays, the rest is gone.
    const std::wstring cut = folder_.Write(L"cut.bin", bytes);
    const Paged file(cut);
    ASSERT_EQ(file.Error(), static_cast<DWORD>(ERROR_SUCCESS));
    const std::size_t kept = 40'000 + 7;
    {
        const FileHandle writer(CreateFileW(cut.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer);
        LARGE_INTEGER end{};
        end.QuadPart = kept;
        ASSERT_TRUE(SetFilePointerEx(writer.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(writer.get()));
    }
    EXPECT_EQ(file.Size(), bytes.size());
    const std::size_t first = kept / 16 * 16 - 32;
    EXPECT_EQ(file.Lines(first, 80), LinesWithGone(bytes, first, 80, kept));
    EXPECT_EQ(file.Lines(2 * kBlock, 16), LinesWithGone(bytes, 2 * kBlock, 16, kept));
    EXPECT_EQ(file.Read(kept - 3, 100), Bytes(bytes.begin() + kept - 3, bytes.begin() + kept));
    const std::string before(bytes.begin() + kept - 4, bytes.begin() + kept);
    const std::string across(bytes.begin() + kept - 4, bytes.begin() + kept + 4);
    EXPECT_EQ(file.Search(before, 0, bytes.size(), kFindBackwards), Found(kept - 4));
    EXPECT_EQ(file.Search(across, 0, bytes.size()), kNotFound);
}

// One thread searches slice by slice while another asks for lines, as the viewer does.
struct Shared {
    const Paged* file;
    const Bytes* bytes;
    std::string needle;
    std::uint64_t expected;
    std::atomic<bool> searched{false};
    std::atomic<int> searchesWrong{0}, linesWrong{0}, linesAsked{0};
};

DWORD WINAPI SearchSlices(void* parameter) {
    auto& shared = *static_cast<Shared*>(parameter);
    // Both ways of comparing: the folding one keeps vector values on the stack, which a
    // thread's stack (aligned to 4 bytes only) must be realigned for.
    for (int round = 0; round < 4; ++round) {
        std::string found = kNotFound;
        for (std::uint64_t first = 0; first < shared.bytes->size() && found == kNotFound;
             first += 1 << 20)
            found = shared.file->Search(shared.needle, first, first + (1 << 20),
                                        round % 2 != 0 ? engine::kFindFoldCase : 0);
        shared.searchesWrong += found != Found(shared.expected);
    }
    shared.searched = true;
    return 0;
}

DWORD WINAPI AskForLines(void* parameter) {
    auto& shared = *static_cast<Shared*>(parameter);
    std::uint64_t first = 0;
    // At least a few rounds, and on until the search is done.
    for (int round = 0; round < 50 || !shared.searched; ++round) {
        first = (first + 7 * kBlock + 4096) % shared.bytes->size() / 16 * 16;
        const ULONG count = 3000;
        const std::size_t shown = std::min<std::size_t>(count, shared.bytes->size() - first);
        shared.linesWrong += shared.file->Lines(first, count) !=
                             ReferenceLines(shared.bytes->data() + first, shown, first);
        ++shared.linesAsked;
    }
    return 0;
}

TEST_F(PagedFile, SearchOnOneThreadWhileAnotherAsksForLines) {
    Bytes bytes = RandomBytes(8 << 20, 5);
    const std::string needle = "needle, found once";
    const std::uint64_t at = bytes.size() - 1000;
    std::copy(needle.begin(), needle.end(), bytes.begin() + at);
    const Paged file(folder_.Write(L"threads.bin", bytes));
    ASSERT_EQ(file.Error(), static_cast<DWORD>(ERROR_SUCCESS));
    Shared shared{&file, &bytes, needle, at};
    const UniqueHandle searcher(CreateThread(nullptr, 0, SearchSlices, &shared, 0, nullptr));
    const UniqueHandle asker(CreateThread(nullptr, 0, AskForLines, &shared, 0, nullptr));
    ASSERT_TRUE(searcher && asker);
    const HANDLE threads[] = {searcher.get(), asker.get()};
    ASSERT_EQ(WaitForMultipleObjects(2, threads, TRUE,
                                     static_cast<DWORD>(Scaled(std::chrono::seconds{60}).count())),
              WAIT_OBJECT_0);
    EXPECT_EQ(shared.searchesWrong, 0);
    EXPECT_EQ(shared.linesWrong, 0);
    EXPECT_GE(shared.linesAsked, 50);
}

} // namespace
} // namespace octolume::test
