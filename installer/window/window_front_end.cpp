#include "installer/window/window_front_end.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <cstdlib>

#include "installer/model/flow_runner.h"
#include "installer/window/installer_window.h"

namespace installer {
namespace {

bool NonEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt's application lives on these for the whole process, as Qt requires.
int gArgc = 1;
char gProgram[] = "packgate-installer";
char* gArgv[] = {gProgram, nullptr};

// Qt ends the process when it cannot open the display, so a child process tries first and
// the program falls back to the terminal when the child does not come back cleanly.
bool DisplayOpens() {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, STDERR_FILENO);
        { const QApplication probe(gArgc, gArgv); }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool DisplayNamed() {
    return NonEmpty("WAYLAND_DISPLAY") || NonEmpty("DISPLAY");
}

std::unique_ptr<WindowFrontEnd> WindowFrontEnd::Open(const InstallLog& log, const Words& words) {
    std::unique_ptr<QApplication> application;
    if (QApplication::instance() == nullptr) {
        if (!DisplayOpens()) return nullptr;
        application = std::make_unique<QApplication>(gArgc, gArgv);
    }
    return std::unique_ptr<WindowFrontEnd>(new WindowFrontEnd(std::move(application), log, words));
}

WindowFrontEnd::WindowFrontEnd(std::unique_ptr<QApplication> application, const InstallLog& log,
                               const Words& words)
    : application_(std::move(application)), log_(log), words_(words) {}

WindowFrontEnd::~WindowFrontEnd() {
    runner_.reset();
    window_.reset();
}

void WindowFrontEnd::start(InstallFlow& flow) {
    runner_ = std::make_unique<FlowRunner>(flow);
    window_ = std::make_unique<InstallerWindow>(words_, flow.state(), log_, *runner_);
    window_->show();
}

int WindowFrontEnd::run(InstallFlow& flow) {
    if (window_) return flow.exitCode();  // One run only.
    start(flow);
    QEventLoop loop;
    QObject::connect(window_.get(), &InstallerWindow::flowFinished, &loop, &QEventLoop::quit);
    loop.exec();
    runner_.reset();  // Nothing of the flow runs any more when its exit code is read.
    window_->hide();
    return flow.exitCode();
}

void WindowFrontEnd::shown(const FlowState& state) {
    InstallerWindow* window = window_.get();
    QMetaObject::invokeMethod(
        window, [window, state]() { window->paint(state); }, Qt::QueuedConnection);
}

bool WindowFrontEnd::confirm(const std::string& question) {
    InstallerWindow* window = window_.get();
    bool yes = false;
    // The runner runs no other request meanwhile, so the window cannot go while it waits.
    QMetaObject::invokeMethod(
        window, [window, &question, &yes]() { yes = window->ask(question); },
        Qt::BlockingQueuedConnection);
    return yes;
}

}  // namespace installer
