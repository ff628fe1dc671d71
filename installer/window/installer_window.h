// The installer's window in the manner of the macOS Installer: the steps down the side (the
// current one bold), the current step's page, the wait with its elapsed seconds, Go Back and
// Continue at the bottom right, and Window > Installer Log in the menu bar. It paints the
// states the flow publishes and posts what the person asks to the flow's runner; it decides
// nothing. Every member runs on the interface thread.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <QMainWindow>
#include <QTimer>
#include <optional>
#include <vector>

#include "installer/model/front_end.h"
#include "installer/model/install_log.h"
#include "installer/model/flow_runner.h"
#include "installer/words/words.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace installer {

class LogWindow;
class PanePage;

class InstallerWindow : public QMainWindow {
    Q_OBJECT

  public:
    // `runner` runs the requests; `log` and `words` must outlive the window, which starts
    // painting `state`, the flow's as it stands before any request.
    InstallerWindow(const Words& words, const FlowState& state, const InstallLog& log,
                    FlowRunner& runner);

    // Paints the flow's state, delivered on the interface thread: what changed since the
    // last one (the step, the pane, a sheet put up, the wait, the install, the end).
    void paint(const FlowState& state);
    // The install step's yes-or-no question, in a message box; true for Yes.
    bool ask(const std::string& question);

    // A request is posted and not yet answered.
    bool busy() const { return pending_ > 0; }
    const std::optional<FlowOutcome>& outcome() const { return state_.outcome; }
    FlowStep step() const { return state_.step; }
    LogWindow* logWindow() const { return logWindow_; }
    void openLog();

  signals:
    // The flow is finished; the run may end.
    void flowFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildSteps();
    QWidget* buildIntroduction(const std::string& packTitle);
    QWidget* buildInstallation(const std::string& packTitle);
    QWidget* buildSummaryPage();
    QWidget* buildButtons();
    void showStep(FlowStep step);
    void showSheet(const appkit::Sheet& sheet);
    void startWait(FlowWait wait);
    void endWait();
    void showProgress(const InstallProgress& progress);
    void finish(const FlowOutcome& outcome);
    void showSignature(const std::optional<PackSignature>& signature);
    void showSummary();
    void post(FlowRunner::Request request);
    void updateControls();
    void tick();

    const Words& words_;
    std::string packTitle_;
    const InstallLog& log_;
    FlowRunner& runner_;

    // The state painted last: the flow's own value, kept to see what the next one changes.
    FlowState state_;
    bool sheetUp_ = false;  // A sheet's box is open.
    int pending_ = 0;
    QTimer waitTimer_;

    std::vector<QLabel*> stepLabels_;
    QStackedWidget* pages_ = nullptr;
    PanePage* panePage_ = nullptr;
    QProgressBar* installBar_ = nullptr;
    QLabel* signature_ = nullptr;
    QLabel* installFile_ = nullptr;
    QLabel* installCount_ = nullptr;
    QVBoxLayout* summaryLayout_ = nullptr;
    QWidget* summaryContent_ = nullptr;
    QProgressBar* busyBar_ = nullptr;
    QLabel* waitLabel_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* continue_ = nullptr;
    LogWindow* logWindow_ = nullptr;
};

}  // namespace installer
