// The two readers that copy a host's template folder, EM2 value and revision code into the
// pane's scratch fields: one over a maker-distributed copy's machine-wide preferences, one
// over an App Store copy's store property list.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/plist_read.h"
#include "foundation/preferences.h"
#include "foundation/text_values.h"
#include "pane/packgate_pane.h"

namespace {

// Replaces `field` with the preference value of `key` when there is one; answers whether
// there was. A value that is not text (a dictionary, say) counts as none.
bool CopyPreferenceText(std::string_view key, const std::string& bundleId,
                        std::optional<std::string>& field) {
    const auto value = foundation::CopyPreferenceValue(key, bundleId);
    auto text = value ? foundation::TextValue(&*value) : std::nullopt;
    if (!text) return false;
    field = std::move(text);
    return true;
}

}  // namespace

bool PackgatePane::Pefrerences_Edition_Exist(const std::optional<std::string>& bundleId) {
    if (!bundleId) return false;
    // Every lookup is made, so fields found are refreshed even when another one is missing.
    const bool hasTemplate = CopyPreferenceText("Template Data", *bundleId, strTemplate);
    const bool hasEM2 = CopyPreferenceText("EM2", *bundleId, strEM2);
    const bool hasRevCode = CopyPreferenceText("Version Code", *bundleId, strRevCode);
    return hasTemplate && hasEM2 && hasRevCode;
}

bool PackgatePane::Store_plist_Exist(const std::optional<std::string>& path) {
    const auto store = foundation::DictionaryWithContentsOfFile(path);
    if (!store) return false;
    strTemplate = foundation::TextForKey(&*store, "Template Data");
    strEM2 = foundation::TextForKey(&*store, "EM2");
    // Store copies keep a longer build number; its first three characters are the revision.
    // A shorter code is kept whole.
    strRevCode = foundation::TextForKey(&*store, "Version Code");
    if (strRevCode) strRevCode = foundation::SubstringToIndex(*strRevCode, 3);
    return true;
}
