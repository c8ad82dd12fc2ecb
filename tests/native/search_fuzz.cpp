// libFuzzer target: the byte search, forwards and backwards through every path the CPU runs,
// against the plain reference.
// The first byte of an input picks folding and whether the bytes are cut down to a small
// alphabet (where long partial matches are common), the next six the needle's length and the
// range; the needle comes next, the text after it.

#include "engine/core/byte_search.h"
#include "naive_search.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7)
        return 0;
    const bool foldCase = data[0] & 1, smallAlphabet = data[0] & 2;
    const auto word = [&](std::size_t at) { return std::size_t{data[at]} | data[at + 1] << 8; };
    std::vector<unsigned char> bytes(data + 7, data + size);
    if (smallAlphabet)
        for (unsigned char& byte : bytes)
            byte = "aA\0\1"[byte & 3];
    const std::size_t length = std::min(bytes.size(), 1 + word(1) % 64);
    const std::vector<unsigned char> needle(bytes.begin(), bytes.begin() + length);
    const std::span<const unsigned char> text(bytes.data() + length, bytes.size() - length);
    const std::size_t first = word(3) % (text.size() + 2), last = word(5) % (text.size() + 3);

    using namespace octolume;
    const ByteSearcher searcher(needle, foldCase);
    if (searcher.First(text, first, last) !=
            test::NaiveFirst(text, needle, foldCase, first, last) ||
        searcher.Last(text, first, last) != test::NaiveLast(text, needle, foldCase, first, last))
        std::abort();
    return 0;
}
