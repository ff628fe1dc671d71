// The front end for a person at a terminal that cannot show the full screen: it prints each
// step's text and the pane's numbered rows and reads what the person types ("Choose 0-1
// [0]:", b for Go Back, q to quit). The end of the input is a quit: nothing is committed
// without a choice. The install step's progress is a line per tenth, its question is answered
// "y" or no (anything else, and the end of the input, is no), and the summary says what
// happened in plain words (the handoff list's raw values are in the install log).
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"

namespace installer {

class LineFrontEnd final : public FrontEnd {
  public:
    // Reads from `in`, prints to `out`; both must outlive it.
    LineFrontEnd(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    int run(InstallFlow& flow) override;

    // Says what each wait is for, and how far the install has come.
    void shown(const FlowState& state) override;
    bool confirm(const std::string& question) override;

  private:
    // One line typed by the person, trimmed; nothing at the end of the input.
    std::optional<std::string> ask(const std::string& prompt);
    void introduction(InstallFlow& flow);
    void pane(InstallFlow& flow);
    void summary(InstallFlow& flow);
    void printPane(const PaneView& view);

    std::istream& in_;
    std::ostream& out_;
    std::optional<FlowWait> waiting_;  // The wait of the last state, to see a new one start.
    int tenthsTold_ = -1;  // The last tenth of the copy a line was printed for.
};

}  // namespace installer
