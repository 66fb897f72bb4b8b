#pragma once

// The command line the benchmarks hand to Google Benchmark: three repetitions
// unless --benchmark_repetitions names a count, so that its aggregates (mean,
// median, spread) are printed by default and the flag still decides.

#include <string>
#include <string_view>
#include <vector>

namespace qm::bench {

class BenchArguments {
public:
    BenchArguments(int argc, char** argv, int defaultRepetitions = 3)
    {
        bool named = false;
        for (int i = 0; i < argc; ++i) {
            named = named || std::string_view(argv[i]).starts_with("--benchmark_repetitions");
            pointers_.push_back(argv[i]);
        }
        if (!named) {
            extra_ = "--benchmark_repetitions=" + std::to_string(defaultRepetitions);
            pointers_.push_back(extra_.data());
        }
        count_ = static_cast<int>(pointers_.size());
        pointers_.push_back(nullptr);
    }
    BenchArguments(const BenchArguments&) = delete;
    BenchArguments& operator=(const BenchArguments&) = delete;

    // For benchmark::Initialize, which removes the arguments it understood.
    int* argc() { return &count_; }
    char** argv() { return pointers_.data(); }

private:
    std::string extra_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

}  // namespace qm::bench
