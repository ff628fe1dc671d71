// The installer's window in the manner of the macOS Installer: the steps down the side (the
// current one bold), the current step's page, the wait with its elapsed seconds, Go Back and
// Continue at the bottom right, and Window > Installer Log in the menu bar. It shows what the
// flow reports and posts what the person asks to the flow's worker; it decides nothing.
// Every member runs on the interface thread.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <optional>
#include <vector>

#include "installer/model/front_end.h"
#include "installer/model/install_log.h"
#include "installer/window/flow_worker.h"
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
    // `worker` runs the requests; `log` and `words` must outlive the window.
    InstallerWindow(const Words& words, const std::string& packTitle, const InstallLog& log,
                    FlowWorker& worker);

    // What the flow reported, delivered on the interface thread.
    void showStep(FlowStep step);
    void showPane(const PaneView& pane);
    void showSheet(const appkit::Sheet& sheet);
    void startWait(FlowWait wait);
    void endWait();
    void showProgress(const InstallProgress& progress);
    void finish(const FlowOutcome& outcome);
    // Who signed the pack, on the introduction (nothing is said for a run without a pack).
    void showSignature(const std::optional<PackSignature>& signature);
    // The install step's yes-or-no question, in a message box; true for Yes.
    bool ask(const std::string& question);

    // A request is posted and not yet answered.
    bool busy() const { return pending_ > 0; }
    const std::optional<FlowOutcome>& outcome() const { return outcome_; }
    FlowStep step() const { return step_; }
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
    void showSummary();
    void post(FlowWorker::Request request);
    void updateControls();
    void tick();

    const Words& words_;
    std::string packTitle_;
    const InstallLog& log_;
    FlowWorker& worker_;

    FlowStep step_ = FlowStep::Introduction;
    std::optional<PaneView> pane_;
    bool sheetUp_ = false;
    std::optional<HandoffList> handoff_;
    std::optional<InstallReport> install_;
    std::optional<FlowOutcome> outcome_;
    int pending_ = 0;
    std::optional<FlowWait> wait_;
    QElapsedTimer waitClock_;
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
