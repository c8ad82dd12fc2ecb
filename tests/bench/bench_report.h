#pragma once
// What every benchmark prints besides its own lines: one line per target figure, which
// scripts/bench.sh gathers into the project's table:
//   ROW<TAB>figure<TAB>ours<TAB>reference<TAB>ratio<TAB>target

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace octolume::bench {

#if defined(_WIN32)
inline const char* const kPlatform = "i686 under Wine";
#elif defined(__x86_64__)
inline const char* const kPlatform = "x86-64 native";
#else
inline const char* const kPlatform = "native";
#endif

inline std::string MegabytesPerSecond(double bytesPerSecond) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB/s", bytesPerSecond / 1e6);
    return text;
}

inline void PrintRow(const std::string& figure, const std::string& ours,
                     const std::string& reference, double ratio, const std::string& target) {
    std::printf("ROW\t%s\t%s\t%s\t%.2f\t%s\n", figure.c_str(), ours.c_str(), reference.c_str(),
                ratio, target.c_str());
    std::fflush(stdout);
}

// Seconds on the steady clock.
inline double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Repeated measurements of one figure, kept in order: the machine is shared, so the
// best run is the figure and the median and spread tell the noise.
struct Samples {
    std::vector<double> values;
    void Add(double value) {
        values.insert(std::upper_bound(values.begin(), values.end(), value), value);
    }
    double Least() const { return values.front(); }
    double Most() const { return values.back(); }
    double Median() const {
        return (values[(values.size() - 1) / 2] + values[values.size() / 2]) / 2;
    }
};

} // namespace octolume::bench
