// classKZFeedbackLog: gathering the facts and building the record.
#include "feedback/kz_feedback_log.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "feedback/feedback_record.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/plist_read.h"
#include "foundation/search_paths.h"
#include "foundation/system_log.h"
#include "machinetag/machinetag.h"
#include "system/system_info.h"

namespace {

constexpr const char* kHostInstallerList = "com.velmora.installer.Quillet.plist";
constexpr const char* kSystemName = "Mac OS X";
constexpr const char* kPlaceholder = "0";
// No source of the four product numbers exists on this system, so they are always this.
constexpr const char* kUnknownNumber = "0";

std::string HostInstallerListPath() {
    const std::string preferences =
        foundation::StringByAppendingPathComponent(foundation::UserLibraryFolder(), "Preferences");
    return foundation::StringByAppendingPathComponent(preferences, kHostInstallerList);
}

// The host installer's list; nothing when it is missing, unreadable, not a property list or
// not a dictionary at its top.
std::optional<foundation::PlistDict> ReadHostInstallerList() {
    const auto bytes =
        foundation::ContentsAtPath(HostInstallerListPath(), foundation::kMaxPlistFileBytes);
    if (!bytes) return std::nullopt;
    auto list = foundation::ParsePropertyList(*bytes);
    if (!list || list->dict() == nullptr) return std::nullopt;
    return std::move(*list->dict());
}

// The identifier as 7-bit ASCII up to its terminator; a byte outside ASCII ends it too.
std::string MachineIdentifier() {
    std::array<char, MTAG_ID_LENGTH + 1> buffer{};
    MTAGGetID(buffer.data(), static_cast<int>(buffer.size()));
    std::string id;
    for (std::size_t i = 0; i + 1 < buffer.size(); ++i) {
        const auto c = static_cast<unsigned char>(buffer[i]);
        if (c == 0 || c > 0x7F) break;
        id += static_cast<char>(c);
    }
    return id;
}

}  // namespace

bool classKZFeedbackLog::CollectLog(const std::string& name, const std::string& description,
                                    std::int32_t selector) {
    GetPlistInfo(selector);
    FEEDBACKGetPhysicID();
    gsFBProductID = kUnknownNumber;
    gsFBVersion = kUnknownNumber;
    gsFBLID = kUnknownNumber;
    gsFBOEMCode = kUnknownNumber;

    gsFBUserLog = feedback::BuildFeedbackRecord({
        .guid = gsFBGuid,
        .machineID = gsFBMachineID,
        .em2 = gsFBEM2,
        .productID = gsFBProductID,
        .version = gsFBVersion,
        .languageNumber = gsFBLID,
        .oemCode = gsFBOEMCode,
        .osName = gsFBOSName,
        .osVersion = gsFBOSVersion,
        .productBuild = gsFBProductBuild,
        .edition = gsFBEdition,
        .packageLanguageID = gsFBLanguageID,
        .activityName = name,
        .activityDescription = description,
    });
    foundation::NSLog("gsFBUserLog = %@", gsFBUserLog);
    FeedBackLog(*gsFBUserLog);
    return true;
}

void classKZFeedbackLog::GetPlistInfo(std::int32_t selector) {
    if (selector == 0) {
        gsFBGuid = gsFBEM2 = gsFBProductID = gsFBVersion = gsFBLID = gsFBOEMCode = kPlaceholder;
        gsFBProductBuild = gsFBEdition = gsFBLanguageID = kPlaceholder;
        return;
    }
    if (selector != 1) return;

    foundation::NSLog("Plist Path: %@", kHostInstallerList);
    const auto list = ReadHostInstallerList();
    if (!list) foundation::NSLog("Get AP Plist Fail");
    const foundation::PlistDict* dict = list ? &*list : nullptr;
    gsFBGuid = foundation::TextForKey(dict, "Installer GUID");
    gsFBEM2 = foundation::TextForKey(dict, "EM2");
    gsFBProductBuild = foundation::TextForKey(dict, "Product Build");
    gsFBEdition = foundation::TextForKey(dict, "Check Update Edition");
    gsFBLanguageID = foundation::TextForKey(dict, "Language ID");
}

void classKZFeedbackLog::FEEDBACKGetPhysicID() {
    gsFBMachineID = MachineIdentifier();
    // A version number that cannot be read is 0.
    const platform::SystemVersion version = platform::QuerySystemVersion();
    gsFBOSVersion = std::to_string(version.major) + '.' + std::to_string(version.minor) + '.' +
                    std::to_string(version.bugFix);
    gsFBOSName = kSystemName;
}
