// The pane's construction, its title and strings, the pack's setup resource and the
// removal of radio rows.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "foundation/files.h"
#include "foundation/plist_read.h"
#include "foundation/system_log.h"
#include "foundation/text_values.h"
#include "pane/packgate_pane.h"

using foundation::NSLog;

namespace {

PaneContentView LoadViewOfBundle(const foundation::Bundle& bundle) {
    return LoadPaneContentView(bundle.pathForResource("PackgatePane", "view"));
}

// The setup resource's dictionary, or nothing with the reason (absent when the file could
// not be read at all) and the format code the parser left.
struct SetupRead {
    std::optional<foundation::PlistDict> setup;
    std::optional<std::string> errorDescription;
    unsigned format = 0;
};

SetupRead ReadSetupResource(const std::optional<std::string>& path) {
    SetupRead read;
    const auto bytes = foundation::ContentsAtPath(path, foundation::kMaxPlistFileBytes);
    if (!bytes) return read;
    std::string error;
    auto plist = foundation::ParsePropertyList(*bytes, &error, &read.format);
    if (!plist) {
        read.errorDescription = error;
    } else if (foundation::PlistDict* dict = plist->dict()) {
        read.setup = std::move(*dict);
    } else {
        // Anything but a dictionary holds none of the setup keys.
        read.errorDescription = "The setup resource's top level is not a dictionary.";
    }
    return read;
}

}  // namespace

PackgatePane::PackgatePane(foundation::Bundle bundle)
    : InstallerPane(bundle, LoadViewOfBundle(bundle)),
      _m_pLabel(contentView().label),
      _m_pMatrix(contentView().matrix) {}

PackgatePane::~PackgatePane() = default;

std::string PackgatePane::title() const {
    return _localizedStringForKey("Title");
}

std::string PackgatePane::_localizedStringForKey(const std::string& key) const {
    return bundle().localizedStringForKey(key, "");
}

void PackgatePane::GetInstallInfo() {
    const SetupRead read = ReadSetupResource(bundle().pathForResource("SetupSRC", "plist"));
    const foundation::PlistDict* setup = read.setup ? &*read.setup : nullptr;
    if (!setup) {
        // The translation is a format; FormatMessage never reads more than it was given.
        const foundation::LogArg args[] = {read.errorDescription, read.format};
        NSLog("%@", foundation::FormatMessage(_localizedStringForKey("ERROR_READ_PLIST"), args));
    }

    gstrSOURCEVersion = foundation::StringOrNumberForKey(setup, "REQUIRED_PRODUCT_VERSION");
    gstrSOURCEPackName = foundation::TextForKey(setup, "TITLE_MAIN_PACK");
    nPack_For_KZ_Store = foundation::StringOrNumberForKey(setup, "FOR_KZ_OR_STORE").intValue();

    NSLog("gstrSOURCEVersion = %@", gstrSOURCEVersion.text());
    NSLog("gstrSOURCEPackName = %@", gstrSOURCEPackName);
}

void PackgatePane::RemoveMatrixRow(std::int32_t row) {
    if (!_m_pMatrix) return;
    // A negative row, widened and read unsigned, lies beyond every matrix.
    const auto index = static_cast<std::uint64_t>(static_cast<std::int64_t>(row));
    if (index >= _m_pMatrix->cells().size()) return;
    _m_pMatrix->removeRow(static_cast<std::size_t>(index));
}

void PackgatePane::renewFeedbackLog() {
    gsUserLog = std::string();
    cKZFeedbackLog = std::make_unique<classKZFeedbackLog>();
}
