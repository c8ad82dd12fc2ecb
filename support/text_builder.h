#pragma once
// Assembles a longer text from pieces, for the About box and the open dialog's joined
// result: plain concatenation.

#include <cstddef>
#include <string>
#include <string_view>

namespace octolume {

class TextBuilder {
public:
    void Append(std::wstring_view text) { text_ += text; }
    // The text, then the given line break.
    void AppendLine(std::wstring_view text, std::wstring_view lineBreak) {
        text_ += text;
        text_ += lineBreak;
    }
    std::size_t Length() const noexcept { return text_.size(); }
    const std::wstring& ToString() const noexcept { return text_; }

private:
    std::wstring text_;
};

} // namespace octolume
