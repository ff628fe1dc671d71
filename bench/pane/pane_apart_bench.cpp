// What running the pack's pane in its own process costs: one entry and one exit of the same
// small pane (the "Polite" faulty pane: one row, no work of its own) in this process, loaded
// with dlopen, and through packgate-pane-host over its socket, in the same run.
//
// Reported: the time of an entry plus an exit each way, their ratio, and the time the split
// adds per callback. Target: at most 20 ms added per callback.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "faulty_pane.h"
#include "foundation/system_log.h"
#include "installer/model/bundle_loader.h"
#include "installer/pane_host/remote_pane.h"

namespace {

std::unique_ptr<installer_test::FaultyBundle> bundle;

void Walk(benchmark::State& state, InstallerPane& pane) {
    for (auto _ : state) {
        pane.didEnterPane(InstallerDirectionForward);
        benchmark::DoNotOptimize(pane.shouldExitPane(InstallerDirectionForward));
    }
}

void InProcess(benchmark::State& state) {
    installer::PluginLoad load = installer::LoadPluginBundle(bundle->path());
    if (!load.plugin) {
        state.SkipWithError(load.error.c_str());
        return;
    }
    Walk(state, load.plugin->pane());
}

void ThroughTheHelper(benchmark::State& state) {
    installer::pane_host::HelperLaunch launch;
    launch.helperPath = PACKGATE_PANE_HOST;
    launch.bundlePath = bundle->path();
    launch.machineRoot = "/";
    launch.homeFolder = "/nonexistent";
    auto remote = installer::pane_host::RemotePane::Launch(launch, {});
    if (!remote.pane) {
        state.SkipWithError(remote.error.c_str());
        return;
    }
    Walk(state, *remote.pane);
    if (remote.pane->stopReason()) state.SkipWithError(remote.pane->stopReason()->c_str());
}

class SplitReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            seconds_[run.run_name.function_name] = run.GetAdjustedRealTime() / unit;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const {
        if (!seconds_.contains("InProcess") || !seconds_.contains("ThroughTheHelper")) return;
        const double local = seconds_.at("InProcess");
        const double split = seconds_.at("ThroughTheHelper");
        std::printf("\nOne entry and one exit of the pane:\n");
        std::printf("  in this process:          %9.4f ms\n", local * 1e3);
        std::printf("  through packgate-pane-host: %7.4f ms (%.1f times)\n", split * 1e3,
                    split / local);
        std::printf("Added per callback: %.4f ms (target: at most 20 ms)\n",
                    (split - local) / 2 * 1e3);
    }

  private:
    std::map<std::string, double> seconds_;
};

}  // namespace

BENCHMARK(InProcess)->Unit(benchmark::kMicrosecond);
BENCHMARK(ThroughTheHelper)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    bundle = std::make_unique<installer_test::FaultyBundle>("Polite");
    // The pane's log lines go nowhere: only the callbacks and their round trips are timed.
    foundation::SetLogSink([](std::string_view) {});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SplitReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    bundle.reset();
    return 0;
}
