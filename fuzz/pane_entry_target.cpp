// A whole didEnterPane, then Continue, on a fake machine whose shared-data list, container
// record, store property list and host property list are the fuzz input.
//
// Input: the four files in that order, separated by the line "%%PGPART%%"; a missing part
// leaves its file out. The rest of the machine is fixed: one maker-distributed and one App
// Store copy of Quillet laid out by FakeMachine, whose records the input replaces. The run
// works inside the machine's folder, so records can name its files by relative paths
// (root/Applications/quillet/Quillet.app, ...; see make_seeds.py).
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "fake_machine.h"
#include "foundation/plist_read.h"
#include "foundation/system_log.h"
#include "fuzz_check.h"
#include "pane/packgate_pane.h"
#include "pane_bundle.h"
#include "pane_checks.h"
#include "plist_tree_checks.h"
#include "recording_setupnet.h"
#include "system/posix_calls.h"

namespace {

using packgate_test::FakeMachine;
using packgate_test::PaneBundle;

constexpr std::string_view kPartSeparator = "\n%%PGPART%%\n";
// A description of a hostile record is cut at 1 MiB; the format around it adds little.
constexpr std::size_t kLongestLogLine = 1024 * 1024 + 1024;

int SkipFsync(int) {
    return 0;  // the machine is thrown away; flushing it to disk only slows the run
}

struct Rig {
    FakeMachine machine;
    PaneBundle bundle;
    packgate_test::RecordingSetupNet network;
    // The longest log line of the current run; lines are not kept.
    std::size_t longestLine = 0;
    foundation::LogSink previousSink;
    std::string parts[4];

    Rig() {
        const auto maker = machine.addMakerHost({});
        const auto store = machine.addStoreHost({});
        parts[0] = machine.sharedDataListPath();
        parts[1] = store.recordPath;
        parts[2] = store.storePlistPath;
        parts[3] = maker.hostPlistPath;
        platform::Posix().fsync = SkipFsync;
        previousSink = foundation::SetLogSink(
            [this](std::string_view line) { longestLine = std::max(longestLine, line.size()); });
    }
    ~Rig() { foundation::SetLogSink(previousSink); }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;
};

// Inside the machine's folder for one run only: libFuzzer and the replay resolve their own
// relative paths against the folder they started in.
class InMachineFolder {
  public:
    explicit InMachineFolder(const FakeMachine& machine) {
        FUZZ_CHECK(getcwd(previous_, sizeof previous_) != nullptr);
        FUZZ_CHECK(chdir(machine.folder().c_str()) == 0);
    }
    ~InMachineFolder() {
        if (chdir(previous_) != 0) std::abort();
    }
    InMachineFolder(const InMachineFolder&) = delete;
    InMachineFolder& operator=(const InMachineFolder&) = delete;

  private:
    char previous_[4096];
};

Rig& TheRig() {
    static Rig rig;
    return rig;
}

void LayOut(Rig& rig, std::string_view input) {
    for (const std::string& path : rig.parts) {
        const std::size_t end = input.find(kPartSeparator);
        const std::string_view part = input.substr(0, end);
        if (end == std::string_view::npos && part.empty()) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        } else {
            FakeMachine::writeBytes(
                path, {reinterpret_cast<const std::uint8_t*>(part.data()), part.size()});
        }
        input.remove_prefix(end == std::string_view::npos ? input.size()
                                                          : end + kPartSeparator.size());
    }
}

void CheckRows(const PackgatePane& pane) {
    const std::string problem = packgate_test::RowProblems(pane);
    if (!problem.empty()) std::fprintf(stderr, "%s\n", problem.c_str());
    FUZZ_CHECK(problem.empty());
}

// Continue on the selected row: a yes needs the template folder, a no a sheet, and a handoff
// list that was written holds the row's six values.
void CheckContinue(Rig& rig, PackgatePane& pane) {
    const std::string handoff = rig.machine.handoffListPath();
    std::error_code ignored;
    std::filesystem::remove(handoff, ignored);
    const std::size_t row = *pane.m_pMatrix()->selectedRow();

    const bool leaves = pane.shouldExitPane(InstallerDirectionForward);
    FUZZ_CHECK(leaves || !packgate_test::SheetMessage(pane).empty());
    const auto list = foundation::DictionaryWithContentsOfFile(handoff);
    if (leaves) FUZZ_CHECK(list.has_value());
    if (!list) return;
    const std::pair<const char*, const std::string*> expected[] = {
        {"Plist Path", &pane.m_kapPlistPath()[row]},
        {"Version Code", &pane.m_kRevCode()[row]},
        {"PRODUCT_TYPE", &pane.m_kProductType()[row]},
        {"EM2", &pane.m_kProductEM2()[row]},
        {"ContTemplatePath", &pane.m_kProductTemplatePath()[row]},
        {"ContInstallPath", &pane.m_kProductInstallPath()[row]}};
    FUZZ_CHECK(list->size() == 6);
    for (const auto& [key, value] : expected) {
        if (!packgate_fuzz::IsPlainXmlText(*value)) continue;
        FUZZ_CHECK(foundation::StringForKey(&*list, key) == *value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Rig& rig = TheRig();
    const InMachineFolder inside(rig.machine);
    LayOut(rig, {reinterpret_cast<const char*>(data), size});
    rig.network.clear();
    rig.longestLine = 0;

    PackgatePane pane(rig.bundle.bundle());
    pane.didEnterPane(InstallerDirectionForward);
    CheckRows(pane);
    FUZZ_CHECK(rig.network.callsNamed("EncryptWStringRC4").size() == 1);
    if (!pane.kProductTitle().empty()) CheckContinue(rig, pane);

    // Coming back starts over on the rows the first entry left.
    pane.didEnterPane(InstallerDirectionBackward);
    CheckRows(pane);
    FUZZ_CHECK(rig.longestLine <= kLongestLogLine);
    return 0;
}
