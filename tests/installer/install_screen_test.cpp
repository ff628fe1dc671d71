// The install step on a real terminal (tmux) and in line mode: the real program given a pack
// folder installs it into the chosen copy, says so in plain words, keeps the handoff list's
// raw values behind d, and asks before an older version goes over a newer one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fake_machine.h"
#include "signing/pack_signing.h"
#include "signing/secret_key.h"
#include "installer_program.h"
#include "tree_snapshot.h"
#include "tmux_session.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

// The built demo pack: the real bundle and a payload of twelve template files.
const std::string kDemoPack = PACKGATE_DEMO_PACK;
// The build signs the demo pack with this key; its secret half stays in the build folder.
const std::string kDemoKey = PACKGATE_DEMO_KEY;
const std::string kDemoSecretKey = PACKGATE_DEMO_SECRET_KEY;
const std::string kTitle = "Quillet Storyboard Essentials Pack";
const std::string kFolder = "Storyboard Essentials/";

bool Shows(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

class InstallScreens : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists("/usr/bin/tmux")) GTEST_SKIP() << "tmux is not installed";
        maker_ = machine_.addMakerHost({});
        pack_ = kDemoPack;
    }
    std::vector<std::string> Arguments(const std::string& pack) const {
        return {pack, "--root", machine_.root(), "--home", machine_.home(), "--trust", kDemoKey};
    }
    // The pack folder again, as version `version`.
    std::string PackOfVersion(const std::string& version) const {
        const std::string copy = scratch_.path() + "/Old.pack";
        fs::copy(pack_, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        const std::string plist = copy + "/Contents/Info.plist";
        std::string text = FileText(plist);
        const std::string wanted = "<string>1.0</string>";
        text.replace(text.find(wanted), wanted.size(), "<string>" + version + "</string>");
        packgate_test::FakeMachine::writeText(plist, text);
        // Signed again by the demo key, as its maker would sign the older version.
        const auto key = signing::ReadSecretKeyFile(kDemoSecretKey, "");
        EXPECT_TRUE(key.key) << key.reason;
        if (key.key) {
            EXPECT_TRUE(signing::SignPackFolder(copy, *key.key, 1765297800));
        }
        return copy;
    }
    static std::string FileText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    packgate_test::FakeMachine machine_;
    packgate_test::MakerHostFiles maker_;
    packgate_test::ScratchFolder scratch_{"pg-install-screens"};
    std::string pack_;
};

TEST_F(InstallScreens, TheSummarySaysWhatWasInstalledAndDShowsTheRawValues) {
    Tmux tmux(Arguments(pack_), 100, 30);
    const std::string intro = tmux.waitFor({"Welcome to the", "This installs the pack's files"});
    EXPECT_TRUE(Shows(intro, "Installation > Summary")) << intro;
    tmux.send("Enter");
    tmux.waitFor({"(*) Quillet 5 Studio"});
    tmux.send("Enter");
    const std::string summary = tmux.waitFor(
        {kTitle + " 1.0 was installed into Quillet 5 Studio: 12 files",
         "Press d for the handoff list's values.", "d details"},
        {"ContTemplatePath"});
    EXPECT_TRUE(Shows(summary, "Receipt:")) << summary;

    tmux.send("d");
    const std::string details = tmux.waitFor({"ContTemplatePath", "PRODUCT_TYPE      KZ"},
                                             {"Press d for the handoff"});
    tmux.send("d");
    tmux.waitFor({"Press d for the handoff list's values."}, {"PRODUCT_TYPE"});
    tmux.send("Enter");
    const std::string end = tmux.waitFor({"EXIT="});
    EXPECT_TRUE(Shows(end, "EXIT=0")) << end;
    EXPECT_TRUE(Shows(end, "was installed into Quillet 5 Studio")) << end;

    // The raw values are in the install log, once each.
    const std::string log = FileText(machine_.home() + "/Library/Logs/Packgate-install.log");
    const std::string line = "Handoff ContTemplatePath: " + maker_.templateFolder + "\n";
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line), log.rfind(line)) << log;

    const auto installed = packgate_test::SnapshotTree(maker_.templateFolder);
    const auto payload = packgate_test::SnapshotTree(kDemoPack + "/Contents/Payload");
    ASSERT_EQ(payload.size(), 12u + 5u);  // The files and their five folders.
    for (const auto& [path, entry] : payload) {
        ASSERT_TRUE(installed.count(path)) << path;
        EXPECT_EQ(installed.at(path).bytes, entry.bytes) << path;
    }
}

TEST_F(InstallScreens, AnOlderVersionAskedAndAnsweredNoLeavesTheFolderAsItWas) {
    const ProgramResult first = RunProgram(
        kInstaller, {pack_, "--root", machine_.root(), "--home", machine_.home(), "--choose", "0",
                     "--trust", kDemoKey},
        EnglishEnvironment());
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    const std::string older = PackOfVersion("0.9");
    const auto before = packgate_test::SnapshotTree(maker_.templateFolder);
    ASSERT_TRUE(before.count(kFolder + "ReadMe.txt"));

    Tmux tmux(Arguments(older), 90, 26);
    tmux.waitFor({"Welcome to the"});
    tmux.send("Enter");
    tmux.waitFor({"(*) Quillet 5 Studio"});
    tmux.send("Enter");
    const std::string asked = tmux.waitFor({"newer than 0.9", "y Yes   n No"});
    EXPECT_FALSE(Shows(asked, "{")) << asked;  // Every field of the question is filled.
    tmux.send("x");  // Only y and n answer.
    tmux.send("n");
    const std::string summary = tmux.waitFor({"was not installed", "newer than 0.9"},
                                             {"Install the older version?"});
    EXPECT_TRUE(Shows(summary, "Nothing of the pack was left behind")) << summary;
    tmux.send("Enter");
    const std::string end = tmux.waitFor({"EXIT="});
    EXPECT_TRUE(Shows(end, "EXIT=1")) << end;
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(maker_.templateFolder)),
              "");
}

TEST_F(InstallScreens, LineModeShowsProgressAnswersTheQuestionAndSaysTheSentence) {
    Tmux tmux(Arguments(pack_), 100, 40, {"TERM=dumb"});
    tmux.waitFor({"This installs the pack's files"});
    tmux.type("\n");
    tmux.waitFor({"Choose 0-"});
    tmux.type("0\n");
    const std::string summary =
        tmux.waitFor({"100%  12 of 12 files", "was installed into Quillet 5 Studio: 12 files"});
    EXPECT_FALSE(Shows(summary, "ContTemplatePath")) << summary;
    EXPECT_TRUE(Shows(summary, "\n0%  0 of 12 files")) << summary;
    EXPECT_TRUE(
        packgate_test::SnapshotTree(maker_.templateFolder).count(kFolder + "Palettes/Dusk.qpal"));

    // The older version is asked about; the end of the input answers no.
    const std::string older = PackOfVersion("0.9");
    const auto before = packgate_test::SnapshotTree(maker_.templateFolder);
    Tmux again(Arguments(older), 200, 40, {"TERM=dumb"});
    again.waitFor({"This installs the pack's files"});
    again.type("\n");
    again.waitFor({"Choose 0-"});
    again.type("0\n");
    const std::string asked = again.waitFor({"Install the older version? [y/N]:"});
    EXPECT_TRUE(Shows(asked, maker_.templateFolder + " holds " + kTitle + " 1.0")) << asked;
    again.send("C-d");
    const std::string end = again.waitFor({"was not installed", "EXIT="});
    EXPECT_TRUE(Shows(end, "EXIT=1")) << end;
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(maker_.templateFolder)),
              "");
}

}  // namespace
}  // namespace installer_test
