// octolume-dump on Linux and other POSIX systems.

#include "dump_tool.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace octolume::dump_tool {
namespace {

std::string ErrorText(int code) {
    return std::strerror(code);
}

class Descriptor final : public Source, public Sink {
public:
    Descriptor(int descriptor, bool owned) : descriptor_(descriptor), owned_(owned) {}
    ~Descriptor() override {
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

    bool Write(const char* from, std::size_t size, WriteFailure& failure) override {
        while (size > 0) {
            const ssize_t written = ::write(descriptor_, from, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                failure.readerGone = errno == EPIPE;
                failure.error = ErrorText(errno);
                return false;
            }
            from += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

private:
    int descriptor_;
    bool owned_;
};

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
        const std::filesystem::path folder = std::filesystem::path(target_).parent_path();
        temporary_ =
            (folder.empty() ? std::string(".") : folder.string()) + "/.octolume-dump-XXXXXX";
        descriptor_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
        if (descriptor_ < 0) {
            error = ErrorText(errno);
            temporary_.clear();
            return false;
        }
        // The permissions the file has, or that a new file gets.
        mode_t mode = existing.st_mode & 07777;
        if (!exists) {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        if (::fchmod(descriptor_, mode) != 0) {
            error = ErrorText(errno);
            return false;
        }
        return !patch || CopyFrom(error);
    }

    ~TemporaryFile() override {
        if (descriptor_ >= 0)
            ::close(descriptor_);
        if (!temporary_.empty())
            ::unlink(temporary_.c_str());
    }

    bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                 WriteFailure& failure) override {
        while (size > 0) {
            const ssize_t written = ::pwrite(descriptor_, from, size, static_cast<off_t>(offset));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                failure.error = ErrorText(errno);
                return false;
            }
            from += written;
            offset += static_cast<std::uint64_t>(written);
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

    bool Commit(std::string& error) override {
        const int descriptor = descriptor_;
        descriptor_ = -1;
        if (::fsync(descriptor) != 0 || ::close(descriptor) != 0 ||
            ::rename(temporary_.c_str(), target_.c_str()) != 0) {
            error = ErrorText(errno);
            return false;
        }
        temporary_.clear();
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
    std::string temporary_;
    int descriptor_ = -1;
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
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    octolume::dump_tool::PosixSystem system;
    return octolume::dump_tool::Run(arguments, system);
}
