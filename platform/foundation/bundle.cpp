#include "foundation/bundle.h"

#include <dlfcn.h>

#include <vector>

#include "foundation/files.h"
#include "foundation/languages.h"
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
    const auto info = infoDictionary();
    const auto region = StringForKey(info ? &*info : nullptr, "CFBundleDevelopmentRegion");
    const std::string resources = StringByAppendingPathComponent(path_, "Contents/Resources");
    for (const std::string& language : PreferredLanguages(region.value_or(""))) {
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
