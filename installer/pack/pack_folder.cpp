#include "installer/pack/pack_folder.h"

#include <filesystem>

#include "foundation/plist_read.h"
#include "installer/pack/pack_words.h"
#include "installer/pack/payload_listing.h"
#include "installer/text/text_wrap.h"

namespace installer {
namespace {

bool IsRealFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::symlink_status(path, error));
}

PackOpening Refused(std::string error) { return {std::nullopt, std::move(error)}; }

}  // namespace

std::string PrintableName(std::string_view name) { return PrintableText(name, false); }

PackOpening OpenPackFolder(const std::string& folder, const std::string& shownPath,
                           const PackGate& gate, bool payloadVetted) {
    PackSignature signature;
    std::optional<PayloadDigests> payloadDigests;
    if (gate) {
        PackVetting vetting = gate(folder, shownPath);
        if (!vetting.signature) return Refused(std::move(vetting.refusal));
        signature = std::move(*vetting.signature);
        payloadDigests = std::move(vetting.payloadDigests);
    }
    const std::string contents = folder + "/Contents";
    const auto info = foundation::DictionaryWithContentsOfFile(contents + "/Info.plist");
    if (!info) return Refused(PackText("pack.error.no_info", {{"path", shownPath}}));
    PackIdentity identity;
    for (auto [key, field] : {std::pair{kPackIdentifierKey, &identity.identifier},
                              {kPackVersionKey, &identity.version},
                              {kPackTitleKey, &identity.title}}) {
        const auto text = foundation::TextForKey(&*info, key);
        if (!text || text->empty()) {
            return Refused(PackText("pack.error.no_key", {{"path", shownPath}, {"key", key}}));
        }
        *field = *text;
    }
    Pack pack{identity, folder, contents + "/Plugins/Packgate.bundle", contents + "/Payload", {},
              std::move(signature), std::move(payloadDigests)};
    if (!IsRealFolder(pack.bundlePath)) {
        return Refused(PackText("pack.error.no_bundle", {{"path", shownPath}}));
    }
    if (!IsRealFolder(pack.payloadPath)) {
        return Refused(PackText("pack.error.no_payload", {{"path", shownPath}}));
    }
    if (payloadVetted) return {std::move(pack), {}};
    const PayloadListing payload = ListPayload(pack.payloadPath);
    if (!payload.error.empty()) return Refused(payload.error);
    return {std::move(pack), {}};
}

}  // namespace installer
