// Speed of libcipherkit's MD5, RC4 and hex encoder, each measured beside OpenSSL on the same
// buffers in the same run, and printed as a ratio of OpenSSL's throughput.
// Targets: MD5 >= 0.9, RC4 >= 0.75, ByteToHex >= 1 GB/s.
#include <benchmark/benchmark.h>

#include <cipherkit/hex.h>
#include <cipherkit/md5.h>
#include <cipherkit/rc4.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "openssl_baseline.h"

namespace {

const std::vector<unsigned char>& Buffer() {
    static const std::vector<unsigned char> buffer = [] {
        std::vector<unsigned char> bytes(1 << 20);
        std::mt19937 rng(42);
        for (auto& b : bytes) b = static_cast<unsigned char>(rng());
        return bytes;
    }();
    return buffer;
}

const unsigned char kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

unsigned int Length(const benchmark::State& state) {
    return static_cast<unsigned int>(state.range(0));
}

void Finish(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void Md5_Ours(benchmark::State& state) {
    unsigned char digest[16];
    for (auto _ : state) {
        MD5Context context;
        MD5Init(&context);
        MD5Update(&context, Buffer().data(), Length(state));
        MD5Final(&context, digest);
        benchmark::DoNotOptimize(digest);
    }
    Finish(state);
}

void Md5_OpenSsl(benchmark::State& state) {
    unsigned char digest[16];
    for (auto _ : state) {
        baseline::Md5(Buffer().data(), Length(state), digest);
        benchmark::DoNotOptimize(digest);
    }
    Finish(state);
}

void Rc4_Ours(benchmark::State& state) {
    std::vector<unsigned char> out(Length(state));
    unsigned int produced = 0;
    for (auto _ : state) {
        RC4(Buffer().data(), Length(state), kKey, sizeof kKey, out.data(), &produced);
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state);
}

void Rc4_OpenSsl(benchmark::State& state) {
    std::vector<unsigned char> out(Length(state));
    for (auto _ : state) {
        baseline::Rc4(kKey, sizeof kKey, Buffer().data(), Length(state), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state);
}

void ByteToHex_Ours(benchmark::State& state) {
    for (auto _ : state) {
        char* text = ByteToHex(Buffer().data(), Length(state));
        benchmark::DoNotOptimize(text);
        delete[] text;
    }
    Finish(state);
}

void ByteToHex_OpenSsl(benchmark::State& state) {
    for (auto _ : state) {
        char* text = new char[2 * Length(state) + 1];
        baseline::ToHex(Buffer().data(), Length(state), text);
        benchmark::DoNotOptimize(text);
        delete[] text;
    }
    Finish(state);
}

// Remembers each run's throughput so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto counter = run.counters.find("bytes_per_second");
            if (counter != run.counters.end()) rates_[run.benchmark_name()] = counter->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        std::printf(
            "\nThroughput of libcipherkit as a ratio of OpenSSL's (same buffers, same run):\n");
        for (const char* primitive : {"Md5", "Rc4", "ByteToHex"}) {
            for (const char* size : {"64", "1024", "1048576"}) {
                const double ours = Rate(std::string(primitive) + "_Ours/" + size);
                const double theirs = Rate(std::string(primitive) + "_OpenSsl/" + size);
                if (ours <= 0 || theirs <= 0) continue;
                std::printf("  %-9s %8s B: %6.2f  (ours %8.1f MB/s, OpenSSL %8.1f MB/s)\n",
                            primitive, size, ours / theirs, ours / 1e6, theirs / 1e6);
            }
        }
        std::printf("Targets: Md5 >= 0.90, Rc4 >= 0.75, ByteToHex >= 1000 MB/s.\n");
    }

  private:
    double Rate(const std::string& name) const {
        const auto found = rates_.find(name);
        return found == rates_.end() ? 0.0 : found->second;
    }

    std::map<std::string, double> rates_;
};

}  // namespace

BENCHMARK(Md5_Ours)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Md5_OpenSsl)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Rc4_Ours)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Rc4_OpenSsl)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(ByteToHex_Ours)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(ByteToHex_OpenSsl)->Arg(64)->Arg(1024)->Arg(1 << 20);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
