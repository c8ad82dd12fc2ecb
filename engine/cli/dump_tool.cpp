#include "dump_tool.h"

#include "dump_revert.h"
#include "engine/core/dump_format.h"
#include "engine/core/number_text.h"

#include <cstring>
#include <vector>

namespace octolume::dump_tool {

namespace {

// In step with the manual page, octolume-dump.1.
constexpr std::string_view kUsage =
    "Usage: octolume-dump [-s OFFSET] [-l N] [FILE]\n"
    "       octolume-dump -r [-o OUTPUT [--patch]] [DUMP]\n"
    "Writes the hexadecimal dump of FILE to standard output, in the layout of the\n"
    "Octolume32 viewer: a header line, then one line per 16 bytes (offset, bytes in\n"
    "hex, printable characters), every line ending in CR LF. With no FILE, or when\n"
    "FILE is -, reads standard input; pipes and FIFOs are read the same way.\n"
    "With -r, turns such a dump back into bytes.\n"
    "\n"
    "  -s, --skip OFFSET   start at byte OFFSET, the first line's offset; a negative\n"
    "                      OFFSET counts back from the end of a regular file\n"
    "  -l, --length N      dump at most N bytes\n"
    "  -r, --revert        read a dump (CR LF, LF or CR line ends) and write its\n"
    "                      bytes, each line's at the line's offset; the header, the\n"
    "                      viewer's size line and the printable characters are\n"
    "                      left aside\n"
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
    "Exit status: 0 on success; 1 when the input could not be read or is not a\n"
    "dump, a line of a dump is malformed or the output could not be written; 2 for\n"
    "wrong arguments and for an OFFSET outside the file.\n";

// Room for the header and the lines of one read at the widest offsets.
const std::size_t kMostTextPerRead =
    DumpHeader().size() + DumpLinesSize(kReadSize, std::uint64_t{1} << 60);

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

struct Options {
    std::string name; // empty: standard input
    bool revert = false;
    bool patch = false;
    std::optional<std::string> output;
    std::optional<std::string> skip; // as written, for messages
    bool skipFromEnd = false;
    std::uint64_t skipCount = 0;
    std::optional<std::uint64_t> length;
};

// The options, or an exit status when there is nothing more to do.
std::optional<int> ParseArguments(std::span<const std::string> arguments, System& system,
                                  Options& options) {
    bool haveName = false, optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // The option of a value, or none; the value after '=', glued on, or next.
        std::string option, value;
        bool hasValue = false;
        if (!optionsEnded) {
            for (const std::string_view name :
                 {"-s", "--skip", "-l", "--length", "-o", "--output"}) {
                const bool isLong = name.size() > 2;
                if (argument == name) {
                    if (i + 1 == arguments.size())
                        return UsageError(system, "option " + argument + " needs a value");
                    option = name;
                    value = arguments[++i];
                } else if (argument.starts_with(std::string(name) + (isLong ? "=" : ""))) {
                    option = name;
                    value = argument.substr(name.size() + (isLong ? 1 : 0));
                } else {
                    continue;
                }
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
            const bool fromEnd = skip && value.starts_with('-');
            const ParsedNumber count = ParseNumber(std::string_view(value).substr(fromEnd ? 1 : 0),
                                                   {.base = 10, .sizeSuffix = true});
            if (count.problem != NumberProblem::kNone)
                return UsageError(system, "malformed number " + Quoted(value) + " for " + option);
            if (skip) {
                options.skip = value;
                options.skipFromEnd = fromEnd;
                options.skipCount = count.value;
            } else {
                options.length = count.value;
            }
        } else if (!optionsEnded && (argument == "-h" || argument == "--help")) {
            StreamResult result;
            return WriteText(system.StandardOutput(), kUsage, result) ? kSuccess : kFailure;
        } else if (!optionsEnded && (argument == "-V" || argument == "--version")) {
            const std::string line =
                std::string(kProgramName) + " " + std::string(kVersion) + " (Octolume32)\n";
            StreamResult result;
            return WriteText(system.StandardOutput(), line, result) ? kSuccess : kFailure;
        } else if (!optionsEnded && (argument == "-r" || argument == "--revert")) {
            options.revert = true;
        } else if (!optionsEnded && argument == "--patch") {
            options.patch = true;
        } else if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            return UsageError(system, "unknown option " + Quoted(argument));
        } else if (haveName) {
            return UsageError(system, "one file at a time");
        } else {
            haveName = true;
            if (argument != "-" || optionsEnded)
                options.name = argument;
        }
    }
    if (options.revert && (options.skip || options.length))
        return UsageError(system, "-s and -l choose what to dump, they do not go with -r");
    if (options.output && !options.revert)
        return UsageError(system, "-o is the output of -r");
    if (options.patch && !options.output)
        return UsageError(system, "--patch needs -o with the file to patch");
    return std::nullopt;
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
    if (options.output) {
        std::string error;
        file = system.CreateOutputFile(*options.output, options.patch, error);
        if (!file) {
            Report(system, (options.patch ? "cannot patch " : "cannot write ") +
                               Quoted(*options.output) + ": " + error);
            return kFailure;
        }
    }
    StreamTarget standardOutput(system.StandardOutput());
    const RevertResult result =
        RevertDump(source, file ? static_cast<ByteTarget&>(*file) : standardOutput);
    const std::string written = file ? Quoted(*options.output) : "the bytes";
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

} // namespace

StreamResult StreamDump(Source& source, Sink& sink, std::uint64_t firstOffset,
                        std::uint64_t length) {
    constexpr std::size_t kLine = dump_layout::kBytesPerLine;
    StreamResult result;
    std::vector<unsigned char> input(kReadSize);
    std::vector<char> text(kMostTextPerRead);
    const std::string_view header = DumpHeader();
    std::memcpy(text.data(), header.data(), header.size());
    std::size_t textHeld = header.size(); // written with the first lines
    std::size_t held = 0;                 // bytes read but not yet dumped: less than a line
    std::uint64_t offset = firstOffset;
    std::uint64_t left = length; // bytes still to read
    for (;;) {
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
        const std::span<const unsigned char> bytes(input.data(), dumped);
        textHeld = static_cast<std::size_t>(FormatDumpLines(bytes, offset, text.data() + textHeld) -
                                            text.data());
        if (textHeld > 0 && !WriteText(sink, {text.data(), textHeld}, result))
            return result;
        textHeld = 0;
        if (end)
            return result;
        offset += dumped;
        held -= dumped;
        std::memmove(input.data(), input.data() + dumped, held);
    }
}

int Run(std::span<const std::string> arguments, System& system) {
    Options options;
    if (const std::optional<int> status = ParseArguments(arguments, system, options))
        return *status;

    const bool standardInput = options.name.empty();
    const std::string shownName = standardInput ? "standard input" : Quoted(options.name);
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
    const StreamResult result = StreamDump(*source, system.StandardOutput(), firstOffset,
                                           options.length.value_or(kToTheEnd));
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
