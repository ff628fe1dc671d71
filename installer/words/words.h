// The installer's own words: step names, buttons, hints, messages. They come from strings
// tables built into the program (words/<language>.lproj/*.strings), one table per room of
// the installer, in the user's language chosen as the pane's texts are; a key that language
// lacks falls back to English, and a key no table has shows as itself.
//
// A text may name fields in braces, "{pack} was installed", filled by text(key, {{"pack",
// title}}); a brace that names no given field is kept as it stands.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace installer {

using WordFields = std::initializer_list<std::pair<std::string_view, std::string_view>>;

class Words {
  public:
    // The words of the user's language (LC_ALL, LC_MESSAGES, LANG), made once.
    static const Words& ForUser();
    // The words of `language` ("en", "zh_TW", ...), with English for what it lacks.
    static Words ForLanguage(const std::string& language);
    // The languages that have tables built in.
    static std::vector<std::string> Languages();

    // The chosen language's folder name ("en" when none of the user's has tables).
    const std::string& language() const { return language_; }
    // The text for `key` with its fields filled.
    std::string text(std::string_view key, WordFields fields = {}) const;
    // Whether the chosen language itself (not the English fallback) has `key`.
    bool has(std::string_view key) const;
    // Every key of the chosen language's tables.
    std::vector<std::string> keys() const;
    // One line per built-in table of the chosen language or of English that does not parse
    // ("zh_TW.lproj/Install.strings does not parse"); empty when all are sound.
    const std::vector<std::string>& problems() const { return problems_; }

  private:
    using Table = std::map<std::string, std::string, std::less<>>;
    Words() = default;
    void load(const std::string& language, Table& into);

    std::string language_ = "en";
    Table chosen_;
    Table english_;
    std::vector<std::string> problems_;
};

// Fills "{name}" fields of `text`; used by Words::text and by tests of translated texts.
std::string FillWordFields(std::string_view text, WordFields fields);

}  // namespace installer
