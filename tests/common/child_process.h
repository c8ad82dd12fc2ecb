#pragma once
// The one way the tests start another program: a child whose end is waited for with a
// bound, whose standard output and error (when asked) are read through pipes to their end,
// and which is ended by its handle if it outlives the test. Every system call is checked:
// a failure throws std::runtime_error naming the call and its error code.

#include "support/owners.h"

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace octolume::test {

struct ChildOptions {
    // The child's current folder; empty: the test's own.
    std::wstring folder{};
    // Standard output and error through pipes, read to their end; standard input from NUL.
    bool captureOutput = false;
};

class ChildProcess {
public:
    // Starts `program` (a full path) with the arguments.
    ChildProcess(const std::wstring& program, const std::wstring& arguments,
                 ChildOptions options = {});
    // Ends the child by its handle if it still runs, and waits for it (bounded).
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    DWORD Id() const noexcept { return id_; }
    HANDLE Handle() const noexcept { return process_.get(); }

    // Waits for the child's end and, when captured, for the end of its output and errors;
    // its exit status, or nothing if that took longer than the time-out.
    std::optional<DWORD> Wait(std::chrono::milliseconds timeout);
    // Ends the child by its handle (if it still runs) and waits until it has.
    void End();

    // What the child wrote; complete once Wait has returned a status.
    const std::string& Output() const noexcept { return output_.text; }
    const std::string& Errors() const noexcept { return errors_.text; }

private:
    // The reading end of one of the child's output pipes, read without blocking.
    struct Pipe {
        FileHandle reader;
        UniqueHandle readDone;
        OVERLAPPED pending{};
        std::vector<char> buffer = std::vector<char>(65536);
        std::string text;
        bool open = false;
    };
    FileHandle Connect(Pipe& pipe);
    void StartRead(Pipe& pipe);
    void FinishRead(Pipe& pipe);

    UniqueHandle process_;
    DWORD id_ = 0;
    Pipe output_, errors_;
};

struct ChildResult {
    DWORD status;
    std::string output;
    std::string errors;
};
// Runs a program to its end with its output and errors captured. A child that takes longer
// than the time-out is ended, and the run throws.
ChildResult RunChild(const std::wstring& program, const std::wstring& arguments,
                     ChildOptions options, std::chrono::milliseconds timeout);

// Whether the test runs under Wine, where Linux commands can be run.
bool UnderWine();
// Runs a Linux command line through /bin/sh, from a Windows test program under Wine; true
// once it has ended with status 0 within the time-out. Wine hands back no handle for a
// Linux child: the command leaves its status in a file of the test's private folder.
bool RunLinuxCommand(const std::wstring& command, std::chrono::milliseconds timeout);
// The Linux path of a Windows path, under Wine.
std::wstring LinuxPath(const std::wstring& windowsPath);

} // namespace octolume::test
