#pragma once
// octolume-dump: the engine's dump on the command line, for any size of input, read and
// written in pieces so memory stays the same whatever the size, and the way back from
// such a dump to bytes. The system's side (files, standard streams, messages) comes from
// a System of each platform.

#include "engine/core/dump_layout.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace octolume::dump_tool {

// Arguments and file names as the system hands them over and takes them back: UTF-16 on
// Windows, where a name may hold what no other encoding does (a lone surrogate), bytes
// elsewhere.
#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
using NativeString = std::basic_string<NativeChar>;

inline constexpr std::string_view kProgramName = "octolume-dump";
inline constexpr std::string_view kVersion = "2.00";
// Bytes read at a time: whole dump lines, so every piece but the last ends on a line.
inline constexpr std::size_t kReadSize = 16384 * dump_layout::kBytesPerLine;

enum ExitStatus : int { kSuccess = 0, kFailure = 1, kUsageError = 2 };

// Where the bytes come from.
class Source {
public:
    virtual ~Source() = default;
    // Reads up to `size` bytes; `read` is 0 at the end. False on an error, described in
    // `error`.
    virtual bool Read(unsigned char* into, std::size_t size, std::size_t& read,
                      std::string& error) = 0;
    // The size of a regular file, whose reads can start anywhere; nothing for pipes,
    // FIFOs and terminals, which are read from where they stand.
    virtual std::optional<std::uint64_t> Size() { return std::nullopt; }
    // Moves to `offset` of a source that has a Size.
    virtual bool Seek(std::uint64_t /*offset*/, std::string& /*error*/) { return false; }
    // How many of the bytes from where the source stands it knows to be zeros without
    // reading them (a hole of a sparse file), at most `most`; 0 when it knows of none. Only
    // a source that has a Size knows any.
    virtual std::uint64_t KnownZeros(std::uint64_t /*most*/) { return 0; }
    // Moves on by `count` bytes of a source that has a Size, from where it stands (which
    // for standard input need not be the file's start).
    virtual bool Skip(std::uint64_t /*count*/, std::string& /*error*/) { return false; }
};

// Why a write failed. `readerGone` when the other end of a pipe was closed, which is no
// news to the user who closed it.
struct WriteFailure {
    std::string error;
    bool readerGone = false;
};

// The message of a write that took no bytes and gave no error: tried again, it would
// most likely take none again, for ever.
inline constexpr std::string_view kWroteNothing = "the output took no bytes";

// The loop of every write: `writeSome(from, size, written)` writes a part of what is left
// and says how much, or returns false with the error in `failure`.
template <class WriteSome>
bool WriteAll(const char* from, std::size_t size, WriteFailure& failure, WriteSome&& writeSome) {
    while (size > 0) {
        std::size_t written = 0;
        if (!writeSome(from, size, written))
            return false;
        if (written == 0) {
            failure.error = kWroteNothing;
            return false;
        }
        from += written;
        size -= written;
    }
    return true;
}

// Where the text goes.
class Sink {
public:
    virtual ~Sink() = default;
    // Writes all of it; false on an error.
    virtual bool Write(const char* from, std::size_t size, WriteFailure& failure) = 0;
    // Writes `count` zero bytes. A regular file takes those past its end as a hole
    // instead, so a gap of any size costs neither time nor disk.
    virtual bool WriteZeros(std::uint64_t count, WriteFailure& failure);
    // Writes all of it, perhaps only after returning, while the caller makes its next
    // text: the text must stay as it is until the next WriteSoon or Settle returns. False
    // with the failure of this write or of the one before. By default at once.
    virtual bool WriteSoon(const char* from, std::size_t size, WriteFailure& failure) {
        return Write(from, size, failure);
    }
    // Waits until what WriteSoon took is written; false with its failure.
    virtual bool Settle(WriteFailure& /*failure*/) { return true; }
};

// Where reverted bytes go: each piece at its own offset.
class ByteTarget {
public:
    virtual ~ByteTarget() = default;
    // False when the target is a stream that only goes on from where it is.
    virtual bool CanGoBack() const = 0;
    virtual bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                         WriteFailure& failure) = 0;
    // `count` bytes from `offset` that repeat `pattern` (not empty) from its start.
    virtual bool Fill(std::uint64_t offset, std::span<const unsigned char> pattern,
                      std::uint64_t count, WriteFailure& failure);
};

// A file written through a temporary one beside it, so the file is all or nothing: it
// takes the new bytes at Commit, and until then, or when the object goes without a
// Commit, it stays exactly as it was (or absent).
class OutputFile : public ByteTarget {
public:
    bool CanGoBack() const override { return true; }
    virtual bool Commit(std::string& error) = 0;
};

class System {
public:
    virtual ~System() = default;
    // A file (or FIFO) by name; null with the reason in `error`, which for a folder is
    // exactly kIsAFolder.
    virtual std::unique_ptr<Source> OpenFile(const NativeString& name, std::string& error) = 0;
    virtual std::unique_ptr<Source> StandardInput() = 0;
    virtual Sink& StandardOutput() = 0;
    virtual Sink& StandardError() = 0;
    // The output of a revert. With `patch`, the file must exist and starts as a copy of
    // its bytes; otherwise it starts empty. Null with the reason in `error`.
    virtual std::unique_ptr<OutputFile> CreateOutputFile(const NativeString& name, bool patch,
                                                         std::string& error) = 0;
    // The platform's line break, for messages.
    virtual std::string_view LineEnd() const = 0;
    // An argument or name as messages show it, in UTF-8.
    virtual std::string Shown(const NativeString& text) const = 0;
    // Whether standard output is a terminal (a console).
    virtual bool OutputIsTerminal() = 0;
    // Whether the environment's NO_COLOR is set to something.
    virtual bool NoColorAsked() = 0;
    // Makes the terminal of standard output show colour codes; false where it cannot.
    virtual bool TerminalShowsColor() { return true; }
};

inline constexpr std::string_view kIsAFolder = "is a folder";

// Runs the program on its arguments (without the program's own name); the exit status.
int Run(std::span<const NativeString> arguments, System& system);

inline constexpr std::uint64_t kToTheEnd = std::numeric_limits<std::uint64_t>::max();

// The header and then the lines of at most `length` bytes `source` gives from where it
// stands, the first of which sits at `firstOffset` in the file, written to `sink`.
enum class StreamOutcome { kDone, kReadFailed, kWriteFailed };
struct StreamResult {
    StreamOutcome outcome = StreamOutcome::kDone;
    std::string error;
    bool readerGone = false;
};
// In colour or not; squeezed: a line equal to the one before it (all 16 bytes) is written
// once, the run after it as one line "*", and the run's last line only when it is the
// dump's last. Squeezed, the zeros a source knows of are not read.
struct DumpStyle {
    bool color = false;
    bool squeeze = false;
};
inline constexpr std::string_view kRepeatLine = "*\r\n";
StreamResult StreamDump(Source& source, Sink& sink, std::uint64_t firstOffset = 0,
                        std::uint64_t length = kToTheEnd, DumpStyle style = {});

} // namespace octolume::dump_tool
