// The install against the standard tools on the same disk, in one run: unpacking a tar (and
// tar.xz) archive and flushing it (`tar -xf && sync -f`), copying a folder and flushing it
// (`cp -r && sync -f`), and checking the installed files' digests (`sha256sum -c`). The two
// sides run alternately, each from a fresh destination after a full flush, and the medians
// give the ratio (ours / reference). Our side runs as a child of this program (the same
// binary, given --install or --verify), so its peak memory is measured alone. The child also
// notes the longest wait between its progress reports, from the install's start to its end.
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench_packs.h"
#include "installer/install/payload_install.h"
#include "installer/install/receipt.h"
#include "installer/install/receipt_check.h"
#include "installer/pack/pack.h"
#include "timed_run.h"

namespace install_bench {
namespace {

namespace fs = std::filesystem;

constexpr long kTmpfsMagic = 0x01021994;
// Where an install child writes its longest wait between progress reports, in milliseconds.
constexpr const char* kGapFileVariable = "PACKGATE_BENCH_GAP_FILE";
constexpr double kGapGoalMs = 100;

int InstallChild(const std::string& pack, const std::string& destination, const std::string& home) {
    const installer::PackOpening opening = installer::OpenPack(pack);
    if (!opening.pack) {
        std::fprintf(stderr, "%s\n", opening.error.c_str());
        return 1;
    }
    installer::InstallRequest request;
    request.pack = opening.pack->identity;
    request.payloadPath = opening.pack->payloadPath;
    request.destination = destination;
    request.home = home;
    request.hostTitle = "Bench";
    request.payloadIsOwn = opening.pack->openedArchive != nullptr;
    using Clock = std::chrono::steady_clock;
    auto last = Clock::now();
    double longestMs = 0;
    const auto note = [&] {
        const auto now = Clock::now();
        longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    };
    request.progress = [&](const installer::InstallProgress&) { note(); };
    const installer::InstallReport report = installer::InstallPayload(request);
    note();  // The wait after the last report counts too.
    if (const char* gapFile = std::getenv(kGapFileVariable)) std::ofstream(gapFile) << longestMs << "\n";
    if (!report.installed) std::fprintf(stderr, "%s\n", report.error.c_str());
    return report.installed ? 0 : 1;
}

int VerifyChild(const std::string& receiptPath) {
    const auto checked = installer::VerifyReceiptAt(receiptPath);
    return checked && checked->check.intact() ? 0 : 1;
}

struct Row {
    std::string name;
    double reference = 0;
    double ours = 0;
    double goal = 0;
    double longestGapMs = 0;  // Between progress reports, over our side's rounds.
};

class Bench {
  public:
    explicit Bench(std::string self) : self_(std::move(self)) {
        scratch_ = fs::path(self_).parent_path() / "install-scratch";
        fs::create_directories(scratch_);
        rounds_ = std::getenv("PACKGATE_BENCH_ROUNDS") ? std::atoi(std::getenv("PACKGATE_BENCH_ROUNDS")) : 5;
        if (rounds_ < 1) rounds_ = 1;
        setenv(kGapFileVariable, gapFile().c_str(), 1);
        // Our side unpacks an archive under $TMPDIR before it installs. There, on the disk
        // the reference writes to, not in the /tmp every other program shares, since files
        // others removed within the last minutes make new ones slower to create (see
        // freshDestination).
        fs::create_directories(scratch_ / "tmp");
        setenv("TMPDIR", (scratch_ / "tmp").c_str(), 1);
    }

    void run();

  private:
    // A fresh destination: the template folder inside it, and a home for the receipts. Each
    // run gets a new one and none is removed before the end: ext4 passes over the inodes freed
    // in the last minute or so when it allocates one, checking each, so a round that followed
    // the removal of 15000 files created its own up to twenty times slower (tar -xf of the
    // small pack: 0.5 s in a new folder, 10 s right after the last round's was removed).
    void freshDestination() {
        destination_ = scratch_ / "destinations" / std::to_string(++runs_);
        fs::create_directories(destination() / "Template");
        fs::create_directories(destination() / "home");
        Shell("sync");
    }
    fs::path destination() const { return destination_; }
    std::string gapFile() const { return (scratch_ / "progress-gap.txt").string(); }
    // The longest wait between progress reports the last install child noted.
    double lastGapMs() const {
        double gap = 0;
        std::ifstream(gapFile()) >> gap;
        return gap;
    }
    std::vector<std::string> shell(const std::string& command) const { return {"/bin/sh", "-c", command}; }
    // A side's command line, made for each run's destination.
    using Command = std::function<std::vector<std::string>()>;
    Command ours(const std::string& pack) const {
        return [this, pack]() -> std::vector<std::string> {
            return {self_, "--install", pack, (destination() / "Template").string(),
                    (destination() / "home").string()};
        };
    }
    void measure(const std::string& name, double goal, const Command& reference, const Command& ourSide,
                 int rounds);
    void removeDestinations();
    void waitForRemovedFiles();
    void measureVerify(const std::string& pack);
    double peakOf(const std::string& pack);
    void print() const;

    std::string self_;
    fs::path scratch_;
    fs::path destination_;
    int runs_ = 0;
    // This machine's disk and memory make single runs vary several-fold, so the cheap cases
    // take five rounds; the tar.xz one, a quarter minute a run, at most three.
    int rounds_ = 5;
    static constexpr int kSlowRounds = 3;
    std::vector<Row> rows_;
    double peakMiB_ = 0;
    double smallPeakMiB_ = 0;  // Installing the 15000-file pack.
    double manyPeakMiB_ = 0;   // Installing the pack of many more, tiny files.
};

// Removes every destination, and notes when, so the next run can wait until the files
// removed no longer slow down the making of new ones.
void Bench::removeDestinations() {
    if (!fs::exists(scratch_ / "destinations")) return;
    fs::remove_all(scratch_ / "destinations");
    Shell("sync");
    std::ofstream(scratch_ / "removed-at") << std::chrono::duration_cast<std::chrono::seconds>(
                                                  std::chrono::system_clock::now().time_since_epoch())
                                                  .count();
}

// ext4 passes over the inodes freed in the last minute once they are flushed (five more
// while not), so a run started right after the last one removed its destinations would
// measure that instead of the install.
void Bench::waitForRemovedFiles() {
    constexpr long kAgeOut = 75;
    long removedAt = 0;
    std::ifstream(scratch_ / "removed-at") >> removedAt;
    const long now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    const long wait = removedAt + kAgeOut - now;
    if (removedAt == 0 || wait <= 0) return;
    std::printf("waiting %ld s: the files the last run removed would slow this one\n", std::min(wait, kAgeOut));
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(std::min(wait, kAgeOut)));
}

// The peak memory of one install of `pack` (its time is the disk's, not measured here).
double Bench::peakOf(const std::string& pack) {
    freshDestination();
    const double peak = RunTimed(ours(pack)()).peakMiB;
    peakMiB_ = std::max(peakMiB_, peak);
    return peak;
}

void Bench::measure(const std::string& name, double goal, const Command& reference, const Command& ourSide,
                    int rounds) {
    std::vector<double> references;
    std::vector<double> ourTimes;
    double longestGapMs = 0;
    // The side that goes first alternates too, so a disk that grows slower or faster during
    // the run weighs on both alike.
    auto runReference = [&] {
        freshDestination();
        references.push_back(RunTimed(reference()).seconds);
    };
    auto runOurs = [&] {
        freshDestination();
        const Timed timed = RunTimed(ourSide());
        ourTimes.push_back(timed.seconds);
        peakMiB_ = std::max(peakMiB_, timed.peakMiB);
        longestGapMs = std::max(longestGapMs, lastGapMs());
    };
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            runReference();
            runOurs();
        } else {
            runOurs();
            runReference();
        }
    }
    rows_.push_back({name, Median(references), Median(ourTimes), goal, longestGapMs});
    std::printf("  %-34s done\n", name.c_str());
    std::fflush(stdout);
}

// The files the small pack installed, checked against their digests.
void Bench::measureVerify(const std::string& pack) {
    const std::string list = (scratch_ / "small.sha256").string();
    Shell("cd '" + pack + "/Contents/Payload' && find . -type f -print0 | xargs -0 sha256sum > '" + list + "'");
    freshDestination();
    RunTimed(ours(pack)());
    const auto receipts = installer::ReceiptPaths((destination() / "home").string(), "");
    if (receipts.size() != 1) {
        std::fprintf(stderr, "no receipt after the install\n");
        std::exit(1);
    }
    const std::vector<std::string> reference =
        shell("cd '" + (destination() / "Template").string() + "' && sha256sum -c --quiet '" + list + "'");
    const std::vector<std::string> ourSide{self_, "--verify", receipts.front()};
    std::vector<double> references;
    std::vector<double> ourTimes;
    for (int round = 0; round < rounds_; ++round) {
        references.push_back(RunTimed(reference).seconds);
        const Timed timed = RunTimed(ourSide);
        ourTimes.push_back(timed.seconds);
        peakMiB_ = std::max(peakMiB_, timed.peakMiB);
    }
    rows_.push_back({"verify 15000 x 4 KiB (sha256sum -c)", Median(references), Median(ourTimes), 1.5});
}

void Bench::print() const {
    std::printf("\n%-36s %10s %10s %7s %6s\n", "install", "reference", "ours", "ratio", "goal");
    bool allMet = true;
    for (const Row& row : rows_) {
        const double ratio = row.ours / row.reference;
        allMet = allMet && ratio <= row.goal;
        std::printf("%-36s %9.2fs %9.2fs %6.2fx %5.1fx %s\n", row.name.c_str(), row.reference,
                    row.ours, ratio, row.goal, ratio <= row.goal ? "met" : "OVER");
    }
    std::printf("\nprogress: longest wait between reports (goal at most %.0f ms)\n", kGapGoalMs);
    for (const Row& row : rows_) {
        if (row.longestGapMs <= 0) continue;  // --verify reports no progress.
        allMet = allMet && row.longestGapMs <= kGapGoalMs;
        std::printf("  %-34s %6.0f ms %s\n", row.name.c_str(), row.longestGapMs,
                    row.longestGapMs <= kGapGoalMs ? "met" : "OVER");
    }
    // Memory that grew with the number of files would show as the second figure far above the
    // first; the goal holds for the largest.
    std::printf("%-36s %9.1f MiB\n", "peak memory, 15000 files (tar)", smallPeakMiB_);
    std::printf("%-36s %9.1f MiB (%.2fx the 15000 files')\n", "peak memory, 60000 files (tar)", manyPeakMiB_,
                manyPeakMiB_ / smallPeakMiB_);
    std::printf("%-36s %9.1f MiB (goal at most 64 MiB) %s\n", "peak memory of ours", peakMiB_,
                peakMiB_ <= 64 ? "met" : "OVER");
    std::printf("medians of %d alternating rounds (tar.xz: %d); %s\n", rounds_, std::min(rounds_, kSlowRounds),
                allMet && peakMiB_ <= 64 ? "every goal met" : "some goal missed");
}

void Bench::run() {
    struct statfs facts {};
    if (statfs(scratch_.c_str(), &facts) == 0 && facts.f_type == kTmpfsMagic) {
        std::printf("note: %s is on tmpfs; the figures do not show the disk\n", scratch_.c_str());
    }
    std::printf("install benchmark in %s (making the packs the first time takes a while)\n", scratch_.c_str());
    std::fflush(stdout);
    removeDestinations();  // Left by a run that was stopped.
    waitForRemovedFiles();
    const std::string packs = (scratch_ / "packs").string();
    fs::create_directories(packs);
    const std::string small = MakePackFolder(packs, {"Small", 15000, 4096, 500});
    const std::string large = MakePackFolder(packs, {"Large", 64, 8u << 20, 16});
    const std::string many = MakePackFolder(packs, {"Many", 60000, 64, 500});
    const std::string smallTar = packs + "/Small.pack.tar";
    const std::string largeTar = packs + "/Large.pack.tar";
    const std::string largeXz = packs + "/Large.pack.tar.xz";
    MakeArchive(small, smallTar, "");
    MakeArchive(large, largeTar, "");
    MakeArchive(large, largeXz, "J");
    const std::string manyTar = packs + "/Many.pack.tar";
    MakeArchive(many, manyTar, "");
    const auto to = [this] { return (destination() / "Template").string(); };
    auto untar = [&](const std::string& flags, const std::string& archive) -> Command {
        return [=, this] {
            return shell("tar -x" + flags + "f '" + archive + "' -C '" + to() + "' && sync -f '" + to() + "'");
        };
    };
    auto copy = [&](const std::string& pack) -> Command {
        return [=, this] { return shell("cp -r '" + pack + "' '" + to() + "' && sync -f '" + to() + "'"); };
    };
    measure("15000 x 4 KiB, tar (tar -xf)", 1.5, untar("", smallTar), ours(smallTar), rounds_);
    measure("64 x 8 MiB, tar (tar -xf)", 1.3, untar("", largeTar), ours(largeTar), rounds_);
    measure("64 x 8 MiB, tar.xz (tar -xJf)", 1.3, untar("J", largeXz), ours(largeXz),
            std::min(rounds_, kSlowRounds));
    measure("15000 x 4 KiB, folder (cp -r)", 1.3, copy(small), ours(small), rounds_);
    measure("64 x 8 MiB, folder (cp -r)", 1.3, copy(large), ours(large), rounds_);
    measureVerify(small);
    smallPeakMiB_ = peakOf(smallTar);
    manyPeakMiB_ = peakOf(manyTar);
    removeDestinations();
    print();
}

}  // namespace
}  // namespace install_bench

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "--install") return install_bench::InstallChild(args[1], args[2], args[3]);
    if (args.size() == 2 && args[0] == "--verify") return install_bench::VerifyChild(args[1]);
    install_bench::Bench(std::filesystem::read_symlink("/proc/self/exe").string()).run();
    return 0;
}
