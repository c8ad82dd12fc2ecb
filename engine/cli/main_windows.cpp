// octolume-dump.exe on Windows: arguments and file names in UTF-16 from wmain to the
// system's calls, never through another encoding (a name may hold a lone surrogate, which
// none keeps); the data through ReadFile and WriteFile, byte for byte (no text-mode
// translation).

#include "dump_tool.h"

#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"
#include "support/system_message.h"
#include "support/text.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <string>
#include <vector>

namespace octolume::dump_tool {
namespace {

// The system's text for an error code, on one line, to follow a colon.
std::string SystemMessage(DWORD code) {
    std::wstring text = GetDllErrorText(static_cast<std::int32_t>(code));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    return ToUtf8(text);
}

// The ways a pipe's reader shows it has gone: the pipe broken, being closed, or no
// longer connected (which Wine reports for a Linux pipe whose reader has exited).
bool IsClosedPipe(DWORD code) {
    return code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA || code == ERROR_PIPE_NOT_CONNECTED;
}

// NTFS writes out the zeros of a gap past a file's end unless the file is sparse; on a
// file system without sparse files this fails, and the gap is written as before.
void MakeSparse(HANDLE file) {
    DWORD returned = 0;
    External(::DeviceIoControl, file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
}

// The temporary file of a revert into a file, which Ctrl+C, Ctrl+Break or closing the
// console must not leave behind. The handler runs on a thread of its own: it reads the
// path only once the flag says it is set, and the path does not change while it is.
std::wstring temporaryPath;
std::atomic<bool> temporaryExists{false};

BOOL WINAPI RemoveTemporaryOnControl(DWORD) {
    // Shared for deleting, the file goes when the ending program closes it; after the
    // rename into place the name is gone, and this deletes nothing. Not through External,
    // whose one record belongs to the main thread.
    if (temporaryExists.load())
        ::DeleteFileW(temporaryPath.c_str());
    return FALSE; // on to the system's handler, which ends the program
}

// A full path in the form that passes MAX_PATH: the folder of an output may be as deep as
// the file system lets it be.
std::wstring LongPathForm(const std::wstring& full) {
    if (full.starts_with(L"\\\\?\\") || full.size() < MAX_PATH - 20)
        return full;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Makes a new, empty file of a name no other file has, in `folder` (which ends in a
// separator), and names it in temporaryPath; false when the system refuses.
bool MakeTemporaryFile(const std::wstring& folder) {
    static unsigned made = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t unique[40];
        std::swprintf(unique, 40, L".octolume-dump-%lx-%x-%llx.tmp", ::GetCurrentProcessId(),
                      ++made, static_cast<unsigned long long>(::GetTickCount64()));
        std::wstring path = LongPathForm(folder + unique);
        const FileHandle file(External(::CreateFileW, path.c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            temporaryPath = std::move(path);
            temporaryExists = true;
            return true;
        }
        if (LastLibraryError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

class Handle final : public Source, public Sink {
public:
    // A file of the tool's own, closed with it.
    explicit Handle(FileHandle file) : handle_(file.get()), owned_(std::move(file)) {}
    // A standard handle, which stays open.
    explicit Handle(HANDLE standard) : handle_(standard) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool Read(unsigned char* into, std::size_t size, std::size_t& read,
              std::string& error) override {
        DWORD got = 0;
        if (External(::ReadFile, handle_, into, static_cast<DWORD>(size), &got, nullptr)) {
            read = got;
            return true;
        }
        const DWORD code = LastLibraryError();
        // The writer of a pipe closing its end is the end of the input.
        if (code == ERROR_BROKEN_PIPE) {
            read = 0;
            return true;
        }
        error = SystemMessage(code);
        return false;
    }

    std::optional<std::uint64_t> Size() override {
        LARGE_INTEGER size{};
        if (External(::GetFileType, handle_) != FILE_TYPE_DISK ||
            !External(::GetFileSizeEx, handle_, &size))
            return std::nullopt;
        return static_cast<std::uint64_t>(size.QuadPart);
    }

    bool Seek(std::uint64_t offset, std::string& error) override {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(offset);
        if (External(::SetFilePointerEx, handle_, to, nullptr, FILE_BEGIN))
            return true;
        error = SystemMessage(LastLibraryError());
        return false;
    }

    bool Skip(std::uint64_t count, std::string& error) override {
        LARGE_INTEGER by{};
        by.QuadPart = static_cast<LONGLONG>(count);
        if (External(::SetFilePointerEx, handle_, by, nullptr, FILE_CURRENT))
            return true;
        error = SystemMessage(LastLibraryError());
        return false;
    }

    // The start of the next allocated range, from the file system's map of a sparse
    // file; nothing where the file system keeps none or anything fails.
    std::uint64_t KnownZeros(std::uint64_t most) override {
        LARGE_INTEGER position{}, size{};
        if (External(::GetFileType, handle_) != FILE_TYPE_DISK ||
            !External(::SetFilePointerEx, handle_, LARGE_INTEGER{}, &position, FILE_CURRENT) ||
            !External(::GetFileSizeEx, handle_, &size) || position.QuadPart >= size.QuadPart)
            return 0;
        FILE_ALLOCATED_RANGE_BUFFER asked{}, first{};
        asked.FileOffset = position;
        asked.Length.QuadPart =
            static_cast<LONGLONG>(std::min<std::uint64_t>(most, size.QuadPart - position.QuadPart));
        DWORD returned = 0;
        const bool all = External(::DeviceIoControl, handle_, FSCTL_QUERY_ALLOCATED_RANGES, &asked,
                                  sizeof asked, &first, sizeof first, &returned, nullptr);
        // One range is all that is asked for: more of them is no failure.
        if (!all && LastLibraryError() != ERROR_MORE_DATA)
            return 0;
        if (returned < sizeof first)
            return all ? static_cast<std::uint64_t>(asked.Length.QuadPart) : 0;
        return first.FileOffset.QuadPart > position.QuadPart
                   ? static_cast<std::uint64_t>(first.FileOffset.QuadPart - position.QuadPart)
                   : 0;
    }

    bool Write(const char* from, std::size_t size, WriteFailure& failure) override {
        // Consoles take limited amounts in one call.
        const std::size_t most =
            External(::GetFileType, handle_) == FILE_TYPE_CHAR ? 16 * 1024 : std::size_t{1} << 24;
        return WriteAll(
            from, size, failure, [&](const char* part, std::size_t left, std::size_t& written) {
                DWORD wrote = 0;
                if (!External(::WriteFile, handle_, part, static_cast<DWORD>(std::min(left, most)),
                              &wrote, nullptr)) {
                    const DWORD code = LastLibraryError();
                    failure.readerGone = IsClosedPipe(code);
                    failure.error = SystemMessage(code);
                    return false;
                }
                written = wrote;
                return true;
            });
    }

    bool WriteZeros(std::uint64_t count, WriteFailure& failure) override {
        LARGE_INTEGER size{}, position{};
        if (External(::GetFileType, handle_) != FILE_TYPE_DISK ||
            !External(::GetFileSizeEx, handle_, &size) ||
            !External(::SetFilePointerEx, handle_, LARGE_INTEGER{}, &position, FILE_CURRENT))
            return Sink::WriteZeros(count, failure);
        // Bytes the file already has there become zeros, as a plain write makes them.
        const std::uint64_t within = std::min<std::uint64_t>(
            count,
            static_cast<std::uint64_t>(std::max<LONGLONG>(size.QuadPart - position.QuadPart, 0)));
        if (!Sink::WriteZeros(within, failure))
            return false;
        if (within == count)
            return true;
        if (count > static_cast<std::uint64_t>(INT64_MAX - position.QuadPart)) {
            failure.error = SystemMessage(ERROR_FILE_TOO_LARGE);
            return false;
        }
        MakeSparse(handle_);
        LARGE_INTEGER end{};
        end.QuadPart = position.QuadPart + static_cast<LONGLONG>(count);
        if (External(::SetFilePointerEx, handle_, end, nullptr, FILE_BEGIN))
            return true;
        failure.error = SystemMessage(LastLibraryError());
        return false;
    }

private:
    HANDLE handle_;
    FileHandle owned_;
};

// The program makes one at a time: the one the console handler knows.
class TemporaryFile final : public OutputFile {
public:
    // Makes the temporary file beside `target`; false with the reason in `error`.
    bool Create(const std::wstring& target, bool patch, std::string& error) {
        const auto failed = [&] {
            error = SystemMessage(LastLibraryError());
            return false;
        };
        const std::wstring full = StringFromSystem<wchar_t>([&](wchar_t* buffer, std::size_t size) {
            return External(::GetFullPathNameW, target.c_str(), static_cast<DWORD>(size), buffer,
                            nullptr);
        });
        if (full.empty())
            return failed();
        target_ = LongPathForm(full);
        const DWORD attributes = External(::GetFileAttributesW, target_.c_str());
        const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
        if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = kIsAFolder;
            return false;
        }
        if (patch && !exists)
            return failed();
        if (exists && !MayWrite(attributes, error))
            return false;
        if (!MakeTemporaryFile(full.substr(0, full.find_last_of(L"\\/") + 1)))
            return failed();
        if (patch && !External(::CopyFileW, target_.c_str(), temporaryPath.c_str(), FALSE))
            return failed();
        // Hidden, system and the like stay; archive is set, as for any file changed.
        constexpr DWORD kCarried = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_TEMPORARY;
        if (exists && !External(::SetFileAttributesW, temporaryPath.c_str(),
                                (attributes & kCarried) | FILE_ATTRIBUTE_ARCHIVE))
            return failed();
        file_.reset(External(::CreateFileW, temporaryPath.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_)
            return failed();
        LARGE_INTEGER size{};
        if (patch && External(::GetFileSizeEx, file_.get(), &size))
            end_ = static_cast<std::uint64_t>(size.QuadPart);
        return true;
    }

    ~TemporaryFile() override {
        file_.reset();
        if (temporaryExists)
            External(::DeleteFileW, temporaryPath.c_str());
        temporaryExists = false;
    }

    // Zeros past what the file holds so far are a hole already: the next bytes written
    // after them, which a run of zeros always has, set the size.
    bool Fill(std::uint64_t offset, std::span<const unsigned char> pattern, std::uint64_t count,
              WriteFailure& failure) override {
        if (std::all_of(pattern.begin(), pattern.end(), [](unsigned char b) { return b == 0; }))
            count = offset < end_ ? std::min(count, end_ - offset) : 0;
        return OutputFile::Fill(offset, pattern, count, failure);
    }

    bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                 WriteFailure& failure) override {
        if (offset > end_ && !sparse_) {
            MakeSparse(file_.get());
            sparse_ = true;
        }
        end_ = std::max<std::uint64_t>(end_, offset + size);
        return WriteAll(reinterpret_cast<const char*>(from), size, failure,
                        [&](const char* part, std::size_t left, std::size_t& written) {
                            // On a handle opened for plain reads and writes, the offset only
                            // says where.
                            OVERLAPPED at{};
                            at.Offset = static_cast<DWORD>(offset);
                            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
                            DWORD wrote = 0;
                            if (!External(::WriteFile, file_.get(), part,
                                          static_cast<DWORD>(std::min<std::size_t>(left, 1 << 24)),
                                          &wrote, &at)) {
                                failure.error = SystemMessage(LastLibraryError());
                                return false;
                            }
                            written = wrote;
                            offset += wrote;
                            return true;
                        });
    }

    bool Commit(std::string& error) override {
        const bool flushed = External(::FlushFileBuffers, file_.get());
        file_.reset();
        if (!flushed || !External(::MoveFileExW, temporaryPath.c_str(), target_.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = SystemMessage(LastLibraryError());
            return false;
        }
        temporaryExists = false;
        return true;
    }

private:
    // A replace needs the right to delete the file, not to write it: refused as a plain
    // write would be. Windows programs leave a read-only file alone, whoever runs them.
    bool MayWrite(DWORD attributes, std::string& error) {
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            error = SystemMessage(ERROR_ACCESS_DENIED);
            return false;
        }
        const FileHandle opened(External(::CreateFileW, target_.c_str(), FILE_WRITE_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        if (!opened) {
            error = SystemMessage(LastLibraryError());
            return false;
        }
        return true;
    }

    std::wstring target_;
    FileHandle file_;
    std::uint64_t end_ = 0; // of the bytes written so far, or of the copy to patch
    bool sparse_ = false;
};

class WindowsSystem final : public System {
public:
    std::unique_ptr<Source> OpenFile(const std::wstring& path, std::string& error) override {
        const DWORD attributes = External(::GetFileAttributesW, path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = kIsAFolder;
            return nullptr;
        }
        // Shared like the viewer's engine opens files: a log another program writes to
        // can be dumped.
        FileHandle file(External(::CreateFileW, path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) {
            error = SystemMessage(LastLibraryError());
            return nullptr;
        }
        return std::make_unique<Handle>(std::move(file));
    }

    std::unique_ptr<Source> StandardInput() override {
        return std::make_unique<Handle>(External(::GetStdHandle, STD_INPUT_HANDLE));
    }

    Sink& StandardOutput() override { return standardOutput_; }
    Sink& StandardError() override { return standardError_; }

    std::unique_ptr<OutputFile> CreateOutputFile(const std::wstring& name, bool patch,
                                                 std::string& error) override {
        auto file = std::make_unique<TemporaryFile>();
        if (!file->Create(name, patch, error))
            return nullptr;
        return file;
    }

    std::string_view LineEnd() const override { return "\r\n"; }
    std::string Shown(const std::wstring& text) const override { return ToUtf8(text); }

    bool OutputIsTerminal() override {
        DWORD mode = 0;
        return External(::GetConsoleMode, External(::GetStdHandle, STD_OUTPUT_HANDLE), &mode);
    }

    bool NoColorAsked() override {
        wchar_t first[2];
        return External(::GetEnvironmentVariableW, L"NO_COLOR", first, 2) > 0;
    }

    // Consoles show escape codes once their virtual-terminal processing is on, which
    // Windows 10 and later have.
    bool TerminalShowsColor() override {
        const HANDLE output = External(::GetStdHandle, STD_OUTPUT_HANDLE);
        DWORD mode = 0;
        return External(::GetConsoleMode, output, &mode) &&
               ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
                External(::SetConsoleMode, output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING));
    }

private:
    Handle standardOutput_{External(::GetStdHandle, STD_OUTPUT_HANDLE)};
    Handle standardError_{External(::GetStdHandle, STD_ERROR_HANDLE)};
};

} // namespace
} // namespace octolume::dump_tool

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    octolume::External(::SetConsoleCtrlHandler, octolume::dump_tool::RemoveTemporaryOnControl,
                       TRUE);
    octolume::dump_tool::WindowsSystem system;
    return octolume::dump_tool::Run(arguments, system);
}
