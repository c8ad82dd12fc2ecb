#include "test_support.h"

#include "support/app_error.h"

#include <objbase.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>
#include <utility>

namespace octolume::test {

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search, &entry));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

std::vector<ShownBox> capturedBoxes;
int boxesToFail = 0;

int CaptureBox(const std::wstring& text, const std::wstring& title, UINT style) {
    if (boxesToFail > 0) {
        --boxesToFail;
        throw AppError(5, L"Invalid procedure call or argument", 0);
    }
    capturedBoxes.push_back({text, title, style});
    return IDOK;
}

// Allocations and frees of each address seen since the watch began.
std::map<const void*, std::pair<int, int>> blockEvents;
std::vector<void*> allocatedBlocks;

void Allocated(void* block) {
    if (block) {
        ++blockEvents[block].first;
        allocatedBlocks.push_back(block);
    }
}

void Freeing(void* block) {
    if (block)
        ++blockEvents[block].second;
}

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
    void* STDMETHODCALLTYPE PostAlloc(void* block) override {
        Allocated(block);
        return block;
    }
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override {
        Freeing(block);
        return block;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) override {
        Freeing(block);
        *newBlock = block;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override {
        Allocated(block);
        return block;
    }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

MallocSpy spy;

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path.substr(0, path.find_last_of(L"\\/"));
        }
        path.resize(path.size() * 2);
    }
}

std::wstring BuiltFile(const std::wstring& name) {
    return ProgramFolder() + L"\\" + name;
}

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH]{};
    if (::GetTempPathW(MAX_PATH, temp) == 0)
        throw std::runtime_error("no temporary folder");
    static int counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring candidate = std::wstring(temp) + L"octolume_test_" +
                                       std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                       std::to_wstring(++counter);
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            // The shell and the engine report the long form of the name.
            wchar_t longName[MAX_PATH]{};
            const DWORD length = ::GetLongPathNameW(candidate.c_str(), longName, MAX_PATH);
            path_ = length > 0 && length < MAX_PATH ? longName : candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

std::wstring TempFolder::Write(const std::wstring& name, std::string_view bytes) const {
    const std::wstring path = path_ + L"\\" + name;
    std::ofstream(path.c_str(), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::wstring TempFolder::Write(const std::wstring& name,
                               const std::vector<unsigned char>& bytes) const {
    return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::wstring TempFolder::CopyIn(const std::wstring& source, const std::wstring& name) const {
    const std::wstring target = path_ + L"\\" + name;
    if (!::CopyFileW(source.c_str(), target.c_str(), FALSE))
        throw std::runtime_error("cannot copy a file into the temporary folder");
    return target;
}

std::wstring TempFolder::Subfolder(const std::wstring& name) const {
    const std::wstring folder = path_ + L"\\" + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring WindowText(HWND window) {
    // Generous: a long view text crosses processes in one message.
    constexpr UINT kTimeoutMs = 60000;
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

MessageBoxCapture::MessageBoxCapture() : previous_(SetMessageBoxFunction(CaptureBox)) {
    capturedBoxes.clear();
    boxesToFail = 0;
}

MessageBoxCapture::~MessageBoxCapture() {
    SetMessageBoxFunction(previous_);
}

const std::vector<ShownBox>& MessageBoxCapture::Boxes() const {
    return capturedBoxes;
}

void MessageBoxCapture::FailNext(int failures) {
    boxesToFail = failures;
}

AllocatorWatch::AllocatorWatch() {
    blockEvents.clear();
    allocatedBlocks.clear();
    registered_ = SUCCEEDED(::CoRegisterMallocSpy(&spy));
}

AllocatorWatch::~AllocatorWatch() {
    if (registered_)
        ::CoRevokeMallocSpy();
}

bool AllocatorWatch::Freed(const void* block) const {
    const auto found = blockEvents.find(block);
    return found != blockEvents.end() && found->second.second >= 1 &&
           found->second.second >= found->second.first;
}

int AllocatorWatch::Outstanding() const {
    int outstanding = 0;
    for (const auto& [block, events] : blockEvents)
        outstanding += std::max(events.first - events.second, 0);
    return outstanding;
}

const std::vector<void*>& AllocatorWatch::Allocated() const {
    return allocatedBlocks;
}

} // namespace octolume::test
