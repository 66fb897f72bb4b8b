#pragma once

// Summary figures of per-operation samples, as the benchmarks print them
// beside Google Benchmark's own aggregates: median, mean, p90 and the rest.

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

namespace qm::bench {

struct SampleStats {
    std::size_t count = 0;
    double median = 0;
    double mean = 0;
    double p90 = 0;
    double p99 = 0;
    double max = 0;

    static SampleStats of(std::vector<double> values)
    {
        SampleStats stats;
        stats.count = values.size();
        if (values.empty()) {
            return stats;
        }
        std::sort(values.begin(), values.end());
        const auto at = [&values](double fraction) {
            return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
        };
        stats.median = at(0.5);
        stats.p90 = at(0.9);
        stats.p99 = at(0.99);
        stats.max = values.back();
        stats.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
        return stats;
    }
};

}  // namespace qm::bench
