// The text of one feedback record: a single line of JSON with the members
// "UserActivityInfo" and "UserActivityLog".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace feedback {

// The values a record is made of; an absent value is written as (null) between quotes and
// as null where the record writes the value bare.
struct FeedbackRecordFields {
    std::optional<std::string> guid;
    std::optional<std::string> machineID;
    std::optional<std::string> em2;
    std::optional<std::string> productID;
    std::optional<std::string> version;
    std::optional<std::string> languageNumber;  // "LanguageID"
    std::optional<std::string> oemCode;
    std::optional<std::string> osName;
    std::optional<std::string> osVersion;
    std::optional<std::string> productBuild;
    std::optional<std::string> edition;
    std::optional<std::string> packageLanguageID;  // "PackageLanguageID"
    std::optional<std::string> activityName;
    std::optional<std::string> activityDescription;
};

// The record of `fields`. Quoted values are escaped as JSON strings need (a value without
// '"', '\' or control characters stands unchanged); a bare value stands unchanged when it is
// a JSON integer and is written as a JSON string otherwise. The result is valid JSON for
// any values that are valid UTF-8.
std::string BuildFeedbackRecord(const FeedbackRecordFields& fields);

// `text` as it stands between the quotes of a JSON string.
std::string EscapeJsonText(std::string_view text);

}  // namespace feedback
