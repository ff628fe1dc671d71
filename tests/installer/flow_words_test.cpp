// The flow's sentences that every front end shows: the pack's signature, the waits and the
// button that goes on, in each language the installer speaks.
#include <gtest/gtest.h>

#include "installer/present/flow_words.h"
#include "installer/terminal/screen_layout.h"
#include "decided_screen.h"

namespace installer {
namespace {

PackSignature Signed() {
    PackSignature signature;
    signature.state = PackSignature::State::Trusted;
    signature.keyId = "3F1A2B4C5D6E7F80";
    signature.signer = "Velmora Content";
    return signature;
}

TEST(FlowWords, TheSignatureNamesTheSignerAndKeyOrWarnsOfAnUnsignedPack) {
    const Words& english = EnglishWords();
    EXPECT_EQ(SignatureLine(std::nullopt, english), std::nullopt);
    EXPECT_EQ(SignatureLine(Signed(), english), "Signed by Velmora Content (key 3F1A2B4C5D6E7F80)");
    EXPECT_EQ(SignatureLine(PackSignature{}, english),
              "This pack is not signed: its code will run unchecked.");
    // A trusted key without a display name is named by its id.
    PackSignature nameless = Signed();
    nameless.signer.clear();
    EXPECT_EQ(SignatureLine(nameless, english), "Signed by 3F1A2B4C5D6E7F80 (key 3F1A2B4C5D6E7F80)");
    const Words chinese = Words::ForLanguage("zh_TW");
    for (const char* key : {"signature.signed", "signature.unsigned"}) {
        EXPECT_TRUE(chinese.has(key)) << key;
    }
    const auto line = SignatureLine(Signed(), chinese);
    ASSERT_TRUE(line.has_value());
    EXPECT_NE(line->find("Velmora Content"), std::string::npos) << *line;
    EXPECT_NE(line->find("3F1A2B4C5D6E7F80"), std::string::npos) << *line;
}

TEST(FlowWords, WaitsAndTheLastButtonHaveOneWordingInEachLanguage) {
    for (const std::string language : {"en", "zh_TW"}) {
        const Words words = Words::ForLanguage(language);
        for (const FlowWait wait :
             {FlowWait::EnteringPane, FlowWait::LeavingPane, FlowWait::Installing}) {
            const std::string sentence = WaitSentence(wait, words);
            EXPECT_FALSE(sentence.starts_with("wait.")) << language << ": " << sentence;
            EXPECT_TRUE(WaitText(words, wait, 4).starts_with(sentence + " 4")) << language;
        }
        EXPECT_EQ(ContinueLabel(FlowStep::Summary, words), words.text("button.finish"));
        EXPECT_EQ(ContinueLabel(FlowStep::Pane, words), words.text("button.continue"));
    }
}

// The terminal's introduction shows the same line, right under the welcome, and nothing for a
// run without a pack.
TEST(FlowWords, TheTerminalIntroductionSaysWhoSignedThePack) {
    ScreenInput model;
    model.flow.packTitle = "Pack";
    auto text = [&model] {
        std::string all;
        for (const std::string& line : FrameText(LayoutScreen(installer_test::Decided(model), 100, 30), 100, 30)) {
            all += line + "\n";
        }
        return all;
    };
    EXPECT_EQ(text().find("signed"), std::string::npos);
    model.flow.signature = Signed();
    EXPECT_NE(text().find(*SignatureLine(model.flow.signature)), std::string::npos) << text();
    model.flow.signature = PackSignature{};
    EXPECT_NE(text().find(*SignatureLine(model.flow.signature)), std::string::npos) << text();
}

}  // namespace
}  // namespace installer
