// The window clicked through on fake machines: what each page shows, which buttons work, and
// the handoff list the pane writes, in both languages.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <latch>
#include <thread>

#include "fake_pane.h"
#include "installer/window/log_window.h"
#include "installer_program.h"
#include "window_harness.h"

namespace window_test {
namespace {

namespace fs = std::filesystem;
using packgate_test::FakeMachine;
using packgate_test::MakerHost;

QString Text(const installer::Words& words, const char* key) {
    return QString::fromStdString(words.text(key));
}

// The handoff list's "ContInstallPath" as Python's plistlib reads it, empty when it cannot.
std::string HandoffInstallPath(const FakeMachine& machine) {
    const std::string command =
        "python3 -c 'import plistlib, sys; "
        "print(plistlib.load(open(sys.argv[1], \"rb\"))[\"ContInstallPath\"], end=\"\")' '" +
        machine.handoffListPath() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::string text;
    char buffer[4096];
    while (const std::size_t got = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, got);
    pclose(pipe);
    return text;
}

class WindowFlow : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override { EnsureApplication(); }
    FakeMachine machine_;
};

TEST_P(WindowFlow, TwoCopiesChooseTheSecondAndGoOnToTheSummary) {
    machine_.addMakerHost({});
    const auto store = machine_.addStoreHost({});
    WindowRun run(GetParam());
    const auto& words = run.words();
    EXPECT_EQ(run.currentStep(), Text(words, "step.introduction"));
    EXPECT_FALSE(run.backButton()->isEnabled());
    EXPECT_EQ(run.continueButton()->text(), Text(words, "button.continue"));

    ASSERT_TRUE(run.click(run.continueButton()));
    EXPECT_EQ(run.currentStep(), Text(words, "step.destination"));
    auto rows = run.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0]->isChecked());
    EXPECT_FALSE(rows[1]->isChecked());
    EXPECT_TRUE(run.continueButton()->isEnabled());
    const auto* label = run.find<QLabel>("paneLabel");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->wordWrap());
    EXPECT_EQ(label->text().toStdString(),
              installer_test::BundleText("ID_CONTENTINSTALL_DESCRIPTION", GetParam()));

    ASSERT_TRUE(run.click(rows[1]));
    rows = run.rows();  // Drawn again from the pane's view.
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0]->isChecked());
    EXPECT_TRUE(rows[1]->isChecked());

    ASSERT_TRUE(run.click(run.continueButton()));
    EXPECT_EQ(run.currentStep(), Text(words, "step.summary"));
    EXPECT_EQ(HandoffInstallPath(machine_), store.appPath);
    const auto* where = run.find<QLabel>("summaryParagraph1");
    ASSERT_NE(where, nullptr);
    EXPECT_TRUE(where->text().contains(QString::fromStdString(machine_.handoffListPath())));
    EXPECT_EQ(run.continueButton()->text(), Text(words, "button.finish"));

    ASSERT_TRUE(run.click(run.continueButton()));
    ASSERT_TRUE(run.window().outcome());
    EXPECT_TRUE(run.window().outcome()->wentOn);
    EXPECT_EQ(run.window().outcome()->exitCode, 0);
}

TEST_P(WindowFlow, NoCopyLeavesContinueDisabledAndGoBackWorks) {
    WindowRun run(GetParam());
    ASSERT_TRUE(run.click(run.continueButton()));
    EXPECT_TRUE(run.rows().empty());
    EXPECT_FALSE(run.continueButton()->isEnabled());
    EXPECT_FALSE(run.click(run.continueButton()));
    ASSERT_TRUE(run.click(run.backButton()));
    EXPECT_EQ(run.currentStep(), Text(run.words(), "step.introduction"));
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

TEST_P(WindowFlow, AMissingTemplateFolderShowsTheSheetUntilItsButtonIsPressed) {
    MakerHost host;
    host.createTemplateFolder = false;
    machine_.addMakerHost(host);
    WindowRun run(GetParam());
    ASSERT_TRUE(run.click(run.continueButton()));
    ASSERT_TRUE(run.click(run.continueButton()));
    auto* sheet = run.find<QMessageBox>("sheet");
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->text().toStdString(),
              installer_test::BundleText("ID_WARN_TempPath_NOT_FOUND", GetParam()));
    ASSERT_EQ(sheet->buttons().size(), 1);
    EXPECT_EQ(sheet->buttons()[0]->text().toStdString(),
              installer_test::BundleText("OK_BUTTON", GetParam()));
    // Nothing but the sheet's button works while it is up.
    EXPECT_FALSE(run.backButton()->isEnabled());
    EXPECT_FALSE(run.continueButton()->isEnabled());

    ASSERT_TRUE(run.click(sheet->buttons()[0]));
    EXPECT_EQ(run.find<QMessageBox>("sheet"), nullptr);
    EXPECT_EQ(run.currentStep(), Text(run.words(), "step.destination"));
    EXPECT_FALSE(run.continueButton()->isEnabled());  // The pane disabled it.
    EXPECT_TRUE(run.backButton()->isEnabled());
}

TEST_P(WindowFlow, GoingBackFromTheSummaryEntersThePaneAgain) {
    machine_.addMakerHost({});
    WindowRun run(GetParam());
    ASSERT_TRUE(run.click(run.continueButton()));
    ASSERT_TRUE(run.click(run.continueButton()));
    ASSERT_EQ(run.currentStep(), Text(run.words(), "step.summary"));
    // A second copy appears meanwhile: the new entry finds it.
    MakerHost second;
    second.name = "quillet6";
    second.productTitle = "Quillet 6 Studio";
    machine_.addMakerHost(second);
    ASSERT_TRUE(run.click(run.backButton()));
    EXPECT_EQ(run.currentStep(), Text(run.words(), "step.destination"));
    EXPECT_EQ(run.rows().size(), 2u);
    ASSERT_TRUE(run.click(run.backButton()));
    ASSERT_TRUE(run.click(run.continueButton()));
    EXPECT_EQ(run.rows().size(), 2u);

    // Closing the window mid-way quits: the pane kept the person.
    run.window().close();
    ASSERT_TRUE(run.waitIdle());
    ASSERT_TRUE(run.window().outcome());
    EXPECT_FALSE(run.window().outcome()->wentOn);
    EXPECT_EQ(run.window().outcome()->entries, 3);
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowFlow, ::testing::Values("en", "zh_TW"),
                         [](const auto& param) { return param.param; });

// ---- The pane's code off the interface thread -------------------------------------------

using installer_test::HeldPane;

TEST(WindowWait, TheWindowAnswersAndShowsTheWaitWhileThePaneWorks) {
    EnsureApplication();
    HeldPane pane;
    pane.rowsToList = {"Quillet & Co <b>Studio</b>"};
    WindowRun run("en", &pane);
    QTest::mouseClick(run.continueButton(), Qt::LeftButton);
    pane.entered.wait();
    // The pane is busy on the worker: the window still paints and shows the wait.
    const auto* busy = run.find<QProgressBar>("busyBar");
    ASSERT_TRUE(QTest::qWaitFor([&]() { return busy->isVisible(); }, 60000));
    const auto* wait = run.find<QLabel>("waitLabel");
    EXPECT_TRUE(wait->text().startsWith(Text(run.words(), "wait.entering_pane"))) <<
        wait->text().toStdString();
    EXPECT_FALSE(run.continueButton()->isEnabled());
    EXPECT_FALSE(run.backButton()->isEnabled());
    run.window().openLog();  // The menu works during the wait.
    EXPECT_TRUE(run.window().logWindow()->isVisible());
    pane.release.count_down();
    ASSERT_TRUE(run.waitIdle());
    EXPECT_FALSE(busy->isVisible());
    // The row's title is shown as it stands: no markup, no shortcut mark.
    const auto rows = run.rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->text(), QStringLiteral("Quillet && Co <b>Studio</b>"));
    EXPECT_TRUE(run.continueButton()->isEnabled());
}

TEST(WindowPaneStopped, SaysWhyAndTheRunEndsWithOneWhenItIsRead) {
    EnsureApplication();
    installer_test::StoppingPane pane("enter");
    WindowRun run("en", &pane);
    bool ended = false;
    QObject::connect(&run.window(), &installer::InstallerWindow::flowFinished,
                     [&ended]() { ended = true; });
    QTest::mouseClick(run.continueButton(), Qt::LeftButton);
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&]() { return (box = run.find<QMessageBox>("paneStopped")); }, 60000));
    EXPECT_EQ(box->text().toStdString(), "The pack's pane stopped: it crashed.");
    EXPECT_FALSE(ended);  // Not before the person has read it.
    EXPECT_FALSE(run.continueButton()->isEnabled());
    box->accept();
    ASSERT_TRUE(QTest::qWaitFor([&]() { return ended; }, 60000));
}

// ---- The installation page, driven as the install step will drive it ---------------------

TEST(WindowInstall, ProgressFromAnotherThreadMovesTheBar) {
    EnsureApplication();
    installer_test::FakePane pane;
    WindowRun run("en", &pane);
    std::thread install([&run]() {
        auto& frontEnd = run.frontEnd();
        installer::FlowState state;
        state.step = installer::FlowStep::Install;
        state.installPlanned = true;
        state.wait = installer::FlowWait::Installing;
        installer::DecideControls(state);
        frontEnd.shown(state);
        installer::InstallProgress progress;
        progress.filesTotal = 8;
        for (std::size_t done = 1; done <= 3; ++done) {
            progress.filesDone = done;
            progress.currentFile = "Templates/brush" + std::to_string(done) + ".qtp";
            state.progress = progress;
            frontEnd.shown(state);
        }
    });
    install.join();
    const auto* bar = run.find<QProgressBar>("installBar");
    ASSERT_TRUE(QTest::qWaitFor([&]() { return bar->value() == 3; }, 60000));
    EXPECT_EQ(bar->maximum(), 8);
    EXPECT_EQ(run.currentStep(), Text(run.words(), "step.installation"));
    EXPECT_EQ(run.find<QLabel>("installFile")->text(), QStringLiteral("Copying Templates/brush3.qtp"));
    EXPECT_FALSE(run.continueButton()->isEnabled());
    EXPECT_FALSE(run.backButton()->isEnabled());
}

// ---- The log window ------------------------------------------------------------------------

TEST(WindowLog, ShowsThisRunsLinesMessageFirstFiltersAndSavesWhatItShows) {
    EnsureApplication();
    FakeMachine machine;
    machine.addMakerHost({});
    WindowRun run("en");
    ASSERT_TRUE(run.click(run.continueButton()));
    run.window().openLog();
    installer::LogWindow& log = *run.window().logWindow();
    const QStringList all = log.shownLines();
    ASSERT_FALSE(all.isEmpty());
    EXPECT_EQ(all.size(), static_cast<qsizetype>(run.log().entries().size()));
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](const QString& line) {
        return line.startsWith(QStringLiteral("didEnterPane")) && line.endsWith(QLatin1Char(')'));
    }));

    auto* filter = log.findChild<QLineEdit*>("logFilter");
    ASSERT_NE(filter, nullptr);
    QTest::keyClicks(filter, "DIDENTER");
    ASSERT_FALSE(log.shownLines().isEmpty());
    EXPECT_LT(log.shownLines().size(), all.size());
    for (const QString& line : log.shownLines()) EXPECT_TRUE(line.contains("didEnter"));

    const std::string saved = machine.folder() + "/saved.log";
    ASSERT_TRUE(log.saveTo(QString::fromStdString(saved)));
    std::ifstream in(saved);
    std::string line;
    qsizetype count = 0;
    while (std::getline(in, line)) EXPECT_EQ(QString::fromStdString(line), log.shownLines()[count++]);
    EXPECT_EQ(count, log.shownLines().size());
    EXPECT_FALSE(log.saveTo(QString::fromStdString(machine.folder() + "/no/such/folder/x.log")));
}

}  // namespace
}  // namespace window_test
