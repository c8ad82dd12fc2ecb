// octolume-dump on Linux and other POSIX systems.

#include "dump_tool.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace octolume::dump_tool {
namespace {

std::string ErrorText(int code) {
    return std::strerror(code);
}

// The temporary file of a revert into a file, which a signal that ends the program must
// not leave behind (a long revert is often stopped with Ctrl+C). The handler may only
// touch what was set before the flag.
constexpr int kCleanUpSignals[] = {SIGHUP, SIGINT, SIGTERM};
char temporaryPath[PATH_MAX];
volatile sig_atomic_t temporaryExists = 0;

extern "C" void RemoveTemporaryAndEnd(int signal) {
    if (temporaryExists)
        ::unlink(temporaryPath);
    // Ended by the signal itself, as the shell expects, once the handler returns.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void SignalSet(sigset_t& set) {
    sigemptyset(&set);
    for (const int signal : kCleanUpSignals)
        sigaddset(&set, signal);
}

void InstallCleanUpHandlers() {
    struct sigaction handler {};
    handler.sa_handler = RemoveTemporaryAndEnd;
    handler.sa_flags = SA_RESTART;
    SignalSet(handler.sa_mask);
    for (const int signal : kCleanUpSignals) {
        // What the starter ignores stays ignored (nohup, a shell's background job).
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            ::sigaction(signal, &handler, nullptr);
    }
}

// The clean-up signals wait while the temporary file and what the handler knows of it
// change together: made and registered, renamed into place, removed.
class CleanUpSignalsHeld {
public:
    CleanUpSignalsHeld() {
        sigset_t held;
        SignalSet(held);
        ::sigprocmask(SIG_BLOCK, &held, &before_);
    }
    ~CleanUpSignalsHeld() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }
    CleanUpSignalsHeld(const CleanUpSignalsHeld&) = delete;
    CleanUpSignalsHeld& operator=(const CleanUpSignalsHeld&) = delete;

private:
    sigset_t before_;
};

class Descriptor final : public Source, public Sink {
public:
    Descriptor(int descriptor, bool owned) : descriptor_(descriptor), owned_(owned) {}
    ~Descriptor() override {
        if (writer_.joinable()) {
            {
                const std::lock_guard lock(mutex_);
                ending_ = true;
            }
            changed_.notify_all();
            writer_.join();
        }
        if (owned_)
            ::close(descriptor_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    bool Read(unsigned char* into, std::size_t size, std::size_t& read,
              std::string& error) override {
        for (;;) {
            const ssize_t got = ::read(descriptor_, into, size);
            if (got >= 0) {
                read = static_cast<std::size_t>(got);
                return true;
            }
            if (errno != EINTR) {
                error = ErrorText(errno);
                return false;
            }
        }
    }

    std::optional<std::uint64_t> Size() override {
        struct stat status {};
        if (::fstat(descriptor_, &status) != 0 || !S_ISREG(status.st_mode))
            return std::nullopt;
        return static_cast<std::uint64_t>(status.st_size);
    }

    bool Seek(std::uint64_t offset, std::string& error) override {
        if (::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) >= 0)
            return true;
        error = ErrorText(errno);
        return false;
    }

    bool Skip(std::uint64_t count, std::string& error) override {
        if (::lseek(descriptor_, static_cast<off_t>(count), SEEK_CUR) >= 0)
            return true;
        error = ErrorText(errno);
        return false;
    }

    // The hole the position is in, by SEEK_DATA; nothing on file systems that do not
    // know (they say all is data), and nothing when anything fails. The position stays.
    std::uint64_t KnownZeros(std::uint64_t most) override {
        const off_t position = ::lseek(descriptor_, 0, SEEK_CUR);
        if (position < 0)
            return 0;
        off_t data = ::lseek(descriptor_, position, SEEK_DATA);
        const int dataError = errno;
        if (::lseek(descriptor_, position, SEEK_SET) != position)
            return 0;
        if (data < 0) {
            // No data from here on: a hole up to the end, as the file stands now.
            struct stat status {};
            if (dataError != ENXIO || ::fstat(descriptor_, &status) != 0)
                return 0;
            data = status.st_size;
        }
        return data > position
                   ? std::min<std::uint64_t>(static_cast<std::uint64_t>(data - position), most)
                   : 0;
    }

    bool Write(const char* from, std::size_t size, WriteFailure& failure) override {
        return WriteAll(from, size, failure,
                        [&](const char* part, std::size_t left, std::size_t& written) {
                            for (;;) {
                                const ssize_t wrote = ::write(descriptor_, part, left);
                                if (wrote >= 0) {
                                    written = static_cast<std::size_t>(wrote);
                                    return true;
                                }
                                if (errno != EINTR) {
                                    failure.readerGone = errno == EPIPE;
                                    failure.error = ErrorText(errno);
                                    return false;
                                }
                            }
                        });
    }

    // Into a pipe, on a thread of its own: the reader takes one text while the next is
    // made, where otherwise the two would take turns. Elsewhere at once.
    bool WriteSoon(const char* from, std::size_t size, WriteFailure& failure) override {
        if (!IntoAPipe())
            return Write(from, size, failure);
        if (!Settle(failure))
            return false;
        {
            const std::lock_guard lock(mutex_);
            pending_ = {from, size};
            busy_ = true;
            if (!writer_.joinable())
                writer_ = std::thread([this] { WriteHandedOver(); });
        }
        changed_.notify_all();
        return true;
    }

    bool Settle(WriteFailure& failure) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !busy_; });
        if (!handedOverFailure_)
            return true;
        failure = *handedOverFailure_;
        return false;
    }

    bool WriteZeros(std::uint64_t count, WriteFailure& failure) override {
        struct stat status {};
        const int flags = ::fcntl(descriptor_, F_GETFL);
        if (::fstat(descriptor_, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0)
            return Sink::WriteZeros(count, failure);
        // Appended writes go to the end whatever the position: the size makes the hole.
        const bool append = flags & O_APPEND;
        const off_t position = append ? status.st_size : ::lseek(descriptor_, 0, SEEK_CUR);
        if (position < 0)
            return Sink::WriteZeros(count, failure);
        // Bytes the file already has there become zeros, as a plain write makes them.
        const std::uint64_t within = std::min<std::uint64_t>(
            count, static_cast<std::uint64_t>(std::max<off_t>(status.st_size - position, 0)));
        if (!Sink::WriteZeros(within, failure))
            return false;
        if (within == count)
            return true;
        // Past what the file system holds, lseek says only EINVAL.
        const auto tooLarge = [&] {
            failure.error = ErrorText(EFBIG);
            return false;
        };
        constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
        if (count > kLargest - static_cast<std::uint64_t>(position))
            return tooLarge();
        const auto end = static_cast<off_t>(static_cast<std::uint64_t>(position) + count);
        if (append ? ::ftruncate(descriptor_, end) == 0
                   : ::lseek(descriptor_, end, SEEK_SET) == end)
            return true;
        if (errno == EINVAL)
            return tooLarge();
        failure.error = ErrorText(errno);
        return false;
    }

private:
    bool IntoAPipe() {
        if (!pipe_) {
            struct stat status {};
            pipe_ = ::fstat(descriptor_, &status) == 0 && S_ISFIFO(status.st_mode);
        }
        return *pipe_;
    }

    // The writer thread: each text handed over, until the descriptor goes.
    void WriteHandedOver() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return busy_ || ending_; });
            if (!busy_)
                return;
            const std::string_view text = pending_;
            lock.unlock();
            WriteFailure failure;
            const bool written = Write(text.data(), text.size(), failure);
            lock.lock();
            if (!written)
                handedOverFailure_ = failure;
            busy_ = false;
            changed_.notify_all();
        }
    }

    int descriptor_;
    bool owned_;
    std::optional<bool> pipe_;
    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string_view pending_; // handed over, while busy_
    bool busy_ = false;
    bool ending_ = false;
    std::optional<WriteFailure> handedOverFailure_; // stays: nothing more is written after it
};

// The program makes one at a time: the one the signal handler knows.
class TemporaryFile final : public OutputFile {
public:
    // Makes the temporary file beside `target`; false with the reason in `error`.
    bool Create(const std::string& target, bool patch, std::string& error) {
        // Through a link, the file it names is the one that changes.
        std::error_code ignored;
        target_ = std::filesystem::exists(target, ignored)
                      ? std::filesystem::canonical(target, ignored).string()
                      : target;
        if (target_.empty())
            target_ = target;
        struct stat existing {};
        const bool exists = ::stat(target_.c_str(), &existing) == 0;
        if (exists && !S_ISREG(existing.st_mode)) {
            error = "not a regular file";
            return false;
        }
        if (patch && !exists) {
            error = ErrorText(errno);
            return false;
        }
        // A rename needs only the folder's permission. The file's own decides, as for a
        // plain write: a read-only file, or another user's in a folder open to all.
        if (exists && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
            error = ErrorText(errno);
            return false;
        }
        const std::filesystem::path folder = std::filesystem::path(target_).parent_path();
        const std::string temporary =
            (folder.empty() ? std::string(".") : folder.string()) + "/.octolume-dump-XXXXXX";
        if (temporary.size() >= sizeof temporaryPath) {
            error = ErrorText(ENAMETOOLONG);
            return false;
        }
        {
            const CleanUpSignalsHeld held;
            std::memcpy(temporaryPath, temporary.c_str(), temporary.size() + 1);
            descriptor_ = ::mkostemp(temporaryPath, O_CLOEXEC);
            if (descriptor_ < 0) {
                error = ErrorText(errno);
                return false;
            }
            temporaryExists = 1;
        }
        mode_t mode = existing.st_mode & 07777;
        if (exists) {
            // The owner and group stay where the system lets them (as root; a group the
            // user is in), else the file is the user's, as one made anew. Before the
            // mode, which a change of owner would strip of its set-ID bits.
            [[maybe_unused]] const bool kept =
                ::fchown(descriptor_, existing.st_uid, existing.st_gid) == 0 ||
                ::fchown(descriptor_, static_cast<uid_t>(-1), existing.st_gid) == 0;
        } else {
            // The permissions a new file gets.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        if (::fchmod(descriptor_, mode) != 0) {
            error = ErrorText(errno);
            return false;
        }
        if (!patch)
            return true;
        struct stat copied {};
        if (!CopyFrom(error) || ::fstat(descriptor_, &copied) != 0) {
            if (error.empty())
                error = ErrorText(errno);
            return false;
        }
        end_ = static_cast<std::uint64_t>(copied.st_size);
        return true;
    }

    ~TemporaryFile() override {
        if (descriptor_ >= 0)
            ::close(descriptor_);
        const CleanUpSignalsHeld held;
        if (temporaryExists)
            ::unlink(temporaryPath);
        temporaryExists = 0;
    }

    // Zeros past what the file holds so far are a hole already: the next bytes written
    // after them, which a run of zeros always has, set the size.
    bool Fill(std::uint64_t offset, std::span<const unsigned char> pattern, std::uint64_t count,
              WriteFailure& failure) override {
        if (std::all_of(pattern.begin(), pattern.end(), [](unsigned char b) { return b == 0; }))
            count = offset < end_ ? std::min(count, end_ - offset) : 0;
        return OutputFile::Fill(offset, pattern, count, failure);
    }

    bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                 WriteFailure& failure) override {
        end_ = std::max<std::uint64_t>(end_, offset + size);
        return WriteAll(reinterpret_cast<const char*>(from), size, failure,
                        [&](const char* part, std::size_t left, std::size_t& written) {
                            for (;;) {
                                const ssize_t wrote =
                                    ::pwrite(descriptor_, part, left, static_cast<off_t>(offset));
                                if (wrote >= 0) {
                                    written = static_cast<std::size_t>(wrote);
                                    offset += written;
                                    return true;
                                }
                                if (errno != EINTR) {
                                    failure.error = ErrorText(errno);
                                    return false;
                                }
                            }
                        });
    }

    bool Commit(std::string& error) override {
        const int descriptor = descriptor_;
        descriptor_ = -1;
        if (::fsync(descriptor) != 0 || ::close(descriptor) != 0) {
            error = ErrorText(errno);
            return false;
        }
        const CleanUpSignalsHeld held;
        if (::rename(temporaryPath, target_.c_str()) != 0) {
            error = ErrorText(errno);
            return false;
        }
        temporaryExists = 0;
        return true;
    }

private:
    // The bytes of the file to patch, which the patch then changes in the copy.
    bool CopyFrom(std::string& error) {
        const int descriptor = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            error = ErrorText(errno);
            return false;
        }
        Descriptor source(descriptor, true);
        // In the kernel where it can, which file systems that share blocks make nearly free.
        for (;;) {
            const ssize_t moved =
                ::copy_file_range(descriptor, nullptr, descriptor_, nullptr, 1 << 30, 0);
            if (moved == 0)
                return true;
            if (moved > 0 || errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
                error = ErrorText(errno);
                return false;
            }
            break;
        }
        // By hand where it cannot, from where both files stand.
        Descriptor copy(descriptor_, false);
        std::vector<unsigned char> buffer(1 << 20);
        for (;;) {
            std::size_t read = 0;
            if (!source.Read(buffer.data(), buffer.size(), read, error))
                return false;
            if (read == 0)
                return true;
            WriteFailure failure;
            if (!copy.Write(reinterpret_cast<const char*>(buffer.data()), read, failure)) {
                error = failure.error;
                return false;
            }
        }
    }

    std::string target_;
    int descriptor_ = -1;
    std::uint64_t end_ = 0; // of the bytes written so far, or of the copy to patch
};

class PosixSystem final : public System {
public:
    std::unique_ptr<Source> OpenFile(const std::string& name, std::string& error) override {
        const int descriptor = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            error = ErrorText(errno);
            return nullptr;
        }
        auto file = std::make_unique<Descriptor>(descriptor, true);
        struct stat status {};
        if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
            error = kIsAFolder;
            return nullptr;
        }
        ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
        return file;
    }

    std::unique_ptr<Source> StandardInput() override {
        return std::make_unique<Descriptor>(STDIN_FILENO, false);
    }

    Sink& StandardOutput() override { return standardOutput_; }
    Sink& StandardError() override { return standardError_; }

    std::unique_ptr<OutputFile> CreateOutputFile(const std::string& name, bool patch,
                                                 std::string& error) override {
        auto file = std::make_unique<TemporaryFile>();
        if (!file->Create(name, patch, error))
            return nullptr;
        return file;
    }

    std::string_view LineEnd() const override { return "\n"; }
    std::string Shown(const NativeString& text) const override { return text; }
    bool OutputIsTerminal() override { return ::isatty(STDOUT_FILENO) == 1; }
    bool NoColorAsked() override {
        const char* const noColor = std::getenv("NO_COLOR");
        return noColor != nullptr && *noColor != '\0';
    }

private:
    Descriptor standardOutput_{STDOUT_FILENO, false};
    Descriptor standardError_{STDERR_FILENO, false};
};

} // namespace
} // namespace octolume::dump_tool

int main(int argc, char** argv) {
    // A reader that goes away shows up as EPIPE, which ends the dump with status 1,
    // instead of a signal that kills the process. A file grown past the size limit shows
    // up as EFBIG, so a revert removes its temporary file instead of leaving it behind.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
    octolume::dump_tool::InstallCleanUpHandlers();
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    octolume::dump_tool::PosixSystem system;
    return octolume::dump_tool::Run(arguments, system);
}
