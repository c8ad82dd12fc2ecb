// octolume-dump.exe on Windows: file names in UTF-16 from the command line, the data
// through ReadFile and WriteFile, byte for byte (no text-mode translation).

#include "dump_tool.h"

#include "support/owners.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace octolume::dump_tool {
namespace {

std::string Utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          size, nullptr, nullptr);
    return result;
}

std::wstring Utf16(const std::string& text) {
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          size);
    return result;
}

// The system's text for an error code, on one line.
std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalMemory<wchar_t> owned(buffer);
    std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        text = L"error " + std::to_wstring(code);
    return Utf8(text);
}

class Handle final : public Source, public Sink {
public:
    Handle(HANDLE handle, bool owned) : handle_(handle), owned_(owned ? handle : nullptr) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool Read(unsigned char* into, std::size_t size, std::size_t& read,
              std::string& error) override {
        DWORD got = 0;
        if (::ReadFile(handle_, into, static_cast<DWORD>(size), &got, nullptr)) {
            read = got;
            return true;
        }
        const DWORD code = ::GetLastError();
        // The writer of a pipe closing its end is the end of the input.
        if (code == ERROR_BROKEN_PIPE) {
            read = 0;
            return true;
        }
        error = SystemMessage(code);
        return false;
    }

    bool Write(const char* from, std::size_t size, std::string& error, bool& readerGone) override {
        // Consoles take limited amounts in one call.
        const std::size_t most =
            ::GetFileType(handle_) == FILE_TYPE_CHAR ? 16 * 1024 : std::size_t{1} << 24;
        while (size > 0) {
            DWORD written = 0;
            if (!::WriteFile(handle_, from, static_cast<DWORD>(std::min(size, most)), &written,
                             nullptr)) {
                const DWORD code = ::GetLastError();
                readerGone = code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA;
                error = SystemMessage(code);
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

class WindowsSystem final : public System {
public:
    std::unique_ptr<Source> OpenFile(const std::string& name, std::string& error) override {
        const std::wstring path = Utf16(name);
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = kIsAFolder;
            return nullptr;
        }
        // Shared like the viewer's engine opens files: a log another program writes to
        // can be dumped.
        const HANDLE file = ::CreateFileW(
            path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = SystemMessage(::GetLastError());
            return nullptr;
        }
        return std::make_unique<Handle>(file, true);
    }

    std::unique_ptr<Source> StandardInput() override {
        return std::make_unique<Handle>(::GetStdHandle(STD_INPUT_HANDLE), false);
    }

    Sink& StandardOutput() override { return standardOutput_; }

    Sink& StandardError() override { return standardError_; }
    std::string_view LineEnd() const override { return "\r\n"; }

private:
    Handle standardOutput_{::GetStdHandle(STD_OUTPUT_HANDLE), false};
    Handle standardError_{::GetStdHandle(STD_ERROR_HANDLE), false};
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
