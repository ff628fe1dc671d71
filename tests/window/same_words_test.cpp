// The window and the terminal screen say the same words at the same step: both take them from
// the one presentation module, and this compares what each actually shows. Painting the same
// state, both offer the same buttons.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "fake_pane.h"
#include "installer/terminal/screen_layout.h"
#include "decided_screen.h"
#include "window_harness.h"

namespace window_test {
namespace {

using installer::FlowStep;

// The terminal screen as text, wide enough that nothing is cut.
std::string TerminalScreen(const installer::ScreenInput& model) {
    std::string all;
    for (const std::string& line :
         installer::FrameText(installer::LayoutScreen(installer_test::Decided(model), 140, 40), 140, 40)) {
        all += line + "\n";
    }
    return all;
}

bool Shows(const std::string& screen, const QString& text) {
    return !text.isEmpty() && screen.find(text.toStdString()) != std::string::npos;
}

using installer_test::HeldPane;

TEST(SameWords, TheWindowAndTheTerminalSayTheSameAtEachStep) {
    EnsureApplication();
    HeldPane pane;
    // The terminal speaks the user's language; the window is opened in the same one.
    WindowRun run(installer::Words::ForUser().language(), &pane);
    installer::ScreenInput model;
    model.flow.packTitle = "Velmora Brushes";

    // The introduction: who signed the pack, and the button that goes on.
    installer::PackSignature signature;
    signature.state = installer::PackSignature::State::Trusted;
    signature.keyId = "0123456789ABCDEF";
    signature.signer = "Velmora";
    for (const auto& shown : {signature, installer::PackSignature{}}) {
        model.flow.signature = shown;
        run.window().paint(installer_test::Decided(model).flow);
        const auto* line = run.find<QLabel>("introductionSignature");
        ASSERT_NE(line, nullptr);
        EXPECT_TRUE(Shows(TerminalScreen(model), line->text())) << line->text().toStdString();
    }
    // The introduction's heading and paragraphs, on a screen wide enough that none is wrapped.
    std::string wide;
    for (const std::string& line :
         installer::FrameText(installer::LayoutScreen(installer_test::Decided(model), 400, 60), 400, 60)) {
        wide += line + "\n";
    }
    const QString heading = run.find<QLabel>("introductionHeading")->text();
    EXPECT_TRUE(Shows(wide, heading)) << heading.toStdString();
    const QStringList paragraphs =
        run.find<QLabel>("introductionBody")->text().split(QStringLiteral("\n\n"));
    EXPECT_EQ(paragraphs.size(), 2);
    for (const QString& paragraph : paragraphs) {
        EXPECT_TRUE(Shows(wide, paragraph)) << paragraph.toStdString();
    }

    const QString next = "[ " + run.continueButton()->text() + " ]";
    EXPECT_TRUE(Shows(TerminalScreen(model), next)) << next.toStdString();

    // The wait while the pane looks for copies.
    QTest::mouseClick(run.continueButton(), Qt::LeftButton);
    pane.entered.wait();
    const auto* busy = run.find<QProgressBar>("busyBar");
    ASSERT_TRUE(QTest::qWaitFor([&]() { return busy->isVisible(); }, 60000));
    const QString wait = run.find<QLabel>("waitLabel")->text();
    model.flow.wait = installer::FlowWait::EnteringPane;
    bool same = false;
    for (model.waitSeconds = 0; model.waitSeconds < 60 && !same; ++model.waitSeconds) {
        same = Shows(TerminalScreen(model), wait);
    }
    EXPECT_TRUE(same) << wait.toStdString();
    pane.release.count_down();
    ASSERT_TRUE(run.waitIdle());
    model.flow.wait.reset();

    // The summary's last button.
    ASSERT_TRUE(run.click(run.continueButton()));
    ASSERT_EQ(run.window().step(), FlowStep::Summary);
    model.flow.step = FlowStep::Summary;
    const QString finish = "[ " + run.continueButton()->text() + " ]";
    EXPECT_TRUE(Shows(TerminalScreen(model), finish)) << finish.toStdString();

    // The pane's rows with their details, and the copies it turned away.
    installer::PaneView pane_view;
    pane_view.title = "Choose a copy";
    installer::PaneRow row;
    row.tag = 0;
    row.title = "Quillet 5 Studio";
    row.kind = "maker";
    row.version = "5.2.1";
    row.path = "/Applications/Quillet 5.app";
    row.selected = true;
    pane_view.rows = {row};
    installer::CandidateView offered;
    offered.name = "Quillet 5 Studio";
    offered.offered = true;
    installer::CandidateView old;
    old.name = "Quillet 4";
    old.reason = "its revision code is below what the pack needs";
    pane_view.candidates = {offered, old};
    model.flow.step = FlowStep::Pane;
    model.flow.pane = pane_view;
    run.window().paint(installer_test::Decided(model).flow);
    const std::string paneScreen = TerminalScreen(model);
    const auto* details = run.find<QLabel>("paneRowDetails0");
    ASSERT_NE(details, nullptr);
    EXPECT_TRUE(Shows(paneScreen, details->text())) << details->text().toStdString() << paneScreen;
    const auto* turnedAway = run.find<QLabel>("paneTurnedAway0");
    ASSERT_NE(turnedAway, nullptr);
    EXPECT_TRUE(Shows(paneScreen, turnedAway->text())) << turnedAway->text().toStdString();
    EXPECT_EQ(run.find<QLabel>("paneTurnedAway1"), nullptr);  // The offered copy is a row.
}

}  // namespace
// Whether the terminal draws the button `label` ("[ Go Back ]") as one that can be pressed.
bool TerminalOffers(const installer::ScreenInput& input, const QString& label) {
    const auto frame = installer::LayoutScreen(installer_test::Decided(input), 140, 40);
    for (const installer::Span& span : frame.layers.front().spans) {
        if (span.text == "[ " + label.toStdString() + " ]") {
            return span.style != installer::Style::ButtonDisabled;
        }
    }
    ADD_FAILURE() << "no button " << label.toStdString();
    return false;
}

TEST(SameWords, TheWindowAndTheTerminalOfferTheSameButtonsForTheSameState) {
    EnsureApplication();
    installer_test::FakePane pane;
    WindowRun run(installer::Words::ForUser().language(), &pane);
    installer::PaneRow row;
    row.title = "Quillet 5 Studio";
    row.selected = true;
    installer::InstallReport installed;
    installed.installed = true;
    struct Case {
        const char* name;
        FlowStep step;
        bool nextEnabled;
        std::optional<installer::FlowWait> wait;
        std::optional<installer::InstallReport> install;
    };
    const Case cases[] = {
        {"introduction", FlowStep::Introduction, false, std::nullopt, std::nullopt},
        {"pane", FlowStep::Pane, true, std::nullopt, std::nullopt},
        {"pane, Continue off", FlowStep::Pane, false, std::nullopt, std::nullopt},
        {"pane, leaving", FlowStep::Pane, true, installer::FlowWait::LeavingPane, std::nullopt},
        {"summary", FlowStep::Summary, true, std::nullopt, std::nullopt},
        {"summary, failed", FlowStep::Summary, true, std::nullopt, installer::InstallReport{}},
        {"summary, installed", FlowStep::Summary, true, std::nullopt, installed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        installer::ScreenInput input;
        input.flow.step = c.step;
        input.flow.installPlanned = c.install.has_value();
        input.flow.pane.rows = {row};
        input.flow.pane.nextEnabled = c.nextEnabled;
        input.flow.wait = c.wait;
        input.flow.install = c.install;
        ++input.flow.paneShown;
        run.window().paint(installer_test::Decided(input).flow);
        EXPECT_EQ(run.backButton()->isEnabled(), TerminalOffers(input, run.backButton()->text()));
        EXPECT_EQ(run.continueButton()->isEnabled(),
                  TerminalOffers(input, run.continueButton()->text()));
    }
    // What the flow decides shows in both: no way back once the pack is in.
    EXPECT_FALSE(run.backButton()->isEnabled());
}

}  // namespace window_test
