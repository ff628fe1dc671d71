// Ratios of two implementations measured in interleaved rounds: each round times a batch of
// calls of one and the same number of calls of the other, in alternating order, so that the
// noise of a shared machine (other builds, frequency changes) falls on both alike. The ratio
// of a case is the median over its rounds of (reference time / our time).
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <map>
#include <string>

namespace interleaved {

// One call of an implementation; `call` counts the calls, so a decoder can take a different
// input each time.
using Call = std::function<void(std::size_t call)>;

struct Case {
    std::string function;  // row of the table
    std::size_t size;      // column of the table, in bytes
    Call ours;
    Call reference;
};

// Registers `c` with Google Benchmark; its rounds report our time per call.
void Register(Case c);

// Prints one table, a row per function and a column per size, of the medians of all cases
// run so far, and each function's target.
void PrintTable(const std::map<std::string, std::string>& targets);

}  // namespace interleaved
