// The flow's Install step: after the pane writes the handoff list and lets the installation
// go on, the payload goes into the list's template folder; the summary tells how it went.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "fake_pane.h"
#include "foundation/plist_value.h"
#include "foundation/plist_write.h"
#include "install_scene.h"
#include "installer/model/handoff_list.h"
#include "installer/model/install_flow.h"
#include "installer/script/script_front_end.h"
#include "recording_front_end.h"

namespace installer_test {
namespace {

using installer::FlowAnswer;
using installer::FlowStep;

// A pane that writes the handoff list on a forward exit, as the real one does.
class ListWritingPane : public FakePane {
  public:
    explicit ListWritingPane(std::string templateFolder) : template_(std::move(templateFolder)) {}
    bool shouldExitPane(InstallerSectionDirection direction) override {
        if (direction == InstallerDirectionForward && writeList) {
            foundation::PlistDict list;
            list.set("PRODUCT_TYPE", "Maker");
            list.set("ContTemplatePath", template_);
            list.set("ContInstallPath", template_);
            foundation::WriteDictionaryToFile(list, installer::HandoffListPath(), true);
        }
        return FakePane::shouldExitPane(direction);
    }
    bool writeList = true;

  private:
    std::string template_;
};

class FlowInstall : public testing::Test {
  protected:
    installer::InstallPlan plan(const std::string& version = "1.0") {
        const auto request = scene.request(version);
        return {request.pack, request.payloadPath, false, {}};
    }

    InstallScene scene;
    ListWritingPane pane{scene.templateFolder};
    RecordingFrontEnd frontEnd;
    installer::InstallFlow flow{pane, "Pack", frontEnd};
};

TEST_F(FlowInstall, InstallsAfterThePaneAndThenGoBackNoLongerReturnsToIt) {
    flow.planInstall(plan());
    frontEnd.watched = &flow;
    flow.next();
    ASSERT_EQ(flow.next(), FlowAnswer::Done);
    EXPECT_EQ(flow.step(), FlowStep::Summary);
    ASSERT_TRUE(flow.install());
    EXPECT_TRUE(flow.install()->installed) << flow.install()->error;
    EXPECT_EQ(flow.install()->hostTitle, "Quillet 5 Studio");
    EXPECT_EQ(scene.templateFile("read-me.txt"), "hello\n");
    EXPECT_NE(std::find(frontEnd.stepsDuringWaits.begin(), frontEnd.stepsDuringWaits.end(),
                        FlowStep::Install),
              frontEnd.stepsDuringWaits.end());
    EXPECT_EQ(flow.back(), FlowAnswer::Ignored);
    EXPECT_EQ(flow.step(), FlowStep::Summary);
    flow.next();
    ASSERT_TRUE(frontEnd.outcome);
    ASSERT_TRUE(frontEnd.outcome->install);
    EXPECT_EQ(frontEnd.outcome->exitCode, 0);
}

TEST_F(FlowInstall, AFailedInstallEndsWithExitCodeOneAndGoBackMayTryAgain) {
    flow.planInstall(plan());
    scene.machine.remove(scene.templateFolder);
    flow.next();
    flow.next();
    ASSERT_TRUE(flow.install());
    EXPECT_FALSE(flow.install()->installed);
    EXPECT_EQ(flow.exitCode(), 1);
    EXPECT_EQ(flow.back(), FlowAnswer::Done);
    EXPECT_EQ(flow.step(), FlowStep::Pane);
    EXPECT_FALSE(flow.install());
}

TEST_F(FlowInstall, NoInstallWithoutAPlanOrWhenThePaneDidNotWriteTheList) {
    flow.next();
    flow.next();
    EXPECT_FALSE(flow.install());
    EXPECT_EQ(flow.exitCode(), 0);
    flow.back();
    flow.planInstall(plan());
    pane.writeList = false;
    flow.next();
    EXPECT_EQ(flow.step(), FlowStep::Summary);
    EXPECT_FALSE(flow.install());
    EXPECT_EQ(scene.templateFile("read-me.txt"), "<missing>");
}

TEST_F(FlowInstall, ScriptedReportSaysWhatWasInstalledAndShowsProgressByTenths) {
    std::ostringstream out;
    std::ostringstream err;
    installer::ScriptFrontEnd script({}, {}, {false, out, err, ""});
    installer::InstallFlow scripted{pane, "Pack", script};
    scripted.planInstall(plan());
    EXPECT_EQ(script.run(scripted), 0);
    const std::string text = out.str();
    EXPECT_NE(text.find("Quillet Storyboard Essentials Pack 1.0 was installed into Quillet 5 "
                        "Studio: 3 files, 70.0 kB, in " + scene.templateFolder),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("100%"), std::string::npos) << text;
    // In text mode the handoff list's raw values come after the sentence, as details.
    const std::size_t details = text.find("\nDetails:\n  Handoff list: ");
    EXPECT_NE(details, std::string::npos) << text;
    EXPECT_LT(text.find("was installed into"), details) << text;
    EXPECT_GT(text.find("ContTemplatePath:"), details) << text;
    EXPECT_EQ(script.record().progressLines.size(), 11u) << text;

    std::ostringstream json;
    installer::ScriptFrontEnd jsonScript({}, {}, {true, json, err, ""});
    installer::InstallFlow again{pane, "Pack", jsonScript};
    again.planInstall(plan("0.9"));
    EXPECT_EQ(jsonScript.run(again), 1);
    const auto report = nlohmann::json::parse(json.str());
    EXPECT_NE(report["install"]["error"].get<std::string>().find("newer than 0.9"), std::string::npos)
        << json.str();
}

}  // namespace
}  // namespace installer_test
