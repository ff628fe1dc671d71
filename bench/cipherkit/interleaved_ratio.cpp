#include "interleaved_ratio.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace interleaved {

namespace {

constexpr int kRounds = 41;
constexpr double kBatchSeconds = 1e-3;

struct Result {
    double ratio;
    double oursBytesPerSecond;
};

// function -> size -> result, in the order of first registration.
std::vector<std::string>& Functions() {
    static std::vector<std::string> functions;
    return functions;
}

std::map<std::string, std::map<std::size_t, Result>>& Results() {
    static std::map<std::string, std::map<std::size_t, Result>> results;
    return results;
}

double Seconds(const Call& call, std::size_t first, std::size_t count) {
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t k = 0; k < count; ++k) call(first + k);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Run(benchmark::State& state, const Case& c) {
    // Warm both up and size the batch to about a millisecond of our calls.
    const double once = std::max(Seconds(c.ours, 0, 3) / 3, 1e-9);
    Seconds(c.reference, 0, 3);
    const auto batch = static_cast<std::size_t>(std::max(1.0, kBatchSeconds / once));

    std::vector<double> ratios;
    std::vector<double> ourTimes;
    std::size_t next = 0;
    for (auto _ : state) {
        double ours = 0;
        double reference = 0;
        if (ratios.size() % 2 == 0) {
            ours = Seconds(c.ours, next, batch);
            reference = Seconds(c.reference, next, batch);
        } else {
            reference = Seconds(c.reference, next, batch);
            ours = Seconds(c.ours, next, batch);
        }
        next += batch;
        state.SetIterationTime(ours / static_cast<double>(batch));
        ratios.push_back(reference / ours);
        ourTimes.push_back(ours / static_cast<double>(batch));
    }
    const Result result{Median(ratios), static_cast<double>(c.size) / Median(ourTimes)};
    Results()[c.function][c.size] = result;
    state.counters["ratio"] = result.ratio;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(c.size));
}

}  // namespace

void Register(Case c) {
    if (std::find(Functions().begin(), Functions().end(), c.function) == Functions().end()) {
        Functions().push_back(c.function);
    }
    const std::string name = c.function + "/" + std::to_string(c.size);
    benchmark::RegisterBenchmark(name.c_str(), [c](benchmark::State& state) { Run(state, c); })
        ->UseManualTime()
        ->Iterations(kRounds)
        ->Unit(benchmark::kMicrosecond);
}

void PrintTable(const std::map<std::string, std::string>& targets) {
    std::vector<std::size_t> sizes;
    for (const auto& [function, bySize] : Results()) {
        for (const auto& [size, result] : bySize) {
            if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) sizes.push_back(size);
        }
    }
    std::sort(sizes.begin(), sizes.end());

    std::printf("\nlibcipherkit against OpenSSL (or the same work composed from OpenSSL and glibc):"
                "\nreference time / our time, median of %d interleaved rounds\n\n%-18s",
                kRounds, "function");
    for (const std::size_t size : sizes) std::printf("%10zu B", size);
    std::printf("   target\n");
    for (const std::string& function : Functions()) {
        std::printf("%-18s", function.c_str());
        for (const std::size_t size : sizes) {
            const auto& bySize = Results()[function];
            const auto found = bySize.find(size);
            if (found == bySize.end()) {
                std::printf("%12s", "-");
            } else {
                std::printf("%12.2f", found->second.ratio);
            }
        }
        const auto target = targets.find(function);
        if (target != targets.end()) std::printf("   %s", target->second.c_str());
        std::printf("\n");
    }
}

}  // namespace interleaved
