// The demo machine of --demo: a fake machine in a folder, with a maker-distributed Quillet
// copy and an App Store copy that the pack can go into, copies that the pack turns away (too
// old a revision, a Minimum Data Version below 1.0, a missing application, a mismatched store
// version) and a "Brellion" entry of the predecessor product.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "installer/demo/machine_layout.h"
#include "installer/pack/pack_info.h"

namespace installer {

class DemoMachine {
  public:
    explicit DemoMachine(std::string folder) : layout_(std::move(folder)) {}
    // The folder that holds the machine (root/ and home/...).
    const std::string& folder() const { return layout_.folder(); }
    const std::string& root() const { return layout_.root(); }
    const std::string& home() const { return layout_.home(); }
    MachineLayout& layout() { return layout_; }
    // What the machine changed to suit the pack, as one line for the run's first output
    // ("Demo machine: ..."); empty when it took the pack's settings as they are.
    const std::string& adaptation() const { return adaptation_; }
    void setAdaptation(std::string text) { adaptation_ = std::move(text); }

  private:
    MachineLayout layout_;
    std::string adaptation_;
};

// Lays out the demo machine in `folder`, or in a new folder under $TMPDIR (else /tmp). The
// folder stays after the run, so the handoff list and the install log can be looked at. The copies'
// revision codes are chosen around the pack's required version, so the older copy is turned away
// whatever the pack asks. Nothing, with the reason in `error`, when it cannot be laid out; a given
// folder must be empty, missing or an earlier demo machine (which is laid out anew).
std::unique_ptr<DemoMachine> CreateDemoMachine(const std::optional<std::string>& folder,
                                               const PackInfo& pack, std::string& error);

}  // namespace installer
