#include "window_harness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>

#include "foundation/system_log.h"
#include "installer_program.h"

namespace window_test {
namespace {

// Generous: the tests run under sanitizers on a shared machine too; a wait ends as soon as
// its condition holds.
constexpr int kAnswerMilliseconds = 60000;

int gArgc = 1;
char gProgram[] = "window_tests";
char* gArgv[] = {gProgram, nullptr};

std::string Describe(const QWidget& widget, const QString& text, QSize needs) {
    return widget.objectName().toStdString() + " '" + text.toStdString() + "' needs " +
           std::to_string(needs.width()) + "x" + std::to_string(needs.height()) + ", has " +
           std::to_string(widget.width()) + "x" + std::to_string(widget.height());
}

}  // namespace

void EnsureApplication() {
    if (QApplication::instance() != nullptr) return;
    // Never a window on the developer's screen, whatever the environment says.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Kept for the whole process: Qt's application must outlive every widget.
    new QApplication(gArgc, gArgv);
}

WindowRun::WindowRun(const std::string& language, InstallerPane* pane,
                     std::optional<installer::InstallPlan> plan)
    : words_(installer::Words::ForLanguage(language)), log_(installer::InstallLog::InMemory()) {
    EnsureApplication();
    if (const char* previous = std::getenv("LC_ALL")) previousLanguage_ = previous;
    // The pane chooses its texts by the same variable.
    setenv("LC_ALL", language == "en" ? "en_US.UTF-8" : (language + ".UTF-8").c_str(), 1);
    previousSink_ = foundation::SetLogSink(log_->sink());
    if (pane == nullptr) {
        load_ = installer::LoadPluginBundle(installer_test::kBundle);
        if (!load_.plugin) throw std::runtime_error(load_.error);
        pane = &load_.plugin->pane();
    }
    frontEnd_ = installer::WindowFrontEnd::Open(*log_, words_);
    flow_ = std::make_unique<installer::InstallFlow>(*pane, "Velmora Brushes", *frontEnd_);
    if (plan) flow_->planInstall(std::move(*plan));
    frontEnd_->start(*flow_);
}

WindowRun::~WindowRun() {
    frontEnd_.reset();  // The worker stops before the flow and the pane go.
    flow_.reset();
    foundation::SetLogSink(previousSink_);
    if (previousLanguage_.empty()) {
        unsetenv("LC_ALL");
    } else {
        setenv("LC_ALL", previousLanguage_.c_str(), 1);
    }
}

std::vector<QAbstractButton*> WindowRun::rows() const {
    std::vector<QAbstractButton*> found;
    for (int i = 0;; ++i) {
        auto* row = find<QRadioButton>(QStringLiteral("paneRow%1").arg(i));
        if (row == nullptr) return found;
        found.push_back(row);
    }
}

bool WindowRun::click(QAbstractButton* button) const {
    if (button == nullptr || !button->isEnabled() || !button->isVisible()) return false;
    // A radio button answers clicks on its circle and text only, not on all of its width.
    const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
    const QPoint where = radio ? QPoint(4, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::KeyboardModifiers(), where);
    return waitIdle();
}

bool WindowRun::waitIdle() const {
    return QTest::qWaitFor([this]() { return !window().busy(); }, kAnswerMilliseconds);
}

QString WindowRun::currentStep() const {
    QString bold;
    for (const char* key :
         {"step.introduction", "step.destination", "step.installation", "step.summary"}) {
        const auto* label = find<QLabel>(key);
        if (label != nullptr && label->font().bold()) bold += label->text();
    }
    return bold;
}

std::vector<std::string> ClippedTexts(const QWidget& root) {
    std::vector<std::string> clipped;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&root) || label->text().isEmpty()) continue;
        if (label->wordWrap()) {
            const int needs = label->heightForWidth(label->width());
            if (needs > label->height()) {
                clipped.push_back(Describe(*label, label->text(), {label->width(), needs}));
            }
            continue;
        }
        const QSize needs = label->minimumSizeHint();
        if (needs.width() > label->width() || needs.height() > label->height()) {
            clipped.push_back(Describe(*label, label->text(), needs));
        }
    }
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&root) || button->text().isEmpty()) continue;
        const QSize needs = button->sizeHint();
        if (needs.width() > button->width() || needs.height() > button->height()) {
            clipped.push_back(Describe(*button, button->text(), needs));
        }
    }
    return clipped;
}

}  // namespace window_test
