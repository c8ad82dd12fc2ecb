#pragma once
// What the Windows test programs share: their own folder, temporary folders and files,
// bounds for waits, window text, captured message boxes and a watch on the task allocator.

#include "support/message_box.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstddef>
#include <functional>
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

// A name that no other object of this run, of an earlier run or of another test program
// has: the process id (Wine reuses ids after its server restarts), a counter and the time.
// Creating the object must still fail on a clash (CREATE_NEW, FILE_FLAG_FIRST_PIPE_INSTANCE).
std::wstring UniqueName(const std::wstring& prefix);

// A new, empty folder of its own under the temporary folder (made the way mkdtemp makes
// one: a fresh name, created only if nothing has it), removed with everything in it.
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
    // A file of `size` zero bytes, made by setting its end: no byte is written, and where the
    // file system has sparse files none takes room. Returns its full path.
    std::wstring Zeros(const std::wstring& name, std::uint64_t size) const;
    std::wstring Subfolder(const std::wstring& name) const;

private:
    std::wstring path_;
};

// ASCII text (a written-out dump) as the program's UTF-16.
inline std::wstring Wide(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

// A file's bytes; throws if it cannot be read.
std::string ReadFileBytes(const std::wstring& path);

// The factor by which every bound of the tests grows on this machine, measured by test.sh
// (the time of a 32-bit Wine start) and kept in the build folder; 1 without it.
int TimeScale();
// A bound for a wait: what it may take where 32-bit Wine runs natively, times that factor.
std::chrono::milliseconds Scaled(std::chrono::milliseconds onANativeMachine);
// Polls until the condition holds or the time is up; true if it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// The clipboard's Unicode text; a clipboard that another program holds is tried again for a
// bounded while.
std::wstring ClipboardText();
// Puts a text on the clipboard, as another program would; false when it could not.
bool PutOnClipboard(const std::wstring& text);

// Writes bytes into an existing file at an offset (a marker in a file of zeros). Throws
// std::runtime_error.
void WriteAt(const std::wstring& path, std::uint64_t offset, std::string_view bytes);

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
