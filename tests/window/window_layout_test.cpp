// Every page at two window sizes in both languages: rendered to PNG for a person to look at,
// and checked that no label or button text is cut off.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTest>

#include "fake_pane.h"
#include "installer/window/log_window.h"
#include "window_harness.h"

namespace window_test {
namespace {

using packgate_test::FakeMachine;
using packgate_test::MakerHost;

struct Size {
    int width;
    int height;
};
constexpr Size kSizes[] = {{640, 460}, {1000, 700}};

class WindowLayout : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        EnsureApplication();
        QDir().mkpath(PACKGATE_SCREENSHOTS);
    }

    // Renders `widget` at each size and fails on any clipped text.
    void Check(QWidget& widget, const std::string& page) {
        for (const Size size : kSizes) {
            widget.resize(size.width, size.height);
            QApplication::processEvents();
            const std::string name = GetParam() + "-" + std::to_string(size.width) + "x" +
                                     std::to_string(size.height) + "-" + page;
            const QString path = QStringLiteral(PACKGATE_SCREENSHOTS "/%1.png")
                                     .arg(QString::fromStdString(name));
            EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
            for (const std::string& clipped : ClippedTexts(widget)) ADD_FAILURE() << name << ": " << clipped;
        }
    }

    FakeMachine machine_;
};

TEST_P(WindowLayout, EveryPageFitsItsTexts) {
    machine_.addMakerHost({});
    MakerHost longTitle;
    longTitle.name = "quillet-long";
    longTitle.productTitle =
        "Quillet 5 Studio with a title long enough to need more than one line in a narrow "
        "window, as some copies carry";
    machine_.addMakerHost(longTitle);
    machine_.addStoreHost({});
    WindowRun run(GetParam());
    Check(run.window(), "introduction");
    ASSERT_TRUE(run.click(run.continueButton()));
    Check(run.window(), "destination");
    ASSERT_TRUE(run.click(run.continueButton()));
    Check(run.window(), "summary");
    // The install step halfway, as the flow would publish it.
    installer::FlowState installing;
    installing.step = installer::FlowStep::Install;
    installing.installPlanned = true;
    installing.wait = installer::FlowWait::Installing;
    installing.progress = installer::InstallProgress{2, 5, 2048, 8192, "Templates/brushes/ink.qtp"};
    installer::DecideControls(installing);
    run.window().paint(installing);
    Check(run.window(), "installation");
    installing.wait.reset();
    run.window().paint(installing);
    run.window().openLog();
    Check(*run.window().logWindow(), "log");
}

TEST_P(WindowLayout, TheSheetFitsItsTexts) {
    MakerHost host;
    host.createTemplateFolder = false;
    machine_.addMakerHost(host);
    WindowRun run(GetParam());
    ASSERT_TRUE(run.click(run.continueButton()));
    ASSERT_TRUE(run.click(run.continueButton()));
    auto* sheet = run.find<QMessageBox>("sheet");
    ASSERT_NE(sheet, nullptr);
    QApplication::processEvents();
    const QString path = QStringLiteral(PACKGATE_SCREENSHOTS "/%1-sheet.png")
                             .arg(QString::fromStdString(GetParam()));
    EXPECT_TRUE(sheet->grab().save(path));
    for (const std::string& clipped : ClippedTexts(*sheet)) ADD_FAILURE() << clipped;
    Check(run.window(), "destination-sheet");
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowLayout, ::testing::Values("en", "zh_TW"),
                         [](const auto& param) { return param.param; });

}  // namespace
}  // namespace window_test
