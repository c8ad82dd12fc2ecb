#pragma once
// Runs file_holder.exe (from the test program's own folder) on a file, so that another
// process holds the file with no sharing for as long as the HeldFile lives.

#include "child_process.h"
#include "support/owners.h"
#include "test_support.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace octolume::test {

class HeldFile {
public:
    explicit HeldFile(const std::wstring& path)
        : ready_(ReadyEvent()),
          holder_(BuiltFile(L"file_holder.exe"), L"\"" + path + L"\" \"" + event_ + L"\"") {
        // Ready, or ended without holding the file, or stuck: bounded either way.
        const HANDLE waitFor[] = {ready_.get(), holder_.Handle()};
        if (WaitForMultipleObjects(2, waitFor, FALSE,
                                   static_cast<DWORD>(Scaled(std::chrono::seconds{30}).count())) !=
            WAIT_OBJECT_0)
            throw std::runtime_error("file_holder.exe does not hold the file");
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    // Ends the holder and waits (bounded) until it is gone, so the file is free again.
    ~HeldFile() = default;

private:
    UniqueHandle ReadyEvent() {
        event_ = UniqueName(L"octolume-file-holder");
        UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, event_.c_str()));
        if (!event || GetLastError() == ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot make the holder's event");
        return event;
    }

    std::wstring event_;
    UniqueHandle ready_;
    ChildProcess holder_;
};

} // namespace octolume::test
