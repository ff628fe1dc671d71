#include "feedback/feedback_record.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace feedback {
namespace {

using Field = std::optional<std::string> FeedbackRecordFields::*;

struct Slot {
    enum class Kind { Text, Quoted, Bare };
    Kind kind;
    std::string_view text;  // Kind::Text
    Field field = nullptr;  // Kind::Quoted and Kind::Bare
};

constexpr Slot Text(std::string_view text) {
    return {Slot::Kind::Text, text};
}
constexpr Slot Quoted(Field field) {
    return {Slot::Kind::Quoted, {}, field};
}
constexpr Slot Bare(Field field) {
    return {Slot::Kind::Bare, {}, field};
}

using F = FeedbackRecordFields;

// The record is "{", these 39 slots, then "\"}}". A quoted value follows a slot that opens
// its quotes; a bare value stands between a colon and a comma or brace.
constexpr std::array<Slot, 39> kRecordSlots{{
    /*  1 */ Text(R"("UserActivityInfo":{"GUID":")"),
    /*  2 */ Quoted(&F::guid),
    /*  3 */ Text(R"(","MachineID":")"),
    /*  4 */ Quoted(&F::machineID),
    /*  5 */ Text(R"(","APType":)"),
    /*  6 */ Text("0"),
    /*  7 */ Text(R"(,"SN":")"),
    /*  8 */ Quoted(&F::em2),
    /*  9 */ Text(R"(","ProductID":)"),
    /* 10 */ Bare(&F::productID),
    /* 11 */ Text(R"(,"Version":)"),
    /* 12 */ Bare(&F::version),
    /* 13 */ Text(R"(,"LanguageID":)"),
    /* 14 */ Bare(&F::languageNumber),
    /* 15 */ Text(R"(,"OEMCode":)"),
    /* 16 */ Bare(&F::oemCode),
    /* 17 */ Text(R"(,"OS_Name":")"),
    /* 18 */ Quoted(&F::osName),
    /* 19 */ Text(R"(","OS_Version":")"),
    /* 20 */ Quoted(&F::osVersion),
    /* 21 */ Text(R"(","OS_TypeId":)"),
    /* 22 */ Text("1"),
    /* 23 */ Text(R"(,"OSBit":)"),
    /* 24 */ Text("1"),  // the template's one integer slot
    /* 25 */ Text(R"(,"Email":"","Description":")"),
    /* 26 */ Text("Mac"),
    /* 27 */ Text(R"(","ProductBuild":")"),
    /* 28 */ Quoted(&F::productBuild),
    /* 29 */ Text(R"(","CheckUpdateEdition":")"),
    /* 30 */ Quoted(&F::edition),
    /* 31 */ Text(R"(","PackageLanguageID":)"),
    /* 32 */ Bare(&F::packageLanguageID),
    /* 33 */ Text("},"),
    /* 34 */ Text(R"("UserActivityLog":{"GUID":")"),
    /* 35 */ Quoted(&F::guid),
    /* 36 */ Text(R"(","APType":0,"Name":")"),
    /* 37 */ Quoted(&F::activityName),
    /* 38 */ Text(R"(","Description":")"),
    /* 39 */ Quoted(&F::activityDescription),
}};

constexpr std::string_view kRecordOpening = "{";
constexpr std::string_view kRecordClosing = "\"}}";

// JSON's two-character escapes; other control characters take a u-escape of four hex digits.
constexpr std::array<std::pair<char, std::string_view>, 7> kShortEscapes{{
    {'"', "\\\""},
    {'\\', "\\\\"},
    {'\b', "\\b"},
    {'\f', "\\f"},
    {'\n', "\\n"},
    {'\r', "\\r"},
    {'\t', "\\t"},
}};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// JSON's integer form: an optional minus, then 0 or digits without a leading zero.
bool IsJsonInteger(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty() || (text.front() == '0' && text.size() > 1)) return false;
    for (const char c : text) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

std::string QuotedValue(const std::optional<std::string>& value) {
    return value ? EscapeJsonText(*value) : std::string("(null)");
}

std::string BareValue(const std::optional<std::string>& value) {
    if (!value) return "null";
    if (IsJsonInteger(*value)) return *value;
    return '"' + EscapeJsonText(*value) + '"';
}

std::string SlotValue(const Slot& slot, const FeedbackRecordFields& fields) {
    switch (slot.kind) {
        case Slot::Kind::Quoted:
            return QuotedValue(fields.*slot.field);
        case Slot::Kind::Bare:
            return BareValue(fields.*slot.field);
        case Slot::Kind::Text:
            break;
    }
    return std::string(slot.text);
}

}  // namespace

std::string EscapeJsonText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto shortForm = std::find_if(kShortEscapes.begin(), kShortEscapes.end(),
                                            [c](const auto& entry) { return entry.first == c; });
        if (shortForm != kShortEscapes.end()) {
            escaped += shortForm->second;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char code[7];
            std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string BuildFeedbackRecord(const FeedbackRecordFields& fields) {
    std::string record(kRecordOpening);
    for (const Slot& slot : kRecordSlots) record += SlotValue(slot, fields);
    record += kRecordClosing;
    return record;
}

}  // namespace feedback
