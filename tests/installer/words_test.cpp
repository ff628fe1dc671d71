// The installer's built-in strings tables: sound in every language, complete against the
// English one, and chosen from the locale as the pane's are.
#include "installer/words/words.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace installer_test {
namespace {

using installer::Words;

TEST(InstallerWords, EveryTableParsesAndEveryLanguageHasEveryEnglishKey) {
    const Words english = Words::ForLanguage("en");
    EXPECT_TRUE(english.problems().empty()) << english.problems().front();
    ASSERT_FALSE(english.keys().empty());
    for (const std::string& language : Words::Languages()) {
        const Words words = Words::ForLanguage(language);
        EXPECT_EQ(words.language(), language);
        EXPECT_TRUE(words.problems().empty()) << language << ": " << words.problems().front();
        for (const std::string& key : english.keys()) {
            EXPECT_TRUE(words.has(key)) << language << " lacks \"" << key << "\"";
        }
        for (const std::string& key : words.keys()) {
            EXPECT_TRUE(english.has(key)) << language << " has \"" << key << "\", English not";
        }
    }
}

TEST(InstallerWords, FieldsAreFilledByNameAndUnknownOnesKept) {
    EXPECT_EQ(installer::FillWordFields("{pack} into {host}: {n} files",
                                        {{"pack", "Essentials"}, {"host", "Quillet {x}"}}),
              "Essentials into Quillet {x}: {n} files");
    EXPECT_EQ(installer::FillWordFields("no } fields { here", {{"here", "x"}}),
              "no } fields { here");
    EXPECT_EQ(installer::FillWordFields("{a}{a}", {{"a", "1"}}), "11");
}

TEST(InstallerWords, ALanguageWithoutTablesSpeaksEnglishAndAMissingKeyShowsItself) {
    const Words words = Words::ForLanguage("../fr");
    EXPECT_EQ(words.language(), "en");
    EXPECT_EQ(words.text("button.continue"), "Continue");
    EXPECT_EQ(words.text("no.such.key"), "no.such.key");
}

TEST(InstallerWords, TraditionalChineseSaysTheButtonAsThePaneDoes) {
    // The pane's zh_TW label tells the user to press 「繼續」; the button must say the same.
    EXPECT_EQ(Words::ForLanguage("zh_TW").text("button.continue"), "繼續");
    EXPECT_EQ(Words::ForLanguage("zh_TW").text("button.go_back"), "返回");
}

}  // namespace
}  // namespace installer_test
