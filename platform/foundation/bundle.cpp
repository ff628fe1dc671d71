#include "foundation/bundle.h"

#include <dlfcn.h>

#include <cstdlib>
#include <vector>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/plist_read.h"
#include "system/posix_calls.h"

namespace foundation {
namespace {

constexpr std::string_view kExecutableFolder = "/Contents/MacOS";

bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && platform::Posix().stat(path.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

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

// A language name stays one folder name: no separators, no climbing.
bool IsSafeLanguage(const std::string& language) {
    return !language.empty() && language != "." && language != ".." &&
           language.find('/') == std::string::npos;
}

}  // namespace

std::optional<Bundle> Bundle::AtPath(const std::string& path) {
    if (!IsFolder(path)) return std::nullopt;
    return Bundle(path);
}

std::optional<Bundle> Bundle::ContainingAddress(const void* address) {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return std::nullopt;
    }
    std::string folder = ParentFolder(info.dli_fname);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!folder.ends_with(kExecutableFolder)) return std::nullopt;
    folder.resize(folder.size() - kExecutableFolder.size());
    return AtPath(folder.empty() ? "/" : folder);
}

std::optional<PlistDict> Bundle::infoDictionary() const {
    return DictionaryWithContentsOfFile(path_ + "/Contents/Info.plist");
}

std::optional<std::string> Bundle::pathForResource(const std::string& name,
                                                   const std::string& type) const {
    if (name.empty()) return std::nullopt;
    const std::string file = type.empty() ? name : name + "." + type;
    const std::string resources = StringByAppendingPathComponent(path_, "Contents/Resources");
    std::string path = StringByAppendingPathComponent(resources, file);
    if (!FileExistsAtPath(path)) return std::nullopt;
    return path;
}

std::optional<std::string> Bundle::preferredLocalization() const {
    std::vector<std::string> candidates;
    if (const auto language = UserLanguage()) AddLanguageCandidates(*language, candidates);
    const auto info = infoDictionary();
    const auto region = StringForKey(info ? &*info : nullptr, "CFBundleDevelopmentRegion");
    AddLanguageCandidates(region && !region->empty() ? *region : "en", candidates);
    const std::string resources = StringByAppendingPathComponent(path_, "Contents/Resources");
    for (const std::string& language : candidates) {
        if (!IsSafeLanguage(language)) continue;
        if (IsFolder(StringByAppendingPathComponent(resources, language + ".lproj"))) {
            return language;
        }
    }
    return std::nullopt;
}

std::string Bundle::localizedStringForKey(const std::string& key, const std::string& value,
                                          const std::optional<std::string>& table) const {
    const std::string& fallback = value.empty() ? key : value;
    const auto language = preferredLocalization();
    if (!language) return fallback;
    const std::string tableName = table && !table->empty() ? *table : "Localizable";
    const auto path = pathForResource(*language + ".lproj/" + tableName, "strings");
    const auto bytes = ContentsAtPath(path, kMaxPlistFileBytes);
    if (!bytes) return fallback;
    const auto strings = ParseStringsTable(*bytes);
    if (!strings) return fallback;
    auto text = StringValue(strings->find(key));
    return text ? *text : fallback;
}

}  // namespace foundation
