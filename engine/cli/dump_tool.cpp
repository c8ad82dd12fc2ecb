#include "dump_tool.h"

#include "dump_revert.h"
#include "engine/core/dump_colors.h"
#include "engine/core/dump_format.h"
#include "engine/core/number_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace octolume::dump_tool {

namespace {

// In step with the manual page, octolume-dump.1.
constexpr std::string_view kUsage =
    "Usage: octolume-dump [-a] [--color[=WHEN]] [-s OFFSET] [-l N] [FILE]\n"
    "       octolume-dump -r [-o OUTPUT [--patch]] [DUMP]\n"
    "Writes the hexadecimal dump of FILE to standard output, in the layout of the\n"
    "Octolume32 viewer: a header line, then one line per 16 bytes (offset, bytes in\n"
    "hex, printable characters), every line ending in CR LF. With no FILE, or when\n"
    "FILE is -, reads standard input; pipes and FIFOs are read the same way.\n"
    "With -r, turns such a dump back into bytes.\n"
    "\n"
    "  -a, --squeeze       write a line equal to the one before it once, and the run\n"
    "                      after it as one line '*'; the next different line, or the\n"
    "                      last, shows its offset; the zeros of a sparse file's holes\n"
    "                      are not even read\n"
    "      --color[=WHEN]  colour the bytes by class: WHEN is auto (the default: only\n"
    "                      on a terminal, and not when NO_COLOR is set), always (the\n"
    "                      same as --color alone) or never; --colour too\n"
    "  -s, --skip OFFSET   start at byte OFFSET, the first line's offset; a negative\n"
    "                      OFFSET counts back from the end of a regular file\n"
    "  -l, --length N      dump at most N bytes\n"
    "  -r, --revert        read a dump (CR LF, LF or CR line ends) and write its\n"
    "                      bytes, each line's at the line's offset; the header, the\n"
    "                      viewer's size line and the printable characters are\n"
    "                      left aside; a '*' line repeats the line before it up to\n"
    "                      the next line's offset\n"
    "  -o, --output OUTPUT with -r: write the bytes into the file OUTPUT instead of\n"
    "                      standard output; OUTPUT changes only when all went well,\n"
    "                      and not at all when the user may not write it\n"
    "      --patch         with -o: OUTPUT exists, and only the dumped bytes change\n"
    "  -h, --help          show this help and exit\n"
    "  -V, --version       show the version and exit\n"
    "  --                  take what follows as a file name, even if it starts\n"
    "                      with -\n"
    "\n"
    "OFFSET and N are decimal, or hexadecimal after 0x, and may end in K, M or G\n"
    "(times 1024, 1024^2, 1024^3). On standard output, the bytes before the first\n"
    "line's offset and in a gap between lines' offsets are zero bytes (a hole in a\n"
    "regular file).\n"
    "\n"
    "Colours: NUL dark grey, printable ASCII cyan, ASCII white space (tab, LF, VT,\n"
    "FF, CR, space) green, other ASCII controls magenta, bytes above 7F yellow; the\n"
    "offsets and the header dim.\n"
    "\n"
    "Exit status: 0 on success; 1 when the input could not be read or is not a\n"
    "dump, a line of a dump is malformed or the output could not be written; 2 for\n"
    "wrong arguments and for an OFFSET outside the file.\n";

constexpr std::size_t kLine = dump_layout::kBytesPerLine;

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
}

// One line to standard error, after the program's name. A message that cannot be written
// has nowhere else to go.
void Report(System& system, const std::string& message) {
    const std::string line =
        std::string(kProgramName) + ": " + message + std::string(system.LineEnd());
    WriteFailure ignored;
    system.StandardError().Write(line.data(), line.size(), ignored);
}

int UsageError(System& system, const std::string& what) {
    Report(system, what + " (try --help)");
    return kUsageError;
}

bool WriteText(Sink& sink, std::string_view text, StreamResult& result) {
    WriteFailure failure;
    if (sink.Write(text.data(), text.size(), failure))
        return true;
    result.outcome = StreamOutcome::kWriteFailed;
    result.error = failure.error;
    result.readerGone = failure.readerGone;
    return false;
}

// Whether an argument is this ASCII text, or starts with it.
bool Is(const NativeString& argument, std::string_view ascii) {
    return std::equal(argument.begin(), argument.end(), ascii.begin(), ascii.end(),
                      [](NativeChar a, char b) { return a == static_cast<NativeChar>(b); });
}
bool StartsWith(const NativeString& argument, std::string_view ascii) {
    return argument.size() >= ascii.size() && Is(argument.substr(0, ascii.size()), ascii);
}

enum class ColorChoice { kAuto, kAlways, kNever };

struct Options {
    NativeString name; // empty: standard input
    bool revert = false;
    bool patch = false;
    bool squeeze = false;
    ColorChoice color = ColorChoice::kAuto;
    std::optional<NativeString> output;
    std::optional<std::string> skip; // as written, for messages
    bool skipFromEnd = false;
    std::uint64_t skipCount = 0;
    std::optional<std::uint64_t> length;
};

// The options, or an exit status when there is nothing more to do.
std::optional<int> ParseArguments(std::span<const NativeString> arguments, System& system,
                                  Options& options) {
    bool haveName = false, optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const NativeString& argument = arguments[i];
        const std::string shown = system.Shown(argument);
        // The option of a value, or none; the value after '=', glued on, or next.
        std::string_view option;
        NativeString value;
        bool hasValue = false;
        if (!optionsEnded) {
            for (const std::string_view name :
                 {"-s", "--skip", "-l", "--length", "-o", "--output"}) {
                const std::string glued = std::string(name) + (name.size() > 2 ? "=" : "");
                if (Is(argument, name)) {
                    if (i + 1 == arguments.size())
                        return UsageError(system, "option " + shown + " needs a value");
                    value = arguments[++i];
                } else if (StartsWith(argument, glued)) {
                    value = argument.substr(glued.size());
                } else {
                    continue;
                }
                option = name;
                hasValue = true;
                break;
            }
        }
        if (hasValue) {
            if (option == "-o" || option == "--output") {
                options.output = value;
                continue;
            }
            const bool skip = option == "-s" || option == "--skip";
            const bool fromEnd = skip && StartsWith(value, "-");
            const ParsedNumber count =
                ParseNumber(std::basic_string_view<NativeChar>(value).substr(fromEnd ? 1 : 0),
                            {.base = 10, .sizeSuffix = true});
            if (count.problem != NumberProblem::kNone)
                return UsageError(system, "malformed number " + Quoted(system.Shown(value)) +
                                              " for " + std::string(option));
            if (skip) {
                options.skip = system.Shown(value);
                options.skipFromEnd = fromEnd;
                options.skipCount = count.value;
            } else {
                options.length = count.value;
            }
        } else if (optionsEnded) {
            if (haveName)
                return UsageError(system, "one file at a time");
            haveName = true;
            options.name = argument;
        } else if (Is(argument, "-h") || Is(argument, "--help")) {
            StreamResult result;
            return WriteText(system.StandardOutput(), kUsage, result) ? kSuccess : kFailure;
        } else if (Is(argument, "-V") || Is(argument, "--version")) {
            const std::string line =
                std::string(kProgramName) + " " + std::string(kVersion) + " (Octolume32)\n";
            StreamResult result;
            return WriteText(system.StandardOutput(), line, result) ? kSuccess : kFailure;
        } else if (Is(argument, "-r") || Is(argument, "--revert")) {
            options.revert = true;
        } else if (Is(argument, "-a") || Is(argument, "--squeeze")) {
            options.squeeze = true;
        } else if (Is(argument, "--patch")) {
            options.patch = true;
        } else if (Is(argument, "--color") || Is(argument, "--colour")) {
            options.color = ColorChoice::kAlways;
        } else if (StartsWith(argument, "--color=") || StartsWith(argument, "--colour=")) {
            const NativeString when = argument.substr(argument.find(NativeChar('=')) + 1);
            if (Is(when, "auto"))
                options.color = ColorChoice::kAuto;
            else if (Is(when, "always"))
                options.color = ColorChoice::kAlways;
            else if (Is(when, "never"))
                options.color = ColorChoice::kNever;
            else
                return UsageError(system, "--color takes auto, always or never, not " +
                                              Quoted(system.Shown(when)));
        } else if (Is(argument, "--")) {
            optionsEnded = true;
        } else if (argument.size() > 1 && argument[0] == NativeChar('-')) {
            return UsageError(system, "unknown option " + Quoted(shown));
        } else if (haveName) {
            return UsageError(system, "one file at a time");
        } else {
            haveName = true;
            if (!Is(argument, "-"))
                options.name = argument;
        }
    }
    if (options.revert && (options.skip || options.length))
        return UsageError(system, "-s and -l choose what to dump, they do not go with -r");
    if (options.revert && options.squeeze)
        return UsageError(system, "-a squeezes a dump, it does not go with -r");
    if (options.output && !options.revert)
        return UsageError(system, "-o is the output of -r");
    if (options.patch && !options.output)
        return UsageError(system, "--patch needs -o with the file to patch");
    return std::nullopt;
}

// Whether the dump goes out in colour: `auto` only onto a terminal and without NO_COLOR;
// onto a terminal only where it shows colour at all.
bool InColor(ColorChoice choice, System& system) {
    if (choice == ColorChoice::kNever)
        return false;
    const bool terminal = system.OutputIsTerminal();
    if (choice == ColorChoice::kAuto && (!terminal || system.NoColorAsked()))
        return false;
    return !terminal || system.TerminalShowsColor();
}

// Moves `source` to where -s says, reading and dropping the bytes before it where the
// source cannot seek; the offset of the range's first byte, or the exit status.
std::optional<int> SkipTo(Source& source, const Options& options, const std::string& shownName,
                          System& system, std::uint64_t& firstOffset) {
    const std::optional<std::uint64_t> size = source.Size();
    const auto outside = [&](std::string_view where, std::uint64_t bytes) {
        Report(system, "offset " + *options.skip + " is " + std::string(where) + " of " +
                           shownName + " (" + std::to_string(bytes) + " bytes)");
        return kUsageError;
    };
    if (options.skipFromEnd) {
        if (!size) {
            Report(system, "a negative offset counts from the end of a regular file, which " +
                               shownName + " is not");
            return kUsageError;
        }
        if (options.skipCount > *size)
            return outside("before the start", *size);
        firstOffset = *size - options.skipCount;
    } else {
        if (size && options.skipCount > *size)
            return outside("past the end", *size);
        firstOffset = options.skipCount;
    }
    std::string error;
    if (size) {
        if (source.Seek(firstOffset, error))
            return std::nullopt;
        Report(system, "cannot seek in " + shownName + ": " + error);
        return kFailure;
    }
    std::vector<unsigned char> dropped(kReadSize);
    for (std::uint64_t skipped = 0; skipped < firstOffset;) {
        std::size_t read = 0;
        const auto want = static_cast<std::size_t>(
            std::min<std::uint64_t>(dropped.size(), firstOffset - skipped));
        if (!source.Read(dropped.data(), want, read, error)) {
            Report(system, "cannot read " + shownName + ": " + error);
            return kFailure;
        }
        if (read == 0)
            return outside("past the end", skipped);
        skipped += read;
    }
    return std::nullopt;
}

int Revert(Source& source, const Options& options, const std::string& shownName, System& system) {
    std::unique_ptr<OutputFile> file;
    const std::string output = options.output ? Quoted(system.Shown(*options.output)) : "";
    if (options.output) {
        std::string error;
        file = system.CreateOutputFile(*options.output, options.patch, error);
        if (!file) {
            Report(system,
                   (options.patch ? "cannot patch " : "cannot write ") + output + ": " + error);
            return kFailure;
        }
    }
    StreamTarget standardOutput(system.StandardOutput());
    const RevertResult result =
        RevertDump(source, file ? static_cast<ByteTarget&>(*file) : standardOutput);
    const std::string written = file ? output : "the bytes";
    switch (result.outcome) {
    case RevertOutcome::kDone: {
        std::string error;
        if (!file || file->Commit(error))
            return kSuccess;
        Report(system, "cannot write " + written + ": " + error);
        return kFailure;
    }
    case RevertOutcome::kReadFailed:
        Report(system, "cannot read " + shownName + ": " + result.error);
        return kFailure;
    case RevertOutcome::kMalformed:
        Report(system, "line " + std::to_string(result.lineNumber) + " of " + shownName + ": " +
                           result.error);
        return kFailure;
    case RevertOutcome::kNotADump:
        Report(system, shownName + " is not a dump: it has no header and no line with an offset");
        return kFailure;
    case RevertOutcome::kWriteFailed:
        if (!result.readerGone)
            Report(system, "cannot write " + written + ": " + result.error);
        return kFailure;
    }
    return kFailure;
}

// A read's lines, a "*" and a held line besides.
const std::size_t kMostTextPerRead =
    std::max(ColoredDumpHeader().size() + ColoredDumpLinesMostSize(kReadSize + 2 * kLine),
             DumpHeader().size() + DumpLinesSize(kReadSize + 2 * kLine, std::uint64_t{1} << 60)) +
    kRepeatLine.size();

// The text of a dump as it goes out: the header, then lines plain or in colour, and when
// squeezed each run of lines equal to the one before them as one "*" line. Holds the text
// of one read's lines at a time, in one of two buffers: the sink may still be writing the
// other.
class DumpWriter {
public:
    DumpWriter(Sink& sink, DumpStyle style) : sink_(sink), style_(style) {
        texts_[0] = std::make_unique_for_overwrite<char[]>(kMostTextPerRead);
        Put(style.color ? ColoredDumpHeader() : DumpHeader());
    }
    ~DumpWriter() {
        WriteFailure ignored; // reported by Finish, or by the Flush that failed
        sink_.Settle(ignored);
    }
    DumpWriter(const DumpWriter&) = delete;
    DumpWriter& operator=(const DumpWriter&) = delete;

    // The lines of bytes read from the file at `offset`: whole lines, but for the last
    // at the end.
    void Lines(std::span<const unsigned char> bytes, std::uint64_t offset) {
        if (!style_.squeeze) {
            Format(bytes, offset);
            return;
        }
        std::size_t start = 0; // of the lines not yet written
        for (std::size_t at = 0; at + kLine <= bytes.size(); at += kLine) {
            const unsigned char* const line = bytes.data() + at;
            const unsigned char* const before = at > 0 ? line - kLine : previous_.data();
            if ((at > 0 || havePrevious_) && std::memcmp(line, before, kLine) == 0) {
                Format(bytes.subspan(start, at - start), offset + start);
                start = at + kLine;
                Equal(1, offset + at);
            } else if (at == start) {
                EndRun();
            }
        }
        if (bytes.size() % kLine != 0 && start == bytes.size() - bytes.size() % kLine)
            EndRun(); // a short last line after a run: it differs from any full one
        Format(bytes.subspan(start), offset + start);
        if (bytes.size() >= kLine) {
            const std::size_t last = (bytes.size() / kLine - 1) * kLine;
            std::memcpy(previous_.data(), bytes.data() + last, kLine);
            havePrevious_ = true;
        }
    }

    // `count` lines of zeros from `offset` that were not read.
    void ZeroLines(std::uint64_t count, std::uint64_t offset) {
        static constexpr std::array<unsigned char, kLine> kZeroLine{};
        if (count > 0 && !(havePrevious_ && previous_ == kZeroLine)) {
            Lines(kZeroLine, offset);
            --count;
            offset += kLine;
        }
        Equal(count, offset + (count - 1) * kLine);
    }

    // Hands what was made so far to the sink, and goes on in the other buffer.
    bool Flush(StreamResult& result) {
        if (used_ == 0)
            return true;
        WriteFailure failure;
        const bool taken = sink_.WriteSoon(texts_[current_].get(), used_, failure);
        used_ = 0;
        current_ ^= 1;
        if (!texts_[current_])
            texts_[current_] = std::make_unique_for_overwrite<char[]>(kMostTextPerRead);
        return taken || Failed(failure, result);
    }

    // The end of the dump: a run's last line shows where the run ends, and all is written.
    bool Finish(StreamResult& result) {
        if (holding_)
            Format(previous_, heldOffset_);
        holding_ = false;
        WriteFailure failure;
        return Flush(result) && (sink_.Settle(failure) || Failed(failure, result));
    }

private:
    static bool Failed(const WriteFailure& failure, StreamResult& result) {
        result.outcome = StreamOutcome::kWriteFailed;
        result.error = failure.error;
        result.readerGone = failure.readerGone;
        return false;
    }

    void Put(std::string_view text) {
        std::memcpy(texts_[current_].get() + used_, text.data(), text.size());
        used_ += text.size();
    }

    void Format(std::span<const unsigned char> bytes, std::uint64_t offset) {
        char* const at = texts_[current_].get() + used_;
        used_ += (style_.color ? FormatColoredDumpLines(bytes, offset, at)
                               : FormatDumpLines(bytes, offset, at)) -
                 at;
    }

    // `count` more lines equal to the one before them, the last of which is at `last`:
    // each line but the dump's last goes into the run's "*", which only a line that
    // follows it shows to be needed.
    void Equal(std::uint64_t count, std::uint64_t last) {
        if (count == 0)
            return;
        if ((holding_ || count > 1) && !starred_) {
            Put(kRepeatLine);
            starred_ = true;
        }
        holding_ = true;
        heldOffset_ = last;
    }

    // A different line follows: the held line belongs to the run.
    void EndRun() {
        if (holding_ && !starred_)
            Put(kRepeatLine);
        holding_ = starred_ = false;
    }

    Sink& sink_;
    DumpStyle style_;
    std::array<std::unique_ptr<char[]>, 2> texts_;
    std::size_t current_ = 0;
    std::size_t used_ = 0;
    std::array<unsigned char, kLine> previous_{}; // the last full line
    bool havePrevious_ = false;
    bool holding_ = false; // a line equal to the one before it, not yet written
    bool starred_ = false; // the run of the held line has its "*"
    std::uint64_t heldOffset_ = 0;
};

} // namespace

StreamResult StreamDump(Source& source, Sink& sink, std::uint64_t firstOffset, std::uint64_t length,
                        DumpStyle style) {
    StreamResult result;
    std::vector<unsigned char> input(kReadSize);
    DumpWriter writer(sink, style);
    std::size_t held = 0; // bytes read but not yet dumped: less than a line
    std::uint64_t offset = firstOffset;
    std::uint64_t left = length; // bytes still to read
    for (;;) {
        // Squeezed, lines of zeros the source knows of need no reading: the map of a
        // sparse file's holes is asked again after each read, however it changes.
        if (style.squeeze && held == 0 && left >= kLine) {
            const std::uint64_t lines = std::min(source.KnownZeros(left), left) / kLine;
            if (lines > 0) {
                if (!source.Skip(lines * kLine, result.error)) {
                    result.outcome = StreamOutcome::kReadFailed;
                    writer.Finish(result);
                    return result;
                }
                writer.ZeroLines(lines, offset);
                if (!writer.Flush(result))
                    return result;
                offset += lines * kLine;
                left -= lines * kLine;
                continue;
            }
        }
        std::size_t read = 0;
        // Nothing is read past the range: a pipe's writer may not have written more.
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(input.size() - held, left));
        if (want > 0 && !source.Read(input.data() + held, want, read, result.error)) {
            result.outcome = StreamOutcome::kReadFailed;
            // What was read before the error still reaches the output.
            read = 0;
        }
        held += read;
        left -= read;
        const bool end = read == 0;
        // Whole lines only until the end: a line is never split across two reads.
        const std::size_t dumped = end ? held : held - held % kLine;
        writer.Lines({input.data(), dumped}, offset);
        if (end) {
            writer.Finish(result);
            return result;
        }
        if (!writer.Flush(result))
            return result;
        offset += dumped;
        held -= dumped;
        std::memmove(input.data(), input.data() + dumped, held);
    }
}

int Run(std::span<const NativeString> arguments, System& system) {
    Options options;
    if (const std::optional<int> status = ParseArguments(arguments, system, options))
        return *status;

    const bool standardInput = options.name.empty();
    const std::string shownName =
        standardInput ? "standard input" : Quoted(system.Shown(options.name));
    std::unique_ptr<Source> source;
    if (standardInput) {
        source = system.StandardInput();
    } else {
        std::string error;
        source = system.OpenFile(options.name, error);
        if (!source) {
            Report(system, error == kIsAFolder ? shownName + " " + error
                                               : "cannot open " + shownName + ": " + error);
            return kFailure;
        }
    }
    if (options.revert)
        return Revert(*source, options, shownName, system);

    std::uint64_t firstOffset = 0;
    if (options.skip)
        if (const std::optional<int> status =
                SkipTo(*source, options, shownName, system, firstOffset))
            return *status;
    const DumpStyle style{InColor(options.color, system), options.squeeze};
    const StreamResult result = StreamDump(*source, system.StandardOutput(), firstOffset,
                                           options.length.value_or(kToTheEnd), style);
    switch (result.outcome) {
    case StreamOutcome::kDone:
        return kSuccess;
    case StreamOutcome::kReadFailed:
        Report(system, "cannot read " + shownName + ": " + result.error);
        return kFailure;
    case StreamOutcome::kWriteFailed:
        if (!result.readerGone)
            Report(system, "cannot write the dump: " + result.error);
        return kFailure;
    }
    return kFailure;
}

} // namespace octolume::dump_tool
