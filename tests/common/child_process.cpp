#include "child_process.h"

#include "support/text.h"
#include "test_support.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace octolume::test {
namespace {

using std::chrono::milliseconds;

[[noreturn]] void Fail(const std::string& call, DWORD code = ::GetLastError()) {
    throw std::runtime_error(call + " failed with error " + std::to_string(code));
}

template <class Result> Result Checked(Result result, const char* call) {
    if (!result)
        Fail(call);
    return result;
}

// Handles made inheritable for one child exist only while this is held, so a child started
// at the same time from another thread of the test cannot inherit another child's pipes.
SRWLOCK inheritance = SRWLOCK_INIT;
class InheritanceScope {
public:
    InheritanceScope() { ::AcquireSRWLockExclusive(&inheritance); }
    ~InheritanceScope() { ::ReleaseSRWLockExclusive(&inheritance); }
    InheritanceScope(const InheritanceScope&) = delete;
    InheritanceScope& operator=(const InheritanceScope&) = delete;
};

PROCESS_INFORMATION Start(const wchar_t* program, std::wstring commandLine,
                          const std::wstring& folder, STARTUPINFOW startup) {
    PROCESS_INFORMATION started{};
    Checked(::CreateProcessW(program, commandLine.data(), nullptr, nullptr,
                             (startup.dwFlags & STARTF_USESTDHANDLES) != 0, CREATE_NO_WINDOW,
                             nullptr, folder.empty() ? nullptr : folder.c_str(), &startup,
                             &started),
            "CreateProcessW");
    return started;
}

FileHandle OpenInheritable(const std::wstring& name, DWORD access) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    FileHandle handle(::CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inheritable, OPEN_EXISTING, 0, nullptr));
    if (!handle) {
        const DWORD code = ::GetLastError(); // before the conversion can change it
        Fail("CreateFileW " + ToAnsi(name), code);
    }
    return handle;
}

} // namespace

// A pipe of its own for each stream, read with overlapped I/O, which only named pipes offer;
// the first instance of a fresh name, so no other process can be on its end. Returns the
// writing end for the child.
FileHandle ChildProcess::Connect(Pipe& pipe) {
    const std::wstring name = L"\\\\.\\pipe\\" + UniqueName(L"octolume-test");
    pipe.reader.reset(::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, static_cast<DWORD>(pipe.buffer.size()), 0, nullptr));
    if (!pipe.reader)
        Fail("CreateNamedPipeW");
    pipe.readDone.reset(Checked(::CreateEventW(nullptr, TRUE, FALSE, nullptr), "CreateEventW"));
    FileHandle writer = OpenInheritable(name, GENERIC_WRITE);
    pipe.open = true;
    return writer;
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments,
                           ChildOptions options) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::optional<InheritanceScope> inheriting;
    FileHandle input, output, errors; // the child has its own copies once started
    if (options.captureOutput) {
        inheriting.emplace();
        input = OpenInheritable(L"NUL", GENERIC_READ);
        output = Connect(output_);
        errors = Connect(errors_);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input.get();
        startup.hStdOutput = output.get();
        startup.hStdError = errors.get();
    }
    const PROCESS_INFORMATION started =
        Start(program.c_str(), L"\"" + program + L"\" " + arguments, options.folder, startup);
    ::CloseHandle(started.hThread);
    process_.reset(started.hProcess);
    id_ = started.dwProcessId;
    for (Pipe* pipe : {&output_, &errors_})
        if (pipe->open)
            StartRead(*pipe);
}

ChildProcess::~ChildProcess() {
    try {
        End();
    } catch (const std::exception&) {
        // Nothing more can be done for a child that will not end.
    }
    for (Pipe* pipe : {&output_, &errors_})
        if (pipe->open && ::CancelIoEx(pipe->reader.get(), &pipe->pending)) {
            DWORD ignored = 0;
            ::GetOverlappedResult(pipe->reader.get(), &pipe->pending, &ignored, TRUE);
        }
}

void ChildProcess::StartRead(Pipe& pipe) {
    pipe.pending = OVERLAPPED{};
    pipe.pending.hEvent = pipe.readDone.get();
    Checked(::ResetEvent(pipe.readDone.get()), "ResetEvent");
    if (::ReadFile(pipe.reader.get(), pipe.buffer.data(), static_cast<DWORD>(pipe.buffer.size()),
                   nullptr, &pipe.pending))
        return; // done at once; the event is set all the same
    const DWORD error = ::GetLastError();
    if (error == ERROR_BROKEN_PIPE)
        pipe.open = false; // every copy of the writing end is closed
    else if (error != ERROR_IO_PENDING)
        Fail("ReadFile");
}

void ChildProcess::FinishRead(Pipe& pipe) {
    DWORD read = 0;
    if (::GetOverlappedResult(pipe.reader.get(), &pipe.pending, &read, FALSE)) {
        pipe.text.append(pipe.buffer.data(), read);
        StartRead(pipe);
    } else if (::GetLastError() == ERROR_BROKEN_PIPE) {
        pipe.open = false;
    } else {
        Fail("GetOverlappedResult");
    }
}

std::optional<DWORD> ChildProcess::Wait(milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto remaining = [&] {
        const auto left =
            std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        return static_cast<DWORD>(std::max<long long>(left.count(), 0));
    };
    // End of file on both pipes is the proof that every copy of their writing ends, the
    // child's and any it passed on, is closed.
    while (output_.open || errors_.open) {
        Pipe* open[2]{};
        HANDLE events[2]{};
        DWORD count = 0;
        for (Pipe* pipe : {&output_, &errors_})
            if (pipe->open) {
                open[count] = pipe;
                events[count++] = pipe->readDone.get();
            }
        const DWORD signalled = ::WaitForMultipleObjects(count, events, FALSE, remaining());
        if (signalled == WAIT_TIMEOUT)
            return std::nullopt;
        if (signalled >= WAIT_OBJECT_0 + count)
            Fail("WaitForMultipleObjects");
        FinishRead(*open[signalled - WAIT_OBJECT_0]);
    }
    const DWORD ended = ::WaitForSingleObject(process_.get(), remaining());
    if (ended == WAIT_TIMEOUT)
        return std::nullopt;
    if (ended != WAIT_OBJECT_0)
        Fail("WaitForSingleObject");
    DWORD status = 0;
    Checked(::GetExitCodeProcess(process_.get(), &status), "GetExitCodeProcess");
    return status;
}

void ChildProcess::End() {
    if (::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0)
        return;
    // Refused only for a child that has ended meanwhile; the wait tells.
    ::TerminateProcess(process_.get(), 99);
    if (::WaitForSingleObject(process_.get(),
                              static_cast<DWORD>(Scaled(milliseconds{30000}).count())) !=
        WAIT_OBJECT_0)
        Fail("TerminateProcess and the wait for the end");
}

ChildResult RunChild(const std::wstring& program, const std::wstring& arguments,
                     ChildOptions options, milliseconds timeout) {
    options.captureOutput = true;
    ChildProcess child(program, arguments, std::move(options));
    const std::optional<DWORD> status = child.Wait(timeout);
    if (!status) {
        child.End();
        throw std::runtime_error(ToAnsi(program) + " did not end within " +
                                 std::to_string(timeout.count()) + " ms and was ended");
    }
    return {*status, child.Output(), child.Errors()};
}

namespace {
using UnixName = char*(CDECL*)(const wchar_t*);
// Wine's own export, absent from Windows.
UnixName WineUnixName() {
    return reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}
} // namespace

bool UnderWine() {
    return WineUnixName() != nullptr;
}

std::wstring LinuxPath(const std::wstring& windowsPath) {
    const UnixName unixName = WineUnixName();
    if (unixName == nullptr)
        throw std::runtime_error("not under Wine: no Linux paths");
    char* name = Checked(unixName(windowsPath.c_str()), "wine_get_unix_file_name");
    std::wstring path(
        static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, name, -1, path.data(), static_cast<int>(path.size()));
    path.resize(path.empty() ? 0 : path.size() - 1);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return path;
}

bool RunLinuxCommand(const std::wstring& command, milliseconds timeout) {
    static const TempFolder statusFolder;
    static int count = 0;
    const std::wstring status = statusFolder.Path() + L"\\status-" + std::to_wstring(++count),
                       linuxStatus = LinuxPath(status);
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(timeout).count();
    // The status appears whole: written beside, then renamed.
    std::wstring commandLine = L"/bin/sh -c \"timeout " + std::to_wstring(seconds) + L" " +
                               command + L"; echo $? >'" + linuxStatus + L".part' && mv '" +
                               linuxStatus + L".part' '" + linuxStatus + L"'\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const PROCESS_INFORMATION started = Start(nullptr, commandLine, {}, startup);
    if (started.hThread)
        ::CloseHandle(started.hThread);
    if (started.hProcess)
        ::CloseHandle(started.hProcess);
    // Beyond the command's own bound, the time the shell takes to start and to write.
    if (!WaitUntil([&] { return ::GetFileAttributesW(status.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   timeout + Scaled(milliseconds{10000})))
        throw std::runtime_error("the Linux command left no status: " + ToAnsi(command));
    return ReadFileBytes(status).starts_with("0\n");
}

} // namespace octolume::test
