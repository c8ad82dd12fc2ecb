#pragma once
// octolume-dump: the engine's dump on the command line, for any size of input, read and
// written in pieces so memory stays the same whatever the size. The system's side
// (files, standard streams, messages) comes from a System of each platform.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace octolume::dump_tool {

inline constexpr std::string_view kProgramName = "octolume-dump";
inline constexpr std::string_view kVersion = "2.00";
// Bytes read at a time: a multiple of 16, so every piece but the last ends on a line.
inline constexpr std::size_t kReadSize = 256 * 1024;

enum ExitStatus : int { kSuccess = 0, kFailure = 1, kUsageError = 2 };

// Where the bytes come from.
class Source {
public:
    virtual ~Source() = default;
    // Reads up to `size` bytes; `read` is 0 at the end. False on an error, described in
    // `error`.
    virtual bool Read(unsigned char* into, std::size_t size, std::size_t& read,
                      std::string& error) = 0;
};

// Where the text goes.
class Sink {
public:
    virtual ~Sink() = default;
    // Writes all of it. False on an error, described in `error`; `readerGone` when the
    // other end of a pipe was closed, which is no news to the user who closed it.
    virtual bool Write(const char* from, std::size_t size, std::string& error,
                       bool& readerGone) = 0;
};

class System {
public:
    virtual ~System() = default;
    // A file (or FIFO) by name; null with the reason in `error`, which for a folder is
    // exactly kIsAFolder.
    virtual std::unique_ptr<Source> OpenFile(const std::string& name, std::string& error) = 0;
    virtual std::unique_ptr<Source> StandardInput() = 0;
    virtual Sink& StandardOutput() = 0;
    virtual Sink& StandardError() = 0;
    // The platform's line break, for messages.
    virtual std::string_view LineEnd() const = 0;
};

inline constexpr std::string_view kIsAFolder = "is a folder";

// Runs the program on its arguments (without the program's own name); the exit status.
int Run(std::span<const std::string> arguments, System& system);

// The header and then the lines of everything `source` gives, written to `sink`.
enum class StreamOutcome { kDone, kReadFailed, kWriteFailed };
struct StreamResult {
    StreamOutcome outcome = StreamOutcome::kDone;
    std::string error;
    bool readerGone = false;
};
StreamResult StreamDump(Source& source, Sink& sink);

} // namespace octolume::dump_tool
