#pragma once
// Runs file_holder.exe (from the test program's own folder) on a file, so that the file
// is held with no sharing by another process for as long as the HeldFile lives.

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

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
            L"\"" + HolderPath() + L"\" \"" + path + L"\" \"" + eventName + L"\"";
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

    DWORD ProcessId() const { return GetProcessId(process_.get()); }

    // Ends the holder and waits (bounded) until it is gone, so the file is free again.
    void Stop() {
        if (!process_)
            return;
        TerminateProcess(process_.get(), 0);
        WaitForSingleObject(process_.get(), 10000);
        process_.reset();
    }

private:
    struct HandleCloser {
        void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
    };
    using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

    static unsigned& Counter() {
        static unsigned counter = 0;
        return counter;
    }

    static std::wstring HolderPath() {
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length =
                GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
            if (length < path.size()) {
                path.resize(length);
                break;
            }
            path.resize(path.size() * 2);
        }
        return path.substr(0, path.find_last_of(L'\\') + 1) + L"file_holder.exe";
    }

    UniqueHandle ready_;
    UniqueHandle process_;
};

} // namespace octolume::test
