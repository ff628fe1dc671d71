#include "installer/pack/pack_info.h"

#include "foundation/bundle.h"
#include "foundation/plist_read.h"

namespace installer {

PackInfo ReadPackInfo(const std::string& bundlePath) {
    const auto bundle = foundation::Bundle::AtPath(bundlePath);
    if (!bundle) return {};
    const auto setup =
        foundation::DictionaryWithContentsOfFile(bundle->pathForResource("SetupSRC", "plist"));
    const foundation::PlistDict* dict = setup ? &*setup : nullptr;
    return {foundation::TextForKey(dict, "TITLE_MAIN_PACK"),
            foundation::StringOrNumberForKey(dict, "REQUIRED_PRODUCT_VERSION")};
}

std::string PackTitleOrDefault(const PackInfo& info) {
    if (info.title && !info.title->empty()) return *info.title;
    return "Quillet content pack";
}

}  // namespace installer
