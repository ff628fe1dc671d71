// The window through a real install on a fake machine: the payload lands in the chosen
// copy's template folder and the summary says so; a failure part way rolls back and the
// summary says what failed; an older version over a newer one is asked in a message box
// while the install waits for the answer.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "installer/present/install_texts.h"
#include "installer/install/payload_install.h"
#include "scratch_folder.h"
#include "tree_snapshot.h"
#include "window_harness.h"

namespace window_test {
namespace {

namespace fs = std::filesystem;
using packgate_test::FakeMachine;

const installer::PackIdentity kPack{"com.velmora.pack.inks", "2.0", "Velmora Inks Pack"};

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class WindowPackInstall : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        templateFolder_ = machine_.addMakerHost({}).templateFolder;
        payload_ = scratch_.MakeFolder("Payload");
        scratch_.Write("Payload/a.qtpl", "ink a\n");
        scratch_.Write("Payload/Brushes/b.qtpl", std::string(3000, 'b'));
        scratch_.Write("Payload/z.qtpl", "ink z\n");
    }
    installer::InstallPlan plan(const std::string& version = kPack.version) const {
        installer::PackIdentity pack = kPack;
        pack.version = version;
        return {pack, payload_, false, {}};
    }
    // Continue on the introduction, then on the pane: the install runs, then the summary.
    static void InstallThrough(const WindowRun& run) {
        ASSERT_TRUE(run.click(run.continueButton()));
        ASSERT_EQ(run.rows().size(), 1u);
        ASSERT_TRUE(run.click(run.continueButton()));
        ASSERT_EQ(run.window().step(), installer::FlowStep::Summary);
    }
    static QString Paragraph(const WindowRun& run, int index) {
        const auto* label = run.find<QLabel>(QStringLiteral("summaryParagraph%1").arg(index));
        return label == nullptr ? QString() : label->text();
    }

    FakeMachine machine_;
    packgate_test::ScratchFolder scratch_{"pg-window-pack"};
    std::string templateFolder_;
    std::string payload_;
};

TEST_F(WindowPackInstall, ClickingThroughInstallsThePayloadAndTheSummarySaysSo) {
    packgate_test::FakeMachine::writeText(templateFolder_ + "/Mine.qtpl", "my own\n");
    WindowRun run("en", nullptr, plan());
    InstallThrough(run);
    EXPECT_EQ(FileText(templateFolder_ + "/a.qtpl"), "ink a\n");
    EXPECT_EQ(FileText(templateFolder_ + "/Brushes/b.qtpl"), std::string(3000, 'b'));
    EXPECT_EQ(FileText(templateFolder_ + "/Mine.qtpl"), "my own\n");
    const auto* bar = run.find<QProgressBar>("installBar");
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_EQ(bar->value(), 3);

    installer::InstallReport told;
    told.installed = true;
    told.packTitle = kPack.title;
    told.packVersion = kPack.version;
    told.hostTitle = "Quillet 5 Studio";
    told.files = 3;
    told.bytes = 6 + 3000 + 6;
    told.destination = templateFolder_;
    EXPECT_EQ(Paragraph(run, 0).toStdString(), installer::InstallSentence(told, run.words()));
    EXPECT_TRUE(Paragraph(run, 1).startsWith("Receipt: ")) << Paragraph(run, 1).toStdString();
    // Once installed the pane is not chosen again; Close ends the run with success.
    EXPECT_FALSE(run.backButton()->isEnabled());
    ASSERT_TRUE(run.click(run.continueButton()));
    ASSERT_TRUE(run.window().outcome());
    EXPECT_EQ(run.window().outcome()->exitCode, 0);
}

TEST_F(WindowPackInstall, AFailurePartWayRollsBackAndTheSummarySaysWhatFailed) {
    // The user's a.qtpl is replaced first, then z.qtpl finds a folder in its way.
    packgate_test::FakeMachine::writeText(templateFolder_ + "/a.qtpl", "the user's a\n");
    packgate_test::FakeMachine::writeText(templateFolder_ + "/z.qtpl/inside.txt", "kept\n");
    const auto before = packgate_test::SnapshotTree(templateFolder_);
    WindowRun run("en", nullptr, plan());
    InstallThrough(run);
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(templateFolder_)), "");
    const std::string failed = Paragraph(run, 0).toStdString();
    EXPECT_TRUE(failed.starts_with(kPack.title + " was not installed: ")) << failed;
    EXPECT_NE(failed.find(templateFolder_ + "/z.qtpl"), std::string::npos) << failed;
    EXPECT_EQ(Paragraph(run, 1).toStdString(), run.words().text("install.nothing_left"));
    ASSERT_TRUE(run.click(run.continueButton()));
    ASSERT_TRUE(run.window().outcome());
    EXPECT_EQ(run.window().outcome()->exitCode, 1);
}

// Answers the install's question box with `answer` as soon as it shows; counts the boxes.
class QuestionAnswerer {
  public:
    QuestionAnswerer(const WindowRun& run, QMessageBox::StandardButton answer) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, &run, answer]() {
            auto* box = run.window().findChild<QMessageBox*>("question");
            if (box == nullptr || !box->isVisible()) return;
            question_ = box->text().toStdString();
            ++asked_;
            box->button(answer)->click();
        });
        timer_.start();
    }
    int asked() const { return asked_; }
    const std::string& question() const { return question_; }

  private:
    QTimer timer_;
    int asked_ = 0;
    std::string question_;
};

TEST_F(WindowPackInstall, AnOlderVersionIsAskedAndInstallsOnlyOnYes) {
    {
        WindowRun first("en", nullptr, plan("2.0"));
        InstallThrough(first);
    }
    scratch_.Write("Payload/a.qtpl", "older ink a\n");
    {
        WindowRun refused("en", nullptr, plan("1.0"));
        const QuestionAnswerer no(refused, QMessageBox::No);
        InstallThrough(refused);
        EXPECT_EQ(no.asked(), 1);
        EXPECT_NE(no.question().find("Install the older version?"), std::string::npos) << no.question();
        EXPECT_EQ(FileText(templateFolder_ + "/a.qtpl"), "ink a\n");
        EXPECT_TRUE(Paragraph(refused, 0).contains("was not installed")) << Paragraph(refused, 0).toStdString();
    }
    WindowRun allowed("en", nullptr, plan("1.0"));
    const QuestionAnswerer yes(allowed, QMessageBox::Yes);
    InstallThrough(allowed);
    EXPECT_EQ(yes.asked(), 1);
    EXPECT_EQ(FileText(templateFolder_ + "/a.qtpl"), "older ink a\n");
}

}  // namespace
}  // namespace window_test
