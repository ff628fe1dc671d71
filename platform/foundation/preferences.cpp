#include "foundation/preferences.h"

#include "foundation/paths.h"
#include "foundation/plist_read.h"
#include "foundation/search_paths.h"

namespace foundation {
namespace {

// An identifier names one file inside the preferences folder and nothing else: it must not
// climb out of the folder or reach into a subfolder.
bool IsSafeIdentifier(const std::string& id) {
    return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos &&
           id.find('\0') == std::string::npos;
}

}  // namespace

std::optional<PlistValue> CopyPreferenceValue(std::string_view key,
                                              const std::optional<std::string>& applicationId) {
    if (!applicationId || !IsSafeIdentifier(*applicationId)) return std::nullopt;
    const std::string folder =
        StringByAppendingPathComponent(MachineLibraryFolder(), "Preferences");
    const std::string path = StringByAppendingPathComponent(folder, *applicationId + ".plist");
    const std::optional<PlistDict> preferences = DictionaryWithContentsOfFile(path);
    if (!preferences) return std::nullopt;
    const PlistValue* value = preferences->find(key);
    if (value == nullptr) return std::nullopt;
    return *value;
}

}  // namespace foundation
