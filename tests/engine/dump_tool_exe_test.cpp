// octolume-dump.exe, the Windows build of the command-line dump, started from beside
// this test with its output read through pipes. The native tests cover the rest.

#include "expected_dumps.h"
#include "support/owners.h"
#include "test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace octolume::test {
namespace {

std::string ReadToEnd(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

struct Outcome {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string error;
};

// Both ends of a pipe; only the write end is inherited.
struct Pipe {
    UniqueHandle read, write;
    Pipe() {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        if (CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
            read.reset(readEnd);
            write.reset(writeEnd);
            SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        }
    }
};

Outcome RunTool(const std::wstring& arguments) {
    Outcome outcome;
    Pipe out, error;
    if (!out.write || !error.write)
        return outcome;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.write.get();
    startup.hStdError = error.write.get();
    const std::wstring program = BuiltFile(L"octolume-dump.exe");
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &child);
    // Only the child holds the write ends now, so the reads end when it does.
    out.write.reset();
    error.write.reset();
    if (started) {
        const UniqueHandle process(child.hProcess), thread(child.hThread);
        outcome.out = ReadToEnd(out.read.get());
        outcome.error = ReadToEnd(error.read.get());
        if (WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.get(), &outcome.exitCode);
        else
            TerminateProcess(process.get(), 1);
    }
    return outcome;
}

TEST(DumpToolExe, DumpsAFileInTheEnginesLayoutAndReportsAMissingOne) {
    TempFolder folder;
    const std::wstring path = folder.Write(L"pattern.bin", PatternBytes(33));

    Outcome outcome = RunTool(L"\"" + path + L"\"");
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(outcome.out, kPattern33Dump);
    EXPECT_EQ(outcome.error, "");

    DeleteFileW(path.c_str());
    outcome = RunTool(L"\"" + path + L"\"");
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.error.rfind("octolume-dump: cannot open '", 0), 0u) << outcome.error;
    EXPECT_EQ(outcome.error.find('\n'), outcome.error.size() - 1) << "one line";
}

} // namespace
} // namespace octolume::test
