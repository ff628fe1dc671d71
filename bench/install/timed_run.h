// Running one program as a child and measuring it: wall time, and its peak resident memory
// (getrusage's ru_maxrss of the child, through wait4).
#pragma once

#include <string>
#include <vector>

namespace install_bench {

struct Timed {
    double seconds = 0;
    double peakMiB = 0;
};

// Runs `argv`; stops the benchmark when it cannot run or fails.
Timed RunTimed(const std::vector<std::string>& argv);

// The median of `values` (not empty).
double Median(std::vector<double> values);

}  // namespace install_bench
