// The window front end driven in this process on Qt's offscreen platform: the real bundle's
// pane (or a test's own pane) on a fake machine, the flow on its worker thread, and helpers
// that click and wait until the window has the flow's answer.
#pragma once

#include <QAbstractButton>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake_machine.h"
#include "installer/model/bundle_loader.h"
#include "installer/model/install_flow.h"
#include "installer/model/install_log.h"
#include "installer/window/installer_window.h"
#include "installer/window/window_front_end.h"
#include "installer/words/words.h"

namespace window_test {

// Qt's application on the offscreen platform, made once for the process.
void EnsureApplication();

// One window over a flow. With `pane` null, the built bundle's pane is loaded.
class WindowRun {
  public:
    // With `plan`, the flow installs that payload after the pane lets it go on.
    WindowRun(const std::string& language, InstallerPane* pane = nullptr,
              std::optional<installer::InstallPlan> plan = std::nullopt);
    ~WindowRun();

    installer::InstallerWindow& window() const { return *frontEnd_->window(); }
    installer::WindowFrontEnd& frontEnd() const { return *frontEnd_; }
    const installer::Words& words() const { return words_; }
    const installer::InstallLog& log() const { return *log_; }

    template <typename T>
    T* find(const QString& name) const {
        return window().findChild<T*>(name);
    }
    QAbstractButton* continueButton() const { return find<QAbstractButton>("continueButton"); }
    QAbstractButton* backButton() const { return find<QAbstractButton>("backButton"); }
    // The radio buttons of the pane's rows, top first.
    std::vector<QAbstractButton*> rows() const;

    // Clicks `button` and waits until the window has the flow's answer; false when the
    // button was disabled or the answer did not come.
    bool click(QAbstractButton* button) const;
    bool waitIdle() const;
    // The bold step in the side list.
    QString currentStep() const;

  private:
    std::string previousLanguage_;
    installer::Words words_;
    std::unique_ptr<installer::InstallLog> log_;
    foundation::LogSink previousSink_;
    installer::PluginLoad load_;
    std::unique_ptr<installer::WindowFrontEnd> frontEnd_;
    std::unique_ptr<installer::InstallFlow> flow_;
};

// Every label or button of `root` shown now whose text does not fit its geometry, described
// as "objectName 'text' needs WxH, has WxH".
std::vector<std::string> ClippedTexts(const QWidget& root);

}  // namespace window_test
