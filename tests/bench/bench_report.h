#pragma once
// What every benchmark prints besides its own lines: one machine-readable line per
// target figure, which scripts/bench.sh gathers into the project's table:
//   ROW<TAB>figure<TAB>ours<TAB>reference<TAB>ratio<TAB>target

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace octolume::bench {

inline void PrintRow(const std::string& figure, const std::string& ours,
                     const std::string& reference, double ratio, const std::string& target) {
    std::printf("ROW\t%s\t%s\t%s\t%.2f\t%s\n", figure.c_str(), ours.c_str(), reference.c_str(),
                ratio, target.c_str());
    std::fflush(stdout);
}

// Seconds on the steady clock, for timing steps.
inline double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Repeated measurements of one figure; the machine is shared, so the best run is the
// figure and the median and spread tell the noise.
class Samples {
public:
    void Add(double value) { values_.push_back(value); }
    bool Empty() const { return values_.empty(); }
    double Least() const { return *std::min_element(values_.begin(), values_.end()); }
    double Most() const { return *std::max_element(values_.begin(), values_.end()); }
    double Median() const {
        std::vector<double> sorted = values_;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

private:
    std::vector<double> values_;
};

} // namespace octolume::bench
