#include "foundation/languages.h"

#include <cstdlib>
#include <optional>

namespace foundation {
namespace {

// The language part of a locale name: "zh_TW.UTF-8@euro" -> "zh_TW".
std::string LanguageOfLocale(std::string locale) {
    const std::size_t end = locale.find_first_of(".@");
    if (end != std::string::npos) locale.resize(end);
    return locale;
}

// The user's language from the locale variables, in the order the C library consults them;
// "C" and "POSIX" name no language, so they pass the choice on.
std::optional<std::string> UserLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') continue;
        const std::string language = LanguageOfLocale(value);
        if (language.empty() || language == "C" || language == "POSIX") continue;
        return language;
    }
    return std::nullopt;
}

// Chinese folders are often named by script rather than by region.
std::optional<std::string> ChineseScript(const std::string& region) {
    if (region == "TW" || region == "HK" || region == "MO") return "zh-Hant";
    if (region == "CN" || region == "SG") return "zh-Hans";
    return std::nullopt;
}

// "zh_TW" gives zh_TW, zh-TW, zh-Hant, then zh; "de_AT" gives de_AT, de-AT, de; "de" gives de.
void AddLanguageCandidates(const std::string& language, std::vector<std::string>& out) {
    out.push_back(language);
    const std::size_t cut = language.find_first_of("_-");
    if (cut == std::string::npos) return;
    std::string other = language;
    other[cut] = language[cut] == '_' ? '-' : '_';
    out.push_back(other);
    const std::string base = language.substr(0, cut);
    if (base == "zh") {
        if (auto script = ChineseScript(language.substr(cut + 1))) out.push_back(*script);
    }
    out.push_back(base);
}

}  // namespace

std::vector<std::string> PreferredLanguages(const std::string& developmentRegion) {
    std::vector<std::string> candidates;
    if (const auto language = UserLanguage()) AddLanguageCandidates(*language, candidates);
    AddLanguageCandidates(developmentRegion.empty() ? "en" : developmentRegion, candidates);
    return candidates;
}

bool IsSafeLanguage(const std::string& language) {
    return !language.empty() && language != "." && language != ".." &&
           language.find('/') == std::string::npos;
}

}  // namespace foundation
