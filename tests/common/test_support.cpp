#include "test_support.h"

#include <winioctl.h>

#include "support/app_error.h"
#include "support/text.h"

#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace octolume::test {

// Counts what the task allocator hands out and takes back for the AllocatorWatch.
class MallocSpy final : public IMallocSpy {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IMallocSpy)) {
            *object = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override { return Allocated(block); }
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override { return Freeing(block); }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) override {
        *newBlock = Freeing(block);
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return Allocated(block); }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    static void* Allocated(void* block) {
        if (block) {
            ++AllocatorWatch::events_[block].first;
            AllocatorWatch::allocated_.push_back(block);
        }
        return block;
    }
    static void* Freeing(void* block) {
        if (block)
            ++AllocatorWatch::events_[block].second;
        return block;
    }
};

namespace {

MallocSpy spy;

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

std::wstring ProgramFolder() {
    std::wstring path(32768, L'\0'); // room for the longest path there is
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring BuiltFile(const std::wstring& name) {
    return ProgramFolder() + L"\\" + name;
}

std::wstring UniqueName(const std::wstring& prefix) {
    static int counter = 0;
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return prefix + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter) + L"-" + std::to_wstring(now.QuadPart);
}

TempFolder::TempFolder() {
    const std::filesystem::path temporary = std::filesystem::temp_directory_path();
    std::filesystem::path folder = temporary / UniqueName(L"octolume_test");
    while (!::CreateDirectoryW(folder.c_str(), nullptr)) {
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot make a temporary folder: error " +
                                     std::to_string(::GetLastError()));
        folder = temporary / UniqueName(L"octolume_test");
    }
    // The shell and the engine report the long form of the name.
    wchar_t longName[MAX_PATH]{};
    const DWORD length = ::GetLongPathNameW(folder.c_str(), longName, MAX_PATH);
    path_ = length > 0 && length < MAX_PATH ? longName : folder.wstring();
}

TempFolder::~TempFolder() {
    std::error_code ignored; // a file another process still holds stays behind
    std::filesystem::remove_all(path_, ignored);
}

std::wstring TempFolder::Write(const std::wstring& name, std::string_view bytes) const {
    const std::wstring path = path_ + L"\\" + name;
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
        throw std::runtime_error("cannot write " + ToAnsi(path));
    return path;
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + ToAnsi(path));
    return {std::istreambuf_iterator<char>(file), {}};
}

std::wstring TempFolder::Write(const std::wstring& name,
                               const std::vector<unsigned char>& bytes) const {
    return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::wstring TempFolder::CopyIn(const std::wstring& source, const std::wstring& name) const {
    const std::wstring target = path_ + L"\\" + name;
    std::filesystem::copy_file(source, target);
    return target;
}

void WriteAt(const std::wstring& path, std::uint64_t offset, std::string_view bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open a file to write into");
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    const bool wrote = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                   &position) &&
                       written == bytes.size();
    ::CloseHandle(file);
    if (!wrote)
        throw std::runtime_error("cannot write into a file");
}

std::wstring TempFolder::Zeros(const std::wstring& name, std::uint64_t size) const {
    const std::wstring target = path_ + L"\\" + name;
    const HANDLE file = ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create a file of zeros");
    DWORD returned = 0;
    // Sparse where the file system has it (NTFS); Wine's files on Linux are sparse anyway.
    ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool sized = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    if (!sized)
        throw std::runtime_error("cannot size a file of zeros");
    return target;
}

std::wstring TempFolder::Subfolder(const std::wstring& name) const {
    const std::wstring folder = path_ + L"\\" + name;
    std::filesystem::create_directory(folder);
    return folder;
}

namespace {
// A test program that crashes still shows how far it got: piped output is otherwise held
// in the C runtime's buffer and lost with the process.
const int kUnbufferedOutput = (std::setvbuf(stdout, nullptr, _IONBF, 0), 0);
} // namespace

int TimeScale() {
    static const int scale = [] {
        std::ifstream file(std::filesystem::path(ProgramFolder()) / L".." / L"test-time-scale");
        int number = 0;
        return file >> number && number > 0 ? number : 1;
    }();
    return scale;
}

std::chrono::milliseconds Scaled(std::chrono::milliseconds onANativeMachine) {
    return onANativeMachine * TimeScale();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (; !condition(); ::Sleep(25))
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    return true;
}

std::wstring WindowText(HWND window) {
    // Generous: a long view text crosses processes in one message.
    const auto kTimeoutMs = static_cast<UINT>(Scaled(std::chrono::milliseconds{60000}).count());
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs,
                               &length))
        return {};
    // The length may be an upper bound (code pages); the copy reports the real one.
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(),
                               reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, kTimeoutMs,
                               &copied))
        return {};
    text.resize(copied);
    return text;
}

std::wstring ClipboardText() {
    if (!WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; },
                   Scaled(std::chrono::milliseconds{10000})))
        return L"(the clipboard stayed busy)";
    std::wstring text;
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* locked = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = locked;
            ::GlobalUnlock(data);
        } else {
            text = L"(the clipboard's text could not be locked)";
        }
    }
    ::CloseClipboard();
    return text;
}

bool PutOnClipboard(const std::wstring& text) {
    if (!WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; },
                   Scaled(std::chrono::milliseconds{10000})))
        return false;
    ::EmptyClipboard();
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool put = false;
    if (memory != nullptr) {
        if (auto* locked = static_cast<wchar_t*>(::GlobalLock(memory))) {
            std::copy(text.c_str(), text.c_str() + text.size() + 1, locked);
            ::GlobalUnlock(memory);
            put = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!put)
            ::GlobalFree(memory);
    }
    ::CloseClipboard();
    return put;
}

std::wstring ClassNameOf(HWND window) {
    wchar_t name[256]{};
    const int length = ::GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? length : 0);
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> found;
    ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

MessageBoxCapture::MessageBoxCapture() : previous_(SetMessageBoxFunction(Capture)) {
    boxes_.clear();
    toFail_ = 0;
}

int MessageBoxCapture::Capture(const std::wstring& text, const std::wstring& title, UINT style) {
    if (toFail_ > 0) {
        --toFail_;
        throw AppError(5, L"Invalid procedure call or argument", 0);
    }
    boxes_.push_back({text, title, style});
    return IDOK;
}

AllocatorWatch::AllocatorWatch() {
    events_.clear();
    allocated_.clear();
    registered_ = SUCCEEDED(::CoRegisterMallocSpy(&spy));
}

AllocatorWatch::~AllocatorWatch() {
    if (registered_)
        ::CoRevokeMallocSpy();
}

bool AllocatorWatch::Freed(const void* block) const {
    const auto found = events_.find(block);
    return found != events_.end() && found->second.second >= 1 &&
           found->second.second >= found->second.first;
}

int AllocatorWatch::Outstanding() const {
    int outstanding = 0;
    for (const auto& [block, events] : events_)
        outstanding += std::max(events.first - events.second, 0);
    return outstanding;
}

} // namespace octolume::test
