// The feedback record builder with arbitrary field values: the record must always be one
// line, and valid JSON that gives every value back whenever the values are valid UTF-8.
//
// Input: the fourteen fields in order, separated by 0xFF bytes (which never occur in UTF-8);
// a field that starts with 0xFE, or is missing at the end, is absent.
#include <array>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "feedback/feedback_record.h"
#include "fuzz_check.h"
#include "utf8_reference.h"

namespace {

using feedback::FeedbackRecordFields;
using Field = std::optional<std::string> FeedbackRecordFields::*;
using F = FeedbackRecordFields;

constexpr std::array<Field, 14> kFields{
    &F::guid,         &F::machineID,          &F::em2,     &F::productID,
    &F::version,      &F::languageNumber,     &F::oemCode, &F::osName,
    &F::osVersion,    &F::productBuild,       &F::edition, &F::packageLanguageID,
    &F::activityName, &F::activityDescription};

// Where each field lands in the record: object, key, and whether it is written bare.
struct Place {
    Field field;
    const char* object;
    const char* key;
    bool bare;
};
constexpr std::array<Place, 15> kPlaces{{
    {&F::guid, "UserActivityInfo", "GUID", false},
    {&F::machineID, "UserActivityInfo", "MachineID", false},
    {&F::em2, "UserActivityInfo", "SN", false},
    {&F::productID, "UserActivityInfo", "ProductID", true},
    {&F::version, "UserActivityInfo", "Version", true},
    {&F::languageNumber, "UserActivityInfo", "LanguageID", true},
    {&F::oemCode, "UserActivityInfo", "OEMCode", true},
    {&F::osName, "UserActivityInfo", "OS_Name", false},
    {&F::osVersion, "UserActivityInfo", "OS_Version", false},
    {&F::productBuild, "UserActivityInfo", "ProductBuild", false},
    {&F::edition, "UserActivityInfo", "CheckUpdateEdition", false},
    {&F::packageLanguageID, "UserActivityInfo", "PackageLanguageID", true},
    {&F::guid, "UserActivityLog", "GUID", false},
    {&F::activityName, "UserActivityLog", "Name", false},
    {&F::activityDescription, "UserActivityLog", "Description", false},
}};

constexpr char kSeparator = '\xFF';
constexpr char kAbsentMark = '\xFE';

FeedbackRecordFields SplitFields(std::string_view input) {
    FeedbackRecordFields fields;
    for (const Field field : kFields) {
        if (input.empty()) break;
        const std::size_t end = input.find(kSeparator);
        const std::string_view piece = input.substr(0, end);
        if (piece.empty() || piece.front() != kAbsentMark) fields.*field = std::string(piece);
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    return fields;
}

bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        char32_t c = 0;
        const std::size_t used = packgate_fuzz::DecodeUtf8(text, c);
        if (used == 0) return false;
        text.remove_prefix(used);
    }
    return true;
}

bool AllUtf8(const FeedbackRecordFields& fields) {
    for (const Field field : kFields) {
        if (fields.*field && !IsUtf8(*(fields.*field))) return false;
    }
    return true;
}

// JSON's integer form: -?(0|[1-9][0-9]*).
bool IsJsonInteger(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty() || (text.front() == '0' && text.size() > 1)) return false;
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

void CheckValue(const nlohmann::json& member, const std::optional<std::string>& value, bool bare) {
    if (!value) {
        if (bare) {
            FUZZ_CHECK(member.is_null());
        } else {
            FUZZ_CHECK(member.is_string() && member.get<std::string>() == "(null)");
        }
        return;
    }
    if (bare && IsJsonInteger(*value)) {
        FUZZ_CHECK(member.is_number());
        return;
    }
    FUZZ_CHECK(member.is_string() && member.get<std::string>() == *value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FeedbackRecordFields fields = SplitFields({reinterpret_cast<const char*>(data), size});
    const std::string record = feedback::BuildFeedbackRecord(fields);

    // One line, whatever the values hold.
    FUZZ_CHECK(record.find('\n') == std::string::npos);
    FUZZ_CHECK(record.find('\r') == std::string::npos);
    FUZZ_CHECK(record.front() == '{' && record.back() == '}');
    if (!AllUtf8(fields)) return 0;

    FUZZ_CHECK(nlohmann::json::accept(record));
    const nlohmann::json parsed = nlohmann::json::parse(record);
    FUZZ_CHECK(parsed.is_object() && parsed.size() == 2);
    FUZZ_CHECK(parsed["UserActivityInfo"].size() == 17);
    FUZZ_CHECK(parsed["UserActivityLog"].size() == 4);
    for (const Place& place : kPlaces) {
        const nlohmann::json& object = parsed[place.object];
        FUZZ_CHECK(object.contains(place.key));
        CheckValue(object[place.key], fields.*place.field, place.bare);
    }
    return 0;
}
