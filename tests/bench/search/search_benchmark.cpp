// search_benchmark [--runs N]
//
// The byte search's speed, through each path the CPU runs. Its worst case beside its best for
// the same query length over 16 MiB of zeros: 01 followed by 3,999 (and 999) 00 bytes, where
// Horspool's skip for 00 is 1 and each window compares nearly the whole query, its mirror,
// and the 01 in the middle, where every window is a candidate of the SSE2 filter (the
// slowest of them counts), against as many 01 bytes, none of which occur, so that every
// window of the skips looks at one byte and moves by the whole query. Then an
// ordinary query, 8 bytes absent from 16 MiB of random bytes, against std::search and a
// memchr-led search (memchr for the first byte, memcmp of the rest) over the same bytes;
// also through Horspool's skips alone, the path of CPUs without SSE2.
// Both directions are measured; the rows give forwards, as Find mostly goes.

#include "bench_report.h"
#include "engine/core/byte_search.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <span>

namespace {

using namespace octolume;
using Bytes = std::vector<unsigned char>;

constexpr std::size_t kTextSize = std::size_t{16} << 20;

using bench::kPlatform;
using bench::MegabytesPerSecond;

// The speeds (text bytes a second) of `runs` runs of `search`, which must find nothing.
template <class Search> bench::Samples Speeds(int runs, Search&& search) {
    bench::Samples speeds;
    for (int run = 0; run < runs; ++run) {
        const double start = bench::Now();
        const bool found = search();
        const double seconds = bench::Now() - start;
        if (found) {
            std::fputs("search_benchmark: a query that must be absent was found\n", stderr);
            std::exit(1);
        }
        speeds.Add(kTextSize / seconds);
    }
    return speeds;
}

void PrintSpeeds(const std::string& name, const bench::Samples& speeds) {
    std::printf("  %-40s best %10s  median %10s  worst %10s\n", name.c_str(),
                MegabytesPerSecond(speeds.Most()).c_str(),
                MegabytesPerSecond(speeds.Median()).c_str(),
                MegabytesPerSecond(speeds.Least()).c_str());
}

std::string Milliseconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, seconds < 1e-3 ? "%.3f ms" : "%.1f ms", seconds * 1e3);
    return text;
}

std::string Thousands(std::size_t count) {
    const std::string digits = std::to_string(count);
    return digits.size() > 3
               ? digits.substr(0, digits.size() - 3) + "," + digits.substr(digits.size() - 3)
               : digits;
}

// Each path's speeds over the zeros: the odd byte first, last or in the middle, searched
// forwards or backwards, then the best case forwards. Returns the slowest and the best case's
// speed.
std::pair<double, double> WorstAndBest(const Bytes& zeros, std::size_t length, SearchPath path,
                                       int runs) {
    Bytes oddFirst(length, 0x00), oddMiddle(length, 0x00);
    oddFirst[0] = 0x01;
    oddMiddle[length / 2] = 0x01;
    const Bytes oddLast(oddFirst.rbegin(), oddFirst.rend()), absent(length, 0x01);
    const std::string pathName = path == SearchPath::kSse2 ? "SSE2 filter" : "skips";
    double worst = 1e300;
    for (const auto& [name, needle] :
         {std::pair("01 + 00...", oddFirst), std::pair("00... + 01", oddLast),
          std::pair("00... + 01 + 00...", oddMiddle)}) {
        const ByteSearcher searcher(needle, false, path);
        for (const bool backwards : {false, true}) {
            const bench::Samples speeds = Speeds(runs, [&] {
                return (backwards ? searcher.Last(zeros, 0, zeros.size())
                                  : searcher.First(zeros, 0, zeros.size()))
                    .has_value();
            });
            PrintSpeeds(pathName + ", " + name + (backwards ? " backwards" : " forwards"), speeds);
            worst = std::min(worst, speeds.Most());
        }
    }
    const ByteSearcher bestSearch(absent, false, path);
    const bench::Samples best =
        Speeds(runs, [&] { return bestSearch.First(zeros, 0, zeros.size()).has_value(); });
    PrintSpeeds(pathName + ", 01... forwards (best case)", best);
    return {worst, best.Most()};
}

// The row is the fastest path's, its ratio one of times. A linear search's worst case
// spends about a step a byte, and the best case of Horspool's skips a step a window of
// `length` bytes, so `length` times as long is what linear time allows even beside that; an
// n*m search would take `length` times that again.
void WorstAgainstBest(const Bytes& zeros, std::size_t length, int runs) {
    std::printf("Byte search, %s, %zu MiB of zeros, queries of %zu bytes; %d runs\n", kPlatform,
                zeros.size() >> 20, length, runs);
    std::pair<double, double> speeds;
    for (const SearchPath path : AvailableSearchPaths())
        speeds = WorstAndBest(zeros, length, path, runs);
    const double worstSeconds = kTextSize / speeds.first, bestSeconds = kTextSize / speeds.second;
    bench::PrintRow("byte search, " + std::string(kPlatform) + ", 16 MiB of zeros: 01 + " +
                        Thousands(length - 1) + " x 00 and the like (worst case) vs " +
                        Thousands(length) + " x 01 (best case)",
                    Milliseconds(worstSeconds), Milliseconds(bestSeconds),
                    worstSeconds / bestSeconds, "<= " + std::to_string(length));
}

// A memchr-led search: memchr for the first byte, memcmp for the rest.
bool MemchrFinds(const Bytes& text, const Bytes& needle) {
    const unsigned char* from = text.data();
    const unsigned char* const end = text.data() + text.size() - needle.size() + 1;
    while (from < end) {
        from = static_cast<const unsigned char*>(
            std::memchr(from, needle[0], static_cast<std::size_t>(end - from)));
        if (from == nullptr)
            return false;
        if (std::memcmp(from, needle.data(), needle.size()) == 0)
            return true;
        ++from;
    }
    return false;
}

void OrdinaryQuery(int runs) {
    Bytes random(kTextSize);
    std::mt19937 generator(20261207);
    for (unsigned char& byte : random)
        byte = static_cast<unsigned char>(generator());
    Bytes query(8);
    do
        for (unsigned char& byte : query)
            byte = static_cast<unsigned char>(generator());
    while (std::search(random.begin(), random.end(), query.begin(), query.end()) != random.end());
    const ByteSearcher searcher(query, false), folded(query, true);
    const ByteSearcher skips(query, false, SearchPath::kSkips);
    bench::Samples ours, oursBackwards, oursFolded, oursSkips, standard, scan;
    for (int run = 0; run < runs; ++run) {
        oursSkips.Add(
            Speeds(1, [&] { return skips.First(random, 0, random.size()).has_value(); }).Most());
        ours.Add(
            Speeds(1, [&] { return searcher.First(random, 0, random.size()).has_value(); }).Most());
        oursBackwards.Add(
            Speeds(1, [&] { return searcher.Last(random, 0, random.size()).has_value(); }).Most());
        oursFolded.Add(
            Speeds(1, [&] { return folded.First(random, 0, random.size()).has_value(); }).Most());
        standard.Add(Speeds(1, [&] {
                         return std::search(random.begin(), random.end(), query.begin(),
                                            query.end()) != random.end();
                     }).Most());
        scan.Add(Speeds(1, [&] { return MemchrFinds(random, query); }).Most());
    }
    std::printf("Byte search, %s, an 8-byte query absent from %zu MiB of random bytes; %d runs\n",
                kPlatform, random.size() >> 20, runs);
    PrintSpeeds("ours forwards", ours);
    PrintSpeeds("ours backwards", oursBackwards);
    PrintSpeeds("ours forwards, letters folded", oursFolded);
    PrintSpeeds("ours forwards, Horspool's skips alone", oursSkips);
    PrintSpeeds("std::search", standard);
    PrintSpeeds("memchr for the first byte + memcmp", scan);
    const std::string figure =
        "byte search, " + std::string(kPlatform) + ": 8 bytes absent from 16 MiB random vs ";
    bench::PrintRow(figure + "std::search", MegabytesPerSecond(ours.Most()),
                    MegabytesPerSecond(standard.Most()), ours.Most() / standard.Most(), ">= 1");
    bench::PrintRow(figure + "memchr + memcmp", MegabytesPerSecond(ours.Most()),
                    MegabytesPerSecond(scan.Most()), ours.Most() / scan.Most(), ">= 0.5");
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::string(argv[i]) == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
    const Bytes zeros(kTextSize, 0);
    WorstAgainstBest(zeros, 4000, runs);
    WorstAgainstBest(zeros, 1000, runs);
    OrdinaryQuery(runs);
    return 0;
}
