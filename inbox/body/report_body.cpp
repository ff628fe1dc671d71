#include "inbox/body/report_body.h"

#include <array>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include <cipherkit/string_cipher.h>

#include "feedback/record_passphrase.h"

namespace inbox {
namespace {

using Json = nlohmann::json;

enum class Kind { Text, Integer, Bare };

struct Member {
    const char* key;
    Kind kind;
};

constexpr std::array<Member, 17> kInfoMembers{{
    {"GUID", Kind::Text},           {"MachineID", Kind::Text},
    {"APType", Kind::Integer},      {"SN", Kind::Text},
    {"ProductID", Kind::Bare},      {"Version", Kind::Bare},
    {"LanguageID", Kind::Bare},     {"OEMCode", Kind::Bare},
    {"OS_Name", Kind::Text},        {"OS_Version", Kind::Text},
    {"OS_TypeId", Kind::Integer},   {"OSBit", Kind::Integer},
    {"Email", Kind::Text},          {"Description", Kind::Text},
    {"ProductBuild", Kind::Text},   {"CheckUpdateEdition", Kind::Text},
    {"PackageLanguageID", Kind::Bare},
}};

constexpr std::array<Member, 4> kLogMembers{{
    {"GUID", Kind::Text},
    {"APType", Kind::Integer},
    {"Name", Kind::Text},
    {"Description", Kind::Text},
}};

bool Fits(const Json& value, Kind kind) {
    switch (kind) {
        case Kind::Text:
            return value.is_string();
        case Kind::Integer:
            return value.is_number_integer();
        case Kind::Bare:
            return value.is_string() || value.is_number_integer() || value.is_null();
    }
    return false;
}

// True when `object` is a JSON object with exactly `members`, each of its kind.
template <std::size_t N>
bool HasShape(const Json& object, const std::array<Member, N>& members) {
    if (!object.is_object() || object.size() != N) return false;
    for (const Member& member : members) {
        const auto found = object.find(member.key);
        if (found == object.end() || !Fits(*found, member.kind)) return false;
    }
    return true;
}

std::string BareText(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_null()) return {};
    return value.dump();
}

struct TextDeleter {
    void operator()(char* text) const { delete[] text; }
};

// The plain text of the upper-case hex `body`, or nothing when it is not hex of that form or
// deciphers to text holding a zero byte (no record does; a zero would hide what follows it).
std::optional<std::string> Decipher(std::string_view body) {
    if (body.empty() || body.size() % 2 != 0) return std::nullopt;
    const std::string hex(body);
    if (hex.find('\0') != std::string::npos) return std::nullopt;
    const std::unique_ptr<char, TextDeleter> plain(
        Decrypt(hex.c_str(), feedback::kRecordPassphrase));
    if (!plain) return std::nullopt;
    const std::size_t length = std::strlen(plain.get());
    if (length != hex.size() / 2) return std::nullopt;
    return std::string(plain.get(), length);
}

}  // namespace

std::optional<Report> ReadReportRecord(std::string_view record) {
    // Parsing checks the UTF-8 of every string; a byte outside one is a syntax error.
    const Json parsed = Json::parse(record, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded() || !parsed.is_object() || parsed.size() != 2) return std::nullopt;
    const auto info = parsed.find("UserActivityInfo");
    const auto log = parsed.find("UserActivityLog");
    if (info == parsed.end() || log == parsed.end()) return std::nullopt;
    if (!HasShape(*info, kInfoMembers) || !HasShape(*log, kLogMembers)) return std::nullopt;

    Report report;
    report.record = std::string(record);
    report.guid = (*info)["GUID"].get<std::string>();
    report.machineId = (*info)["MachineID"].get<std::string>();
    report.serial = (*info)["SN"].get<std::string>();
    report.productVersion = BareText((*info)["Version"]);
    report.systemVersion = (*info)["OS_Version"].get<std::string>();
    report.activity = (*log)["Name"].get<std::string>();
    return report;
}

std::optional<Report> ReadReportBody(std::string_view body) {
    const auto record = Decipher(body);
    if (!record) return std::nullopt;
    return ReadReportRecord(*record);
}

}  // namespace inbox
