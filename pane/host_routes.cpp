// The two discovery routes. The direct route walks the shared-data list in which copies that
// the maker distributes register; the store route walks the user's sandbox containers of
// App Store copies. Each host that passes every test becomes one row.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/plist_read.h"
#include "foundation/search_paths.h"
#include "foundation/system_log.h"
#include "foundation/text_values.h"
#include "pane/candidate_facts.h"
#include "pane/packgate_pane.h"

using foundation::NSLog;

namespace {

// Container folders of the maker's applications carry this in their names (case matters).
constexpr std::string_view kMakerIdentifier = "com.velmora";
constexpr std::string_view kAppStoreTitleSuffix = " ( Apple Store )";

bool DirectRouteOpen(std::int64_t flag) {
    return static_cast<std::uint64_t>(flag) <= 1;
}
bool StoreRouteOpen(std::int64_t flag) {
    return (flag | 2) == 2;
}

std::optional<std::string> WithSuffix(const std::optional<std::string>& text,
                                      std::string_view suffix) {
    if (!text) return std::nullopt;
    return *text + std::string(suffix);
}

const foundation::PlistDict* DictOf(const std::optional<foundation::PlistDict>& dict) {
    return dict ? &*dict : nullptr;
}

std::string SharedDataListPath() {
    const std::string preferences = foundation::StringByAppendingPathComponent(
        foundation::MachineLibraryFolder(), "Preferences");
    return foundation::StringByAppendingPathComponent(
        preferences, foundation::StringByAppendingString("com.velmora.SharedData", ".plist"));
}

struct NeededValue {
    const char* name;
    const std::optional<std::string>& value;
};

// A host that would be listed but whose records lack a value that its row needs is passed
// over, with one log line naming what is missing. Answers what is missing ("" when nothing
// is, and the host can be listed). Only hosts that are recent enough get here: a too-old host
// is counted as such, whatever it lacks.
std::string PassedOverForMissing(const std::string& record,
                                 std::initializer_list<NeededValue> needed) {
    std::string missing;
    for (const NeededValue& item : needed) {
        if (item.value) continue;
        if (!missing.empty()) missing += ", ";
        missing += item.name;
    }
    if (missing.empty()) return missing;
    NSLog("Passed over %@: missing %@", record, missing);
    return missing;
}

std::string TextOf(const std::optional<std::string>& text) {
    return text.value_or("");
}

// A copy whose record has no Version Code reads as revision 0; saying "revision code
// unknown" would hide that the record itself lacks the value.
std::string RevisionReason(const std::optional<std::string>& code) {
    return code && !code->empty() ? "revision_too_old" : "revision_missing";
}

}  // namespace

void PackgatePane::walkDirectRoute(DiscoveryTally& tally) {
    const std::string listPath = SharedDataListPath();
    NSLog("strPlist:%@", listPath);
    if (!foundation::FileExistsAtPath(listPath)) return;

    const auto shared = foundation::DictionaryWithContentsOfFile(listPath);
    const foundation::PlistDict* registry =
        foundation::DictForKey(foundation::DictForKey(DictOf(shared), "Velmora"), "Brellion");
    NSLog("tmpinfo2:%@", registry);
    if (!registry) return;

    for (std::size_t i = 0; i < registry->size(); ++i) {
        examineInstallEntry(registry->keys()[i], registry->valueAt(i).dict(), tally);
    }
}

void PackgatePane::examineInstallEntry(const std::string& key, const foundation::PlistDict* entry,
                                       DiscoveryTally& tally) {
    NSLog("listkey:%@", key);
    const auto minimumVersion = foundation::StringOrNumberForKey(entry, "Minimum Data Version");
    const auto productName = foundation::StringForKey(entry, "Product Name");
    const auto plistPath = WithSuffix(foundation::StringForKey(entry, "Plist Path"), ".plist");
    const auto mainProgram = foundation::StringForKey(entry, "Main Program");
    const auto dataVision = foundation::TextForKey(entry, "Current Data Vision");
    const std::string appVersion = pane::ApplicationVersion(mainProgram);
    PaneCandidate copy;
    copy.source = "direct";
    copy.name = key;
    copy.productName = TextOf(productName);
    copy.recordPath = TextOf(plistPath);
    copy.applicationPath = TextOf(mainProgram);
    copy.applicationVersion = appVersion;
    copy.statedVersion = TextOf(dataVision);
    copy.minimumDataVersion = TextOf(minimumVersion.text());

    // All four tests run whatever the earlier ones answered; the version check logs its pair.
    const bool appPresent = Check_Folder_Exit(mainProgram);
    const bool versionAgrees = Check_AP_Version(dataVision, mainProgram);
    const bool minimumReached = Check_AP_Minimum_Version(minimumVersion);
    const bool isQuillet = foundation::IsEqualToString(productName, std::string("Quillet"));
    if (!appPresent)
        return recordTurnedAway(std::move(copy), "application_missing",
                                {{"path", TextOf(mainProgram)}});
    if (!versionAgrees)
        return recordTurnedAway(std::move(copy), "version_mismatch",
                                {{"stated", TextOf(dataVision)},
                                 {"found", appVersion}});
    if (!minimumReached)
        return recordTurnedAway(std::move(copy), "minimum_data_version",
                                {{"version", TextOf(minimumVersion.text())}});
    if (!isQuillet)
        return recordTurnedAway(std::move(copy), "not_quillet", {{"name", TextOf(productName)}});

    NSLog("Found");
    const auto hostPlist = foundation::DictionaryWithContentsOfFile(plistPath);
    tally.hostFound = true;
    if (!hostPlist)
        return recordTurnedAway(std::move(copy), "host_list_unreadable",
                                {{"path", TextOf(plistPath)}});
    if (!DirectRouteOpen(nPack_For_KZ_Store))
        return recordTurnedAway(std::move(copy), "route_closed", {{"kind", "maker"}});
    const auto bundleId = foundation::StringForKey(&*hostPlist, "Bundle ID");
    if (!Pefrerences_Edition_Exist(bundleId))
        return recordTurnedAway(std::move(copy), "preferences_incomplete",
                                {{"missing", pane::MissingPreferences(bundleId)}});
    copy.revisionCode = TextOf(strRevCode.text());

    NSLog("strRevCode:%@", strRevCode.text());
    NSLog("gstrSOURCEVersion:%@", gstrSOURCEVersion.text());
    if (isTooOld(tally))
        return recordTurnedAway(std::move(copy), RevisionReason(strRevCode.text()),
                                {{"code", TextOf(strRevCode.text())},
                                 {"required", TextOf(gstrSOURCEVersion.text())}});
    const auto title = foundation::StringForKey(&*hostPlist, "Product Title");
    const auto hostProgram = foundation::StringForKey(&*hostPlist, "Main Program");
    const std::string missing = PassedOverForMissing(
        *plistPath, {{"Product Title", title}, {"Main Program", hostProgram}});
    if (!missing.empty())
        return recordTurnedAway(std::move(copy), "value_missing", {{"missing", missing}});

    recordOffered(std::move(copy));
    appendRow({*title, *hostProgram, *strTemplate, *strEM2, "KZ", *strRevCode.text(), *plistPath});
}

void PackgatePane::walkStoreRoute(DiscoveryTally& tally) {
    NSLog("mac store");
    // Plain concatenation: the user's Library folder never ends in "/".
    const std::string containers =
        foundation::StringByAppendingString(foundation::UserLibraryFolder(), "/Containers");
    const auto listing = foundation::ContentsOfDirectoryAtPath(containers);
    std::vector<std::string> kept;
    if (listing) {
        std::copy_if(listing->begin(), listing->end(), std::back_inserter(kept),
                     [](const std::string& name) {
                         return name.find(kMakerIdentifier) != std::string::npos;
                     });
    }
    NSLog("kz_Userpath:%@", containers);
    if (listing) {
        NSLog("kz_UserList:%@", kept);
    } else {
        NSLog("kz_UserList:%@", std::optional<std::string>());
    }

    for (const std::string& name : kept) examineContainer(containers, name, tally);
}

void PackgatePane::examineContainer(const std::string& containersFolder, const std::string& name,
                                    DiscoveryTally& tally) {
    const std::string recordPath = containersFolder + "/" + name +
                                   "/Data/Library/Preferences/com.velmora.sharedpreference.plist";
    NSLog("KZ_sArrayPath:%@", recordPath);
    PaneCandidate copy;
    copy.source = "store";
    copy.name = name;
    if (!Check_Folder_Exit(recordPath))
        return recordTurnedAway(std::move(copy), "record_missing", {{"path", recordPath}});
    if (!StoreRouteOpen(nPack_For_KZ_Store))
        return recordTurnedAway(std::move(copy), "route_closed", {{"kind", "store"}});

    const auto record = foundation::DictionaryWithContentsOfFile(recordPath);
    const auto storePlistPath = foundation::StringForKey(DictOf(record), "Plist Path");
    const auto mainProgram = foundation::StringForKey(DictOf(record), "Main Program");
    const auto dataVersion = foundation::TextForKey(DictOf(record), "Current Data Version");
    copy.recordPath = TextOf(storePlistPath);
    copy.applicationPath = TextOf(mainProgram);
    const std::string appVersion = pane::ApplicationVersion(mainProgram);
    copy.applicationVersion = appVersion;
    copy.statedVersion = TextOf(dataVersion);

    const bool versionAgrees = Check_AP_Version(dataVersion, mainProgram);
    if (!Check_Folder_Exit(storePlistPath))
        return recordTurnedAway(std::move(copy), "host_list_unreadable",
                                {{"path", TextOf(storePlistPath)}});
    if (!Check_Folder_Exit(mainProgram))
        return recordTurnedAway(std::move(copy), "application_missing",
                                {{"path", TextOf(mainProgram)}});
    if (!versionAgrees)
        return recordTurnedAway(std::move(copy), "version_mismatch",
                                {{"stated", TextOf(dataVersion)},
                                 {"found", appVersion}});

    const auto storePlist = foundation::DictionaryWithContentsOfFile(storePlistPath);
    const auto product = foundation::StringForKey(DictOf(storePlist), "Product");
    if (!foundation::IsEqualToString(product, std::string("Quillet")))
        return recordTurnedAway(std::move(copy), "not_quillet", {{"name", TextOf(product)}});
    if (!Store_plist_Exist(storePlistPath))
        return recordTurnedAway(std::move(copy), "host_list_unreadable",
                                {{"path", TextOf(storePlistPath)}});
    copy.revisionCode = TextOf(strRevCode.text());

    // Without a title of its own the row takes the application's bundle name, which the
    // version check above has just read.
    auto title = foundation::StringForKey(DictOf(storePlist), "Product Title");
    if (!title) title = strStoreAPTitle;
    title = WithSuffix(title, kAppStoreTitleSuffix);
    NSLog("kz_Title:%@", title);
    NSLog("kz_EM2:%@", strEM2);
    // A missing "Version Code" reads as 0, so such a host is too old for any pack that asks
    // for a revision.
    if (isTooOld(tally))
        return recordTurnedAway(std::move(copy), RevisionReason(strRevCode.text()),
                                {{"code", TextOf(strRevCode.text())},
                                 {"required", TextOf(gstrSOURCEVersion.text())}});
    const std::string missing = PassedOverForMissing(*storePlistPath, {{"Template Data", strTemplate},
                                                                       {"EM2", strEM2},
                                                                       {"Version Code", strRevCode.text()},
                                                                       {"Product Title", title}});
    if (!missing.empty())
        return recordTurnedAway(std::move(copy), "value_missing", {{"missing", missing}});

    recordOffered(std::move(copy));
    appendRow({*title, *mainProgram, *strTemplate, *strEM2, "Store", *strRevCode.text(),
               *storePlistPath});
}
