// The window front end on Qt Widgets: the install flow shown in a real window. The flow's
// requests run on its runner's thread (model/flow_runner.h); each state the flow publishes
// there is handed to the window on the interface thread, so the window keeps answering while
// the pane's code runs.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <memory>

#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"
#include "installer/model/install_log.h"
#include "installer/words/words.h"

class QApplication;

namespace installer {

class FlowRunner;
class InstallerWindow;

// Whether the environment names a display ($WAYLAND_DISPLAY or $DISPLAY non-empty).
bool DisplayNamed();

class WindowFrontEnd final : public FrontEnd {
  public:
    // The front end with Qt's application set up, or null when Qt cannot open the display.
    // Made in a process that has a QApplication already (a test), it uses that one. `log`
    // and `words` must outlive it.
    static std::unique_ptr<WindowFrontEnd> Open(const InstallLog& log,
                                                const Words& words = Words::ForUser());
    ~WindowFrontEnd() override;
    WindowFrontEnd(const WindowFrontEnd&) = delete;
    WindowFrontEnd& operator=(const WindowFrontEnd&) = delete;

    // Shows the window over `flow` and returns at once; the caller runs Qt's event loop.
    void start(InstallFlow& flow);
    // The window while started, else null.
    InstallerWindow* window() const { return window_.get(); }
    // start, then the event loop until the flow is finished; answers the flow's exit code.
    int run(InstallFlow& flow) override;

    // From the runner's thread: queued to the window.
    void shown(const FlowState& state) override;
    // Asks on the interface thread; the runner waits for the answer.
    bool confirm(const std::string& question) override;

  private:
    WindowFrontEnd(std::unique_ptr<QApplication> application, const InstallLog& log,
                   const Words& words);

    std::unique_ptr<QApplication> application_;  // Null when the process had one already.
    const InstallLog& log_;
    const Words& words_;
    // The window goes after the runner, so no request runs once it is gone.
    std::unique_ptr<InstallerWindow> window_;
    std::unique_ptr<FlowRunner> runner_;
};

}  // namespace installer
