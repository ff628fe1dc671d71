#include "installer/window/installer_window.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <chrono>
#include <utility>

#include "installer/present/flow_words.h"
#include "installer/window/log_window.h"
#include "installer/window/pane_page.h"
#include "installer/window/window_texts.h"

namespace installer {
namespace {

enum Page { kIntroductionPage, kPanePage, kInstallPage, kSummaryPage };

Page PageOf(FlowStep step) {
    switch (step) {
        case FlowStep::Introduction:
            return kIntroductionPage;
        case FlowStep::Pane:
            return kPanePage;
        case FlowStep::Install:
            return kInstallPage;
        case FlowStep::Summary:
        case FlowStep::Finished:
            break;
    }
    return kSummaryPage;
}

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* TextLabel(const std::string& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(ToQt(text), parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QLabel* HeadingLabel(const std::string& text, const char* name, QWidget* parent) {
    QLabel* label = TextLabel(text, name, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    label->setFont(font);
    return label;
}

// Removes and deletes every item of `layout`.
void Clear(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QLayout* inner = item->layout()) Clear(inner);
        delete item->widget();
        delete item;
    }
}

}  // namespace

InstallerWindow::InstallerWindow(const Words& words, const FlowState& state,
                                 const InstallLog& log, FlowRunner& runner)
    : words_(words), packTitle_(state.packTitle), log_(log), runner_(runner), state_(state) {
    const std::string& packTitle = packTitle_;
    setObjectName("installerWindow");
    setWindowTitle(ToQt(words.text("window.title", {{"pack", packTitle}})));
    auto* central = new QWidget(this);
    auto* body = new QHBoxLayout;
    pages_ = new QStackedWidget(central);
    pages_->setObjectName("pages");
    panePage_ = new PanePage(words, pages_);
    pages_->addWidget(buildIntroduction(packTitle));
    pages_->addWidget(panePage_);
    pages_->addWidget(buildInstallation(packTitle));
    pages_->addWidget(buildSummaryPage());
    body->addWidget(buildSteps());
    body->addWidget(pages_, 1);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(body, 1);
    layout->addWidget(buildButtons());
    setCentralWidget(central);

    QMenu* menu = menuBar()->addMenu(ToQt(words.text("window.menu.window")));
    QAction* logAction = menu->addAction(ToQt(words.text("window.menu.log")));
    logAction->setObjectName("logAction");
    logAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(logAction, &QAction::triggered, this, [this]() { openLog(); });
    logWindow_ = new LogWindow(log_, words_, this);

    connect(panePage_, &PanePage::rowChosen, this, [this](int index) {
        post([index](InstallFlow& flow) { return flow.selectRow(static_cast<std::size_t>(index)); });
    });
    waitTimer_.setInterval(1000);
    connect(&waitTimer_, &QTimer::timeout, this, [this]() { tick(); });
    showSignature(state.signature);
    showStep(state.step);
    if (state.step == FlowStep::Pane) panePage_->showPane(state.pane);
    updateControls();
}

void InstallerWindow::paint(const FlowState& state) {
    const FlowState before = std::exchange(state_, state);
    showSignature(state.signature);
    if (state.step != before.step) showStep(state.step);
    if (state.wait != before.wait) {
        if (before.wait) endWait();
        if (state.wait) startWait(*state.wait);
    }
    if (state.paneShown != before.paneShown) panePage_->showPane(state.pane);
    if (state.sheetShown() && !sheetUp_) showSheet(*state.pane.sheet);
    if (state.progress && state.step == FlowStep::Install) showProgress(*state.progress);
    if (state.step == FlowStep::Summary && before.step != FlowStep::Summary) showSummary();
    updateControls();
    if (state.outcome && !before.outcome) finish(*state.outcome);
}

QWidget* InstallerWindow::buildSteps() {
    auto* side = new QWidget(this);
    side->setObjectName("steps");
    auto* layout = new QVBoxLayout(side);
    for (const char* key :
         {"step.introduction", "step.destination", "step.installation", "step.summary"}) {
        QLabel* label = TextLabel(words_.text(key), key, side);
        label->setWordWrap(false);
        stepLabels_.push_back(label);
        layout->addWidget(label);
    }
    layout->addStretch(1);
    return side;
}

QWidget* InstallerWindow::buildIntroduction(const std::string& packTitle) {
    auto* page = new QWidget(pages_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        HeadingLabel(IntroductionHeading(packTitle, words_), "introductionHeading", page));
    signature_ = TextLabel({}, "introductionSignature", page);
    signature_->hide();
    layout->addWidget(signature_);
    std::string body;
    for (const std::string& paragraph : IntroductionParagraphs(words_)) {
        body += (body.empty() ? "" : "\n\n") + paragraph;
    }
    layout->addWidget(TextLabel(body, "introductionBody", page));
    layout->addStretch(1);
    return page;
}

void InstallerWindow::showSignature(const std::optional<PackSignature>& signature) {
    const auto line = SignatureLine(signature, words_);
    signature_->setVisible(line.has_value());
    if (!line) return;
    signature_->setText(ToQt(*line));
    const bool trusted = signature->state == PackSignature::State::Trusted;
    signature_->setStyleSheet(trusted ? QString() : QStringLiteral("color: #b00020;"));
}

QWidget* InstallerWindow::buildInstallation(const std::string& packTitle) {
    auto* page = new QWidget(pages_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HeadingLabel(words_.text("window.install.heading", {{"pack", packTitle}}),
                                   "installHeading", page));
    installFile_ = TextLabel(words_.text("window.install.not_started"), "installFile", page);
    installBar_ = new QProgressBar(page);
    installBar_->setObjectName("installBar");
    installBar_->setRange(0, 1);
    installBar_->setValue(0);
    installCount_ = TextLabel({}, "installCount", page);
    layout->addStretch(1);
    layout->addWidget(installFile_);
    layout->addWidget(installBar_);
    layout->addWidget(installCount_);
    layout->addStretch(2);
    return page;
}

QWidget* InstallerWindow::buildSummaryPage() {
    auto* page = new QWidget(pages_);
    summaryLayout_ = new QVBoxLayout(page);
    summaryLayout_->setContentsMargins(0, 0, 0, 0);
    return page;
}

QWidget* InstallerWindow::buildButtons() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    busyBar_ = new QProgressBar(bar);
    busyBar_->setObjectName("busyBar");
    busyBar_->setRange(0, 0);  // Busy: no end known.
    busyBar_->setTextVisible(false);
    busyBar_->setMaximumWidth(120);
    waitLabel_ = TextLabel({}, "waitLabel", bar);
    waitLabel_->setWordWrap(false);
    back_ = new QPushButton(ToQt(words_.text("button.go_back")), bar);
    back_->setObjectName("backButton");
    continue_ = new QPushButton(ToQt(words_.text("button.continue")), bar);
    continue_->setObjectName("continueButton");
    continue_->setDefault(true);
    layout->addWidget(busyBar_);
    layout->addWidget(waitLabel_, 1);
    layout->addWidget(back_);
    layout->addWidget(continue_);
    connect(back_, &QPushButton::clicked, this,
            [this]() { post([](InstallFlow& flow) { return flow.back(); }); });
    connect(continue_, &QPushButton::clicked, this,
            [this]() { post([](InstallFlow& flow) { return flow.next(); }); });
    return bar;
}

// The answer comes back on the interface thread, queued after every state the request
// published, with the state right after it.
void InstallerWindow::post(FlowRunner::Request request) {
    ++pending_;
    updateControls();
    runner_.post(std::move(request), [this](FlowAnswer, const FlowState& state) {
        QMetaObject::invokeMethod(
            this,
            [this, state]() {
                --pending_;
                paint(state);
            },
            Qt::QueuedConnection);
    });
}

void InstallerWindow::showStep(FlowStep step) {
    const Page page = PageOf(step);
    pages_->setCurrentIndex(page);
    for (std::size_t i = 0; i < stepLabels_.size(); ++i) {
        QFont font = stepLabels_[i]->font();
        font.setBold(i == static_cast<std::size_t>(page));
        stepLabels_[i]->setFont(font);
        stepLabels_[i]->setEnabled(i <= static_cast<std::size_t>(page));
    }
    continue_->setText(ToQt(ContinueLabel(step, words_)));
}

void InstallerWindow::showSheet(const appkit::Sheet& sheet) {
    sheetUp_ = true;
    auto* box = new QMessageBox(QMessageBox::Information, ToQt(sheet.title.value_or(packTitle_)),
                                ToQt(sheet.message), QMessageBox::NoButton, this);
    box->setObjectName("sheet");
    box->setTextFormat(Qt::PlainText);
    box->addButton(ButtonText(sheet.defaultButton), QMessageBox::AcceptRole);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // However the box goes (its button, Escape), the pane's sheet ends with it.
    connect(box, &QMessageBox::finished, this, [this]() {
        sheetUp_ = false;
        post([](InstallFlow& flow) { return flow.dismissSheet(); });
    });
    box->open();
}

void InstallerWindow::startWait(FlowWait wait) {
    waitTimer_.start();
    if (wait == FlowWait::Installing) {
        installFile_->clear();
        installBar_->setRange(0, 0);
    }
    tick();
}

void InstallerWindow::endWait() {
    waitTimer_.stop();
    waitLabel_->clear();
}

void InstallerWindow::tick() {
    if (!state_.wait) return;
    const auto taken = std::chrono::steady_clock::now() - state_.waitSince;
    waitLabel_->setText(ToQt(WaitText(
        words_, *state_.wait, std::chrono::duration_cast<std::chrono::seconds>(taken).count())));
    if (logWindow_->isVisible()) logWindow_->refresh();
}

void InstallerWindow::showProgress(const InstallProgress& progress) {
    // A bar counts files; one of the counts past int's range would not show, so scale both.
    const std::size_t total = std::max<std::size_t>(progress.filesTotal, 1);
    const std::size_t scale = total > 1000000 ? total / 1000000 + 1 : 1;
    installBar_->setRange(0, static_cast<int>(total / scale));
    installBar_->setValue(static_cast<int>(std::min(progress.filesDone, total) / scale));
    installFile_->setText(ToQt(words_.text("window.install.file", {{"file", progress.currentFile}})));
    installCount_->setText(ToQt(words_.text(
        "window.install.count", {{"done", std::to_string(progress.filesDone)},
                                 {"total", std::to_string(progress.filesTotal)}})));
}

void InstallerWindow::showSummary() {
    Clear(summaryLayout_);
    const SummaryText summary = MakeSummary(words_, packTitle_, state_.handoff, state_.install);
    summaryLayout_->addWidget(HeadingLabel(words_.text("window.summary.heading"), "summaryHeading",
                                           pages_->widget(kSummaryPage)));
    for (std::size_t i = 0; i < summary.paragraphs.size(); ++i) {
        QLabel* label = TextLabel(summary.paragraphs[i], "summaryParagraph", nullptr);
        label->setObjectName(QStringLiteral("summaryParagraph%1").arg(i));
        summaryLayout_->addWidget(label);
    }
    if (!summary.values.empty()) {
        auto* form = new QFormLayout;
        form->setRowWrapPolicy(QFormLayout::WrapLongRows);
        for (const auto& [key, value] : summary.values) {
            QLabel* valueLabel = TextLabel(value, "summaryValue", nullptr);
            valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
            form->addRow(TextLabel(key, "summaryKey", nullptr), valueLabel);
        }
        summaryLayout_->addLayout(form);
    }
    summaryLayout_->addStretch(1);
}

// What the buttons can do is the flow's to say; the window only holds them while a request
// it posted is unanswered or the sheet's box is open.
void InstallerWindow::updateControls() {
    const bool free = pending_ == 0 && !sheetUp_;
    continue_->setEnabled(free && state_.canContinue);
    back_->setEnabled(free && state_.canGoBack);
    panePage_->setInteractive(free && !state_.wait && !state_.sheetShown());
    busyBar_->setVisible(state_.wait.has_value());
}

void InstallerWindow::finish(const FlowOutcome& outcome) {
    if (outcome.paneStopped) {
        // The run ends once the person has read why.
        auto* box = new QMessageBox(QMessageBox::Critical, ToQt(packTitle_),
                                    ToQt(*outcome.paneStopped), QMessageBox::Ok, this);
        box->setObjectName("paneStopped");
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        connect(box, &QMessageBox::finished, this, [this]() { emit flowFinished(); });
        box->open();
        return;
    }
    emit flowFinished();
}

bool InstallerWindow::ask(const std::string& question) {
    QMessageBox box(QMessageBox::Question, ToQt(packTitle_), ToQt(question),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName("question");
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::WindowModal);
    return box.exec() == QMessageBox::Yes;
}

void InstallerWindow::openLog() {
    logWindow_->refresh();
    logWindow_->show();
    logWindow_->raise();
}

void InstallerWindow::closeEvent(QCloseEvent* event) {
    if (state_.outcome) {
        event->accept();
        return;
    }
    // Closing the window is a quit; it is posted behind whatever runs now, and the run ends
    // when the flow reports that it is finished.
    event->ignore();
    post([](InstallFlow& flow) {
        flow.quit();
        return FlowAnswer::Done;
    });
}

}  // namespace installer
