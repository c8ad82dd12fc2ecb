// octolume-dump.exe on Windows: file names in UTF-16 from the command line, the data
// through ReadFile and WriteFile, byte for byte (no text-mode translation).

#include "dump_tool.h"

#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"
#include "support/system_message.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace octolume::dump_tool {
namespace {

std::string Utf8(const std::wstring& text) {
    const int size = External(::WideCharToMultiByte, CP_UTF8, 0, text.data(),
                              static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(std::max(size, 0)), '\0');
    External(::WideCharToMultiByte, CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
             result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring Utf16(const std::string& text) {
    const int size = External(::MultiByteToWideChar, CP_UTF8, 0, text.data(),
                              static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    External(::MultiByteToWideChar, CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
             result.data(), size);
    return result;
}

// The system's text for an error code, on one line, to follow a colon.
std::string SystemMessage(DWORD code) {
    std::wstring text = GetDllErrorText(static_cast<std::int32_t>(code));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    return Utf8(text);
}

// The ways a pipe's reader shows it has gone: the pipe broken, being closed, or no
// longer connected (which Wine reports for a Linux pipe whose reader has exited).
bool IsClosedPipe(DWORD code) {
    return code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA || code == ERROR_PIPE_NOT_CONNECTED;
}

class Handle final : public Source, public Sink {
public:
    Handle(HANDLE handle, bool owned) : handle_(handle), owned_(owned ? handle : nullptr) {}
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

    bool Write(const char* from, std::size_t size, WriteFailure& failure) override {
        // Consoles take limited amounts in one call.
        const std::size_t most =
            External(::GetFileType, handle_) == FILE_TYPE_CHAR ? 16 * 1024 : std::size_t{1} << 24;
        while (size > 0) {
            DWORD written = 0;
            if (!External(::WriteFile, handle_, from, static_cast<DWORD>(std::min(size, most)),
                          &written, nullptr)) {
                const DWORD code = LastLibraryError();
                failure.readerGone = IsClosedPipe(code);
                failure.error = SystemMessage(code);
                return false;
            }
            from += written;
            size -= written;
        }
        return true;
    }

private:
    HANDLE handle_;
    UniqueHandle owned_; // null for the standard handles, which stay open
};

class TemporaryFile final : public OutputFile {
public:
    // Makes the temporary file beside `target`; false with the reason in `error`.
    bool Create(const std::wstring& target, bool patch, std::string& error) {
        const auto failed = [&] {
            error = SystemMessage(LastLibraryError());
            return false;
        };
        target_ = StringFromSystem<wchar_t>([&](wchar_t* buffer, std::size_t size) {
            return External(::GetFullPathNameW, target.c_str(), static_cast<DWORD>(size), buffer,
                            nullptr);
        });
        if (target_.empty())
            return failed();
        const DWORD attributes = External(::GetFileAttributesW, target_.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = kIsAFolder;
            return false;
        }
        if (patch && attributes == INVALID_FILE_ATTRIBUTES)
            return failed();
        const std::wstring folder = target_.substr(0, target_.find_last_of(L"\\/") + 1);
        std::wstring temporary(MAX_PATH, L'\0');
        if (!External(::GetTempFileNameW, folder.c_str(), L"odp", 0, temporary.data()))
            return failed();
        temporary.resize(temporary.find(L'\0'));
        temporary_ = temporary;
        if (patch && !External(::CopyFileW, target_.c_str(), temporary_.c_str(), FALSE))
            return failed();
        const HANDLE file = External(::CreateFileW, temporary_.c_str(), GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return failed();
        file_.reset(file);
        return true;
    }

    ~TemporaryFile() override {
        file_.reset();
        if (!temporary_.empty())
            External(::DeleteFileW, temporary_.c_str());
    }

    bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                 WriteFailure& failure) override {
        while (size > 0) {
            // On a handle opened for plain reads and writes, the offset only says where.
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            DWORD written = 0;
            if (!External(::WriteFile, file_.get(), from,
                          static_cast<DWORD>(std::min<std::size_t>(size, 1 << 24)), &written,
                          &at)) {
                failure.error = SystemMessage(LastLibraryError());
                return false;
            }
            from += written;
            offset += written;
            size -= written;
        }
        return true;
    }

    bool Commit(std::string& error) override {
        const bool flushed = External(::FlushFileBuffers, file_.get());
        file_.reset();
        if (!flushed || !External(::MoveFileExW, temporary_.c_str(), target_.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = SystemMessage(LastLibraryError());
            return false;
        }
        temporary_.clear();
        return true;
    }

private:
    std::wstring target_;
    std::wstring temporary_;
    UniqueHandle file_;
};

class WindowsSystem final : public System {
public:
    std::unique_ptr<Source> OpenFile(const std::string& name, std::string& error) override {
        const std::wstring path = Utf16(name);
        const DWORD attributes = External(::GetFileAttributesW, path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = kIsAFolder;
            return nullptr;
        }
        // Shared like the viewer's engine opens files: a log another program writes to
        // can be dumped.
        const HANDLE file = External(::CreateFileW, path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = SystemMessage(LastLibraryError());
            return nullptr;
        }
        return std::make_unique<Handle>(file, true);
    }

    std::unique_ptr<Source> StandardInput() override {
        return std::make_unique<Handle>(External(::GetStdHandle, STD_INPUT_HANDLE), false);
    }

    Sink& StandardOutput() override { return standardOutput_; }
    Sink& StandardError() override { return standardError_; }

    std::unique_ptr<OutputFile> CreateOutputFile(const std::string& name, bool patch,
                                                 std::string& error) override {
        auto file = std::make_unique<TemporaryFile>();
        if (!file->Create(Utf16(name), patch, error))
            return nullptr;
        return file;
    }

    std::string_view LineEnd() const override { return "\r\n"; }

private:
    Handle standardOutput_{External(::GetStdHandle, STD_OUTPUT_HANDLE), false};
    Handle standardError_{External(::GetStdHandle, STD_ERROR_HANDLE), false};
};

} // namespace
} // namespace octolume::dump_tool

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(octolume::dump_tool::Utf8(argv[i]));
    octolume::dump_tool::WindowsSystem system;
    return octolume::dump_tool::Run(arguments, system);
}
