// octolume-dump.exe, the Windows build of the command-line dump, started from beside
// this test with its output read through pipes. The native tests cover the rest.

#include "expected_dumps.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace octolume {
namespace {

std::wstring BinFolder() {
    wchar_t path[MAX_PATH]{};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring full(path, length);
    return full.substr(0, full.find_last_of(L'\\') + 1);
}

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

Outcome RunTool(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE outRead, outWrite, errorRead, errorWrite;
    Outcome outcome;
    if (!CreatePipe(&outRead, &outWrite, &inheritable, 0))
        return outcome;
    if (!CreatePipe(&errorRead, &errorWrite, &inheritable, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return outcome;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errorRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errorWrite;
    const std::wstring program = BinFolder() + L"octolume-dump.exe";
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &child);
    CloseHandle(outWrite);
    CloseHandle(errorWrite);
    if (started) {
        outcome.out = ReadToEnd(outRead);
        outcome.error = ReadToEnd(errorRead);
        if (WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(child.hProcess, &outcome.exitCode);
        else
            TerminateProcess(child.hProcess, 1);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errorRead);
    return outcome;
}

TEST(DumpToolExe, DumpsAFileInTheEnginesLayoutAndReportsAMissingOne) {
    wchar_t temp[MAX_PATH]{};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path =
        std::wstring(temp) + L"octolume-dump-exe-" + std::to_wstring(GetCurrentProcessId());
    const std::vector<unsigned char> bytes = test::PatternBytes(33);
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);

    Outcome outcome = RunTool(L"\"" + path + L"\"");
    DeleteFileW(path.c_str());
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(outcome.out, test::kPattern33Dump);
    EXPECT_EQ(outcome.error, "");

    outcome = RunTool(L"\"" + path + L"\"");
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.error.rfind("octolume-dump: cannot open '", 0), 0u) << outcome.error;
    EXPECT_EQ(outcome.error.find('\n'), outcome.error.size() - 1) << "one line";
}

} // namespace
} // namespace octolume
