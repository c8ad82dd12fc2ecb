#pragma once
// Runs file_holder.exe (from the test program's own folder) on a file, so that the file
// is held with no sharing by another process for as long as the HeldFile lives.

#include "support/owners.h"
#include "test_support.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace octolume::test {

class HeldFile {
public:
    explicit HeldFile(const std::wstring& path, DWORD timeoutMs = 30000) {
        const std::wstring eventName = L"octolume-file-holder-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(++Counter());
        ready_.reset(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
        if (!ready_)
            throw std::runtime_error("HeldFile: CreateEventW failed");

        std::wstring commandLine =
            L"\"" + BuiltFile(L"file_holder.exe") + L"\" \"" + path + L"\" \"" + eventName + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &started))
            throw std::runtime_error("HeldFile: cannot start file_holder.exe");
        CloseHandle(started.hThread);
        process_.reset(started.hProcess);

        const HANDLE waitFor[] = {ready_.get(), process_.get()};
        const DWORD woken = WaitForMultipleObjects(2, waitFor, FALSE, timeoutMs);
        if (woken != WAIT_OBJECT_0) {
            Stop();
            throw std::runtime_error(woken == WAIT_OBJECT_0 + 1
                                         ? "HeldFile: file_holder.exe ended without holding"
                                         : "HeldFile: file_holder.exe did not get ready");
        }
    }

    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile() { Stop(); }

    // Ends the holder and waits (bounded) until it is gone, so the file is free again.
    void Stop() {
        if (!process_)
            return;
        TerminateProcess(process_.get(), 0);
        WaitForSingleObject(process_.get(), 10000);
        process_.reset();
    }

private:
    static unsigned& Counter() {
        static unsigned counter = 0;
        return counter;
    }

    UniqueHandle ready_;
    UniqueHandle process_;
};

} // namespace octolume::test
