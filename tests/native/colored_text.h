#pragma once
// What the tests of octolume-dump's output share: a sink that keeps what it is given, and a
// coloured text without its colour codes.
#include "engine/cli/dump_tool.h"

#include <cctype>
#include <string>

namespace octolume::test {

class TextSink final : public dump_tool::Sink {
public:
    bool Write(const char* from, std::size_t size, dump_tool::WriteFailure&) override {
        text.append(from, size);
        return true;
    }
    std::string text;
};

// Without its codes ESC [ digits and semicolons m; anything else, a code cut short
// included, stays as it is.
inline std::string WithoutCodes(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\x1b' && at + 1 < text.size() && text[at + 1] == '[') {
            std::size_t end = at + 2;
            while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) ||
                                         text[end] == ';'))
                ++end;
            if (end < text.size() && text[end] == 'm') {
                at = end;
                continue;
            }
        }
        plain += text[at];
    }
    return plain;
}

} // namespace octolume::test
