#pragma once
// Runs file_holder.exe (from the test program's own folder) on a file, so that another
// process holds the file with no sharing for as long as the HeldFile lives.

#include "support/owners.h"
#include "test_support.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace octolume::test {

class HeldFile {
public:
    explicit HeldFile(const std::wstring& path) {
        static int counter = 0;
        const std::wstring event = L"octolume-file-holder-" +
                                   std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(++counter);
        ready_.reset(CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
        std::wstring commandLine =
            L"\"" + BuiltFile(L"file_holder.exe") + L"\" \"" + path + L"\" \"" + event + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!ready_ || !CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                                       CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started))
            throw std::runtime_error("cannot start file_holder.exe");
        CloseHandle(started.hThread);
        process_.reset(started.hProcess);
        // Ready, or ended without holding the file, or stuck: bounded either way.
        const HANDLE waitFor[] = {ready_.get(), process_.get()};
        if (WaitForMultipleObjects(2, waitFor, FALSE, 30000) != WAIT_OBJECT_0) {
            Stop();
            throw std::runtime_error("file_holder.exe does not hold the file");
        }
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    // Ends the holder and waits (bounded) until it is gone, so the file is free again.
    ~HeldFile() { Stop(); }

private:
    void Stop() {
        if (TerminateProcess(process_.get(), 0))
            WaitForSingleObject(process_.get(), 10000);
    }

    UniqueHandle ready_;
    UniqueHandle process_;
};

} // namespace octolume::test
