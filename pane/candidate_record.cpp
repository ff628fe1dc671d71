// The pane's record of every copy it examines on an entry, and the one log line per copy it
// turned away that says why, so a support log carries the reasons as well as the facts.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/files.h"
#include "foundation/plist_read.h"
#include "foundation/preferences.h"
#include "foundation/system_log.h"
#include "pane/candidate_facts.h"
#include "pane/packgate_pane.h"

namespace pane {

std::string ApplicationVersion(const std::optional<std::string>& path) {
    if (!foundation::FileExistsAtPath(path)) return {};
    const auto info = foundation::DictionaryWithContentsOfFile(*path + "/Contents/Info.plist");
    return foundation::StringForKey(info ? &*info : nullptr, "CFBundleShortVersionString")
        .value_or("");
}

std::string MissingPreferences(const std::optional<std::string>& bundleId) {
    if (!bundleId) return "Bundle ID";
    std::string missing;
    for (const char* key : {"Template Data", "EM2", "Version Code"}) {
        const auto value = foundation::CopyPreferenceValue(key, *bundleId);
        if (foundation::StringOrNumber::FromValue(value ? &*value : nullptr)) continue;
        if (!missing.empty()) missing += ", ";
        missing += key;
    }
    return missing;
}

namespace {

struct ReasonText {
    std::string_view code;
    std::string_view text;  // {name} stands for the field of that name
};

// The order the pane tests them in; the installer's words tables carry the same texts.
constexpr ReasonText kReasonTexts[] = {
    {"record_missing", "container record {path} is missing"},
    {"route_closed", "the pack does not take {kind} copies"},
    {"application_missing", "application {path} is missing"},
    {"version_mismatch", "version {found} does not begin with {stated}"},
    {"minimum_data_version", "Minimum Data Version {version} is below 1.0"},
    {"not_quillet", "product {name} is not Quillet"},
    {"host_list_unreadable", "property list {path} cannot be read"},
    {"preferences_incomplete", "preferences lack {missing}"},
    {"revision_too_old", "revision code {code} is below the pack's {required}"},
    {"revision_missing", "record has no Version Code, read as 0, below the pack's {required}"},
    {"value_missing", "records lack {missing}"},
};

std::string Fill(std::string_view text,
                 const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string out;
    while (!text.empty()) {
        const auto open = text.find('{');
        const auto close = text.find('}', open);
        if (open == std::string_view::npos || close == std::string_view::npos) break;
        out.append(text.substr(0, open));
        const std::string_view name = text.substr(open + 1, close - open - 1);
        std::string value = "(none)";
        for (const auto& [field, given] : fields) {
            if (field == name && !given.empty()) value = given;
        }
        out += value;
        text.remove_prefix(close + 1);
    }
    out.append(text);
    return out;
}

}  // namespace

std::string EnglishReason(const std::string& code,
                          const std::vector<std::pair<std::string, std::string>>& fields) {
    for (const ReasonText& reason : kReasonTexts) {
        if (reason.code == code) return Fill(reason.text, fields);
    }
    return code;
}

}  // namespace pane

void PackgatePane::recordOffered(PaneCandidate candidate) {
    candidate.offered = true;
    candidate.tag = static_cast<long>(_kProductTitle.size());
    candidates_.push_back(std::move(candidate));
}

void PackgatePane::recordTurnedAway(PaneCandidate candidate, std::string code,
                                    std::vector<std::pair<std::string, std::string>> fields) {
    candidate.offered = false;
    candidate.reason = pane::EnglishReason(code, fields);
    candidate.reasonCode = std::move(code);
    candidate.reasonFields = std::move(fields);
    candidates_.push_back(std::move(candidate));
}

void PackgatePane::logTurnedAway() const {
    for (const PaneCandidate& candidate : candidates_) {
        if (candidate.offered) continue;
        std::string reason = candidate.reason;
        // The line reads as a sentence: "Not offered: q02 (Minimum Data Version ...)".
        if (!reason.empty() && reason.front() >= 'a' && reason.front() <= 'z') {
            reason.front() = static_cast<char>(reason.front() - 'a' + 'A');
        }
        foundation::NSLog("Not offered: %@ (%@)", candidate.name, reason);
    }
}
