// octolume-dump on Linux and other POSIX systems.

#include "dump_tool.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace octolume::dump_tool {
namespace {

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
                error = std::strerror(errno);
                return false;
            }
        }
    }

    bool Write(const char* from, std::size_t size, std::string& error, bool& readerGone) override {
        while (size > 0) {
            const ssize_t written = ::write(descriptor_, from, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                readerGone = errno == EPIPE;
                error = std::strerror(errno);
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

class PosixSystem final : public System {
public:
    std::unique_ptr<Source> OpenFile(const std::string& name, std::string& error) override {
        const int descriptor = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            error = std::strerror(errno);
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
    std::string_view LineEnd() const override { return "\n"; }

private:
    Descriptor standardOutput_{STDOUT_FILENO, false};
    Descriptor standardError_{STDERR_FILENO, false};
};

} // namespace
} // namespace octolume::dump_tool

int main(int argc, char** argv) {
    // A reader that goes away shows up as EPIPE, which ends the dump with status 1,
    // instead of a signal that kills the process.
    ::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    octolume::dump_tool::PosixSystem system;
    return octolume::dump_tool::Run(arguments, system);
}
