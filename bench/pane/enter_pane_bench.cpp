// Cost of one whole entry into the pane (didEnterPane: first feedback record, setup resource,
// both discovery routes, rows and label) on fake machines with N install entries and N App
// Store containers, every host a good one. The feedback post goes to the recording fake and
// the log to a sink that drops it, so only the pane's own work and its file reads are timed.
//
// Reported: the time per entry, the CPU time per host (2N hosts per entry; CPU time, so that
// other work on the machine does not count), and the per-host cost at N = 1000 as a
// ratio of the per-host cost at N = 8 measured in the same run; 1.0 is perfectly linear.
// Targets: ratio close to 1 (linear growth); N = 8 entered in under 5 ms.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "pane_harness.h"

namespace {

using packgate_test::MakerHost;
using packgate_test::PaneScenario;
using packgate_test::StoreHost;

// The machine of the last size asked for. The benchmark library calls a benchmark several
// times while it settles the iteration count; laying out a thousand hosts again each time
// would cost more than the measurement. main() removes it before the program's statics go.
std::unique_ptr<PaneScenario> machine;
std::int64_t machineHosts = -1;

PaneScenario& MachineWithHosts(std::int64_t count) {
    if (machine && machineHosts == count) return *machine;
    machine.reset();  // One machine at a time: each points the search paths at itself.
    machine = std::make_unique<PaneScenario>();
    machineHosts = count;
    std::vector<MakerHost> makers;
    for (std::int64_t i = 0; i < count; ++i) makers.push_back({.name = "q" + std::to_string(i)});
    machine->machine.addMakerHosts(makers);
    for (std::int64_t i = 0; i < count; ++i) {
        machine->machine.addStoreHost({.container = "com.velmora.quillet." + std::to_string(i)});
    }
    machine->machine.setHostInstallerList({});
    return *machine;
}

void EnterPane(benchmark::State& state) {
    const std::int64_t hosts = state.range(0);
    PaneScenario& scenario = MachineWithHosts(hosts);
    const auto previousSink = foundation::SetLogSink([](std::string_view) {});
    PackgatePane& pane = scenario.pane();
    for (auto _ : state) {
        pane.didEnterPane(InstallerDirectionForward);
        scenario.network.clear();
    }
    foundation::SetLogSink(previousSink);
    if (pane.kProductTitle().size() != static_cast<std::size_t>(2 * hosts)) {
        state.SkipWithError("not every host was listed");
    }
    state.counters["per_host"] =
        benchmark::Counter(static_cast<double>(state.iterations() * 2 * hosts),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Remembers each run's time per host so the linearity ratio can be printed after the table.
class LinearityReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto counter = run.counters.find("per_host");
            if (counter != run.counters.end()) perHost_[run.run_name.args] = counter->second;
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            entry_[run.run_name.args] = {run.GetAdjustedRealTime() / unit,
                                         run.GetAdjustedCPUTime() / unit};
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const {
        std::printf("\nOne entry into the pane, N install entries + N containers:\n");
        for (const char* n : {"1", "8", "100", "1000"}) {
            const std::string name = n;
            if (!perHost_.contains(name)) continue;
            std::printf("  N = %4s: %9.3f ms per entry (%9.3f ms CPU), %6.1f us CPU per host\n", n,
                        entry_.at(name).real * 1e3, entry_.at(name).cpu * 1e3,
                        perHost_.at(name) * 1e6);
        }
        if (perHost_.contains("8") && perHost_.contains("1000")) {
            std::printf("Per-host cost at N = 1000 as a ratio of N = 8: %.2f (1.00 is linear)\n",
                        perHost_.at("1000") / perHost_.at("8"));
        }
        std::printf("Targets: linear growth; N = 8 entered in under 5 ms.\n");
    }

  private:
    std::map<std::string, double> perHost_;
    struct EntryTime {
        double real = 0;
        double cpu = 0;
    };
    std::map<std::string, EntryTime> entry_;
};

}  // namespace

BENCHMARK(EnterPane)->Arg(1)->Arg(8)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Removing thousands of small files is slow on some disks and would dominate the run;
    // the machines live in memory when the system offers a memory file system.
    std::error_code error;
    if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", error)) {
        setenv("TMPDIR", "/dev/shm", 0);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    LinearityReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    machine.reset();
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
