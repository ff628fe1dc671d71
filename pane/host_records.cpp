// The two readers that copy a host's template folder, EM2 value and revision code into the
// pane's scratch fields: one over a maker-distributed copy's machine-wide preferences, one
// over an App Store copy's store property list.
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "foundation/plist_read.h"
#include "foundation/preferences.h"
#include "foundation/text_values.h"
#include "pane/packgate_pane.h"

namespace {

// Replaces `field` with the preference value of `key` when there is one; answers whether
// there was. A value that is neither a string nor a number (a dictionary, say) counts as none.
template <typename Field>
bool CopyPreference(std::string_view key, const std::string& bundleId, Field& field) {
    const auto value = foundation::CopyPreferenceValue(key, bundleId);
    auto found = foundation::StringOrNumber::FromValue(value ? &*value : nullptr);
    if (!found) return false;
    if constexpr (std::is_same_v<Field, foundation::StringOrNumber>) {
        field = std::move(found);
    } else {
        field = found.text();
    }
    return true;
}

}  // namespace

bool PackgatePane::Pefrerences_Edition_Exist(const std::optional<std::string>& bundleId) {
    if (!bundleId) return false;
    // Every lookup is made, so fields found are refreshed even when another one is missing.
    const bool hasTemplate = CopyPreference("Template Data", *bundleId, strTemplate);
    const bool hasEM2 = CopyPreference("EM2", *bundleId, strEM2);
    const bool hasRevCode = CopyPreference("Version Code", *bundleId, strRevCode);
    return hasTemplate && hasEM2 && hasRevCode;
}

bool PackgatePane::Store_plist_Exist(const std::optional<std::string>& path) {
    const auto store = foundation::DictionaryWithContentsOfFile(path);
    if (!store) return false;
    strTemplate = foundation::TextForKey(&*store, "Template Data");
    strEM2 = foundation::TextForKey(&*store, "EM2");
    // Store copies keep a longer build number; its first three characters are the revision,
    // taken from its text even when it is stored as a number. A shorter code is kept whole.
    strRevCode = std::nullopt;
    if (const auto code = foundation::TextForKey(&*store, "Version Code")) {
        strRevCode = foundation::SubstringToIndex(*code, 3);
    }
    return true;
}
