// Format detection and the public reading entry points.
#include "foundation/plist_read.h"

#include <algorithm>
#include <cstring>

#include "foundation/files.h"
#include "foundation/plist_read_internal.h"
#include "foundation/plist_text_internal.h"

namespace foundation {
namespace {

using plist_internal::IsXmlSpace;

constexpr std::uint8_t kBinaryMagic[] = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};

bool IsBinary(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= sizeof kBinaryMagic &&
           std::equal(std::begin(kBinaryMagic), std::end(kBinaryMagic), bytes.begin());
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsHexLetter(char c) {
    return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Text that starts with markup: a declaration, a comment or DOCTYPE, or an element.
bool LooksLikeXml(std::string_view text, bool& couldBeOldStyleData) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsXmlSpace);
    couldBeOldStyleData = false;
    if (text.end() - first < 2 || *first != '<') return false;
    const char next = *(first + 1);
    couldBeOldStyleData = IsHexLetter(next);
    return next == '?' || next == '!' || IsLetter(next);
}

// Old-style data such as "<ab12>" also starts with '<' and a letter: it is tried when the
// text does not read as XML.
std::optional<PlistValue> ReadText(std::string_view text, std::string& error, PlistFormat& format) {
    bool couldBeOldStyleData = false;
    if (!LooksLikeXml(text, couldBeOldStyleData)) {
        format = PlistFormat::OpenStep;
        return plist_internal::ReadOpenStepPlist(text, error);
    }
    format = PlistFormat::Xml;
    // libxml2 wants the declaration first; white space before it is harmless.
    const auto markup = text.find_first_not_of(" \t\r\n");
    auto value = plist_internal::ReadXmlPlist(text.substr(markup), error);
    if (value || !couldBeOldStyleData) return value;
    std::string ignored;
    value = plist_internal::ReadOpenStepPlist(text, ignored);
    if (value) format = PlistFormat::OpenStep;
    return value;
}

std::optional<PlistValue> Parse(std::span<const std::uint8_t> bytes, std::string& error,
                                PlistFormat& format) {
    if (bytes.empty()) {
        error = "empty data";
        return std::nullopt;
    }
    if (bytes.size() > kMaxPlistFileBytes) {
        error = "data too large for a property list";
        return std::nullopt;
    }
    if (IsBinary(bytes)) {
        format = PlistFormat::Binary;
        return plist_internal::ReadBinaryPlist(bytes, error);
    }
    const auto text = plist_internal::DecodePlistText(bytes, error);
    if (!text) return std::nullopt;
    return ReadText(*text, error, format);
}

}  // namespace

std::optional<PlistValue> ParsePropertyList(std::span<const std::uint8_t> bytes,
                                            std::string* errorDescription, unsigned* format) {
    std::string error;
    PlistFormat detected = PlistFormat::OpenStep;
    auto value = Parse(bytes, error, detected);
    if (!value) {
        if (errorDescription != nullptr) *errorDescription = error;
        return std::nullopt;
    }
    if (format != nullptr) *format = static_cast<unsigned>(detected);
    return value;
}

std::optional<PlistDict> ParseStringsTable(std::span<const std::uint8_t> bytes) {
    auto value = ParsePropertyList(bytes);
    if (!value) {
        // A strings file whose entries are all commented out is an empty table.
        if (bytes.empty() || bytes.size() > kMaxPlistFileBytes) return std::nullopt;
        std::string error;
        const auto text = plist_internal::DecodePlistText(bytes, error);
        if (text && plist_internal::OpenStepTextIsBlank(*text)) return PlistDict();
        return std::nullopt;
    }
    const PlistDict* dict = value->dict();
    if (dict == nullptr) return std::nullopt;
    PlistDict table;
    for (std::size_t i = 0; i < dict->size(); ++i) {
        if (const auto* text = dict->valueAt(i).string()) table.set(dict->keys()[i], *text);
    }
    return table;
}

std::optional<PlistDict> DictionaryWithContentsOfFile(const std::optional<std::string>& path) {
    const auto bytes = ContentsAtPath(path, kMaxPlistFileBytes);
    if (!bytes) return std::nullopt;
    auto value = ParsePropertyList(*bytes);
    if (!value || value->dict() == nullptr) return std::nullopt;
    return std::move(*value->dict());
}

}  // namespace foundation
