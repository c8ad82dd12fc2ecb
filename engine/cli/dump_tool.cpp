#include "dump_tool.h"

#include "engine/core/dump_format.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace octolume::dump_tool {

namespace {

constexpr std::string_view kUsage =
    "Usage: octolume-dump [FILE]\n"
    "Writes the hexadecimal dump of FILE to standard output, in the layout of the\n"
    "Octolume32 viewer: a header line, then one line per 16 bytes (offset, bytes in\n"
    "hex, printable characters), every line ending in CR LF. The whole file is dumped,\n"
    "whatever its size. With no FILE, or when FILE is -, reads standard input; pipes\n"
    "and FIFOs are read the same way.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "  --             take what follows as a file name, even if it starts with -\n"
    "\n"
    "Exit status: 0 when the whole input was dumped; 1 when it could not be read or the\n"
    "dump could not be written; 2 for wrong arguments.\n";

// Room for the header and the lines of one read, whatever the offset's width.
constexpr std::size_t kMostTextPerRead = 128 + (kReadSize / 16 + 1) * (80 + 8);

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
}

// One line to standard error, after the program's name. A message that cannot be written
// has nowhere else to go.
void Report(System& system, const std::string& message) {
    const std::string line =
        std::string(kProgramName) + ": " + message + std::string(system.LineEnd());
    std::string ignored;
    bool gone = false;
    system.StandardError().Write(line.data(), line.size(), ignored, gone);
}

int UsageError(System& system, const std::string& what) {
    Report(system, what + " (try --help)");
    return kUsageError;
}

bool WriteText(Sink& sink, std::string_view text, StreamResult& result) {
    if (sink.Write(text.data(), text.size(), result.error, result.readerGone))
        return true;
    result.outcome = StreamOutcome::kWriteFailed;
    return false;
}

} // namespace

StreamResult StreamDump(Source& source, Sink& sink) {
    StreamResult result;
    std::vector<unsigned char> input(kReadSize);
    std::vector<char> text(kMostTextPerRead);
    const std::string_view header = DumpHeader();
    std::memcpy(text.data(), header.data(), header.size());
    std::size_t textHeld = header.size(); // written with the first lines
    std::size_t held = 0;                 // bytes read but not yet dumped: less than a line
    std::uint64_t offset = 0;
    for (;;) {
        std::size_t read = 0;
        if (!source.Read(input.data() + held, input.size() - held, read, result.error)) {
            result.outcome = StreamOutcome::kReadFailed;
            // What was read before the error still reaches the output.
            read = 0;
        }
        held += read;
        const bool end = read == 0;
        // Whole lines only until the end: a line is never split across two reads.
        const std::size_t dumped = end ? held : held - held % 16;
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
    std::string name;
    bool haveName = false, optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && (argument == "-h" || argument == "--help")) {
            StreamResult result;
            return WriteText(system.StandardOutput(), kUsage, result) ? kSuccess : kFailure;
        }
        if (!optionsEnded && (argument == "-V" || argument == "--version")) {
            const std::string line =
                std::string(kProgramName) + " " + std::string(kVersion) + " (Octolume32)\n";
            StreamResult result;
            return WriteText(system.StandardOutput(), line, result) ? kSuccess : kFailure;
        }
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            return UsageError(system, "unknown option " + Quoted(argument));
        } else if (haveName) {
            return UsageError(system, "one file at a time");
        } else {
            name = argument;
            haveName = true;
        }
    }

    const bool standardInput = !haveName || (name == "-" && !optionsEnded);
    std::unique_ptr<Source> source;
    if (standardInput) {
        source = system.StandardInput();
    } else {
        std::string error;
        source = system.OpenFile(name, error);
        if (!source) {
            Report(system, error == kIsAFolder ? Quoted(name) + " " + error
                                               : "cannot open " + Quoted(name) + ": " + error);
            return kFailure;
        }
    }

    const StreamResult result = StreamDump(*source, system.StandardOutput());
    switch (result.outcome) {
    case StreamOutcome::kDone:
        return kSuccess;
    case StreamOutcome::kReadFailed:
        Report(system, "cannot read " +
                           (standardInput ? std::string("standard input") : Quoted(name)) + ": " +
                           result.error);
        return kFailure;
    case StreamOutcome::kWriteFailed:
        if (!result.readerGone)
            Report(system, "cannot write the dump: " + result.error);
        return kFailure;
    }
    return kFailure;
}

} // namespace octolume::dump_tool
