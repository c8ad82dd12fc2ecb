#pragma once
// What the Windows test programs share: their own folder, temporary folders and files,
// window text, captured message boxes and a watch on the task allocator.

#include "support/message_box.h"

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace octolume::test {

// The box the program shows for a file it cannot dump, written out as the user reads it.
constexpr wchar_t kUnableText[] =
    L"Unable to load file contents.\r\n\r\nPossible reasons include:\r\n"
    L"1) The file has no contents.\r\n2) The file is in use.";

// The folder of the running test program: the build's bin folder, where the program,
// its engine and the test programs sit side by side.
std::wstring ProgramFolder();
// A file of that folder.
std::wstring BuiltFile(const std::wstring& name);

// A fresh, empty folder under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const noexcept { return path_; }
    // Writes a file of these bytes; returns its full path.
    std::wstring Write(const std::wstring& name, std::string_view bytes) const;
    std::wstring Write(const std::wstring& name, const std::vector<unsigned char>& bytes) const;
    // Copies a file in under the given name; returns the copy's full path.
    std::wstring CopyIn(const std::wstring& source, const std::wstring& name) const;
    std::wstring Subfolder(const std::wstring& name) const;

private:
    std::wstring path_;
};

// The factor by which waits for the program grow where Windows programs run slower than
// usual (OCTOLUME_TEST_TIME_SCALE: 32-bit Wine under an emulator); 1 elsewhere.
int TimeScale();

// A window's text, also of another process's window (bounded wait).
std::wstring WindowText(HWND window);
std::wstring ClassNameOf(HWND window);
// Every descendant window, in the order the system lists them.
std::vector<HWND> Descendants(HWND parent);

struct ShownBox {
    std::wstring text;
    std::wstring title;
    UINT style;
};

// Captures every message box the program would show while it lives; the next
// `failures` boxes fail (the box function throws) instead of showing.
class MessageBoxCapture {
public:
    MessageBoxCapture();
    ~MessageBoxCapture() { SetMessageBoxFunction(previous_); }
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    void FailNext(int failures) { toFail_ = failures; }

private:
    static int Capture(const std::wstring& text, const std::wstring& title, UINT style);
    static inline std::vector<ShownBox> boxes_;
    static inline int toFail_ = 0;
    MessageBoxFunction previous_;
};

// Watches the COM task allocator while it lives. Strings (BSTR) go through it only
// when the OANOCACHE environment variable turns the string cache off.
class AllocatorWatch {
public:
    AllocatorWatch();
    ~AllocatorWatch();
    AllocatorWatch(const AllocatorWatch&) = delete;
    AllocatorWatch& operator=(const AllocatorWatch&) = delete;

    // Freed at least as often as allocated since the watch began (a block from before
    // the watch counts as freed after one free).
    bool Freed(const void* block) const;
    // Blocks allocated and not yet freed since the watch began.
    int Outstanding() const;
    // Every block allocated since the watch began, in order.
    const std::vector<void*>& Allocated() const { return allocated_; }

private:
    friend class MallocSpy;
    // Allocations and frees of each address seen since the watch began.
    static inline std::map<const void*, std::pair<int, int>> events_;
    static inline std::vector<void*> allocated_;
    bool registered_;
};

} // namespace octolume::test
