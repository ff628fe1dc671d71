#include "plist_tree_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "utf8_reference.h"

namespace packgate_fuzz {
namespace {

using foundation::PlistValue;

// libxml2 refuses documents nested deeper than 256 elements, <plist> and leaves included.
constexpr std::size_t kXmlSafeDepth = 200;
// Seconds from 2001 to about the years 0001 and 9999.
constexpr double kFirstXmlDate = -6.3e10;
constexpr double kLastXmlDate = 2.5e11;

void Measure(const PlistValue& value, std::size_t depth, TreeSize& size) {
    ++size.values;
    if (const auto* text = value.string()) size.bytes += text->size();
    if (const auto* data = value.data()) size.bytes += data->size();
    if (const auto* array = value.array()) {
        size.depth = std::max(size.depth, depth + 1);
        for (const PlistValue& item : *array) Measure(item, depth + 1, size);
    }
    if (const auto* dict = value.dict()) {
        size.depth = std::max(size.depth, depth + 1);
        for (std::size_t i = 0; i < dict->size(); ++i) {
            ++size.values;
            size.bytes += dict->keys()[i].size();
            Measure(dict->valueAt(i), depth + 1, size);
        }
    }
}

// The characters of XML 1.0; the writer sends CR as a reference, so it survives too.
bool IsXmlCharacter(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool Writable(const PlistValue& value, std::size_t depth) {
    if (depth > kXmlSafeDepth) return false;
    if (const auto* text = value.string()) return IsPlainXmlText(*text);
    if (const auto* date = value.date()) {
        // XML writes a date as a four-digit year.
        return date->secondsSince2001 > kFirstXmlDate && date->secondsSince2001 < kLastXmlDate;
    }
    if (const auto* array = value.array()) {
        return std::all_of(array->begin(), array->end(),
                           [depth](const PlistValue& item) { return Writable(item, depth + 1); });
    }
    if (const auto* dict = value.dict()) {
        for (std::size_t i = 0; i < dict->size(); ++i) {
            if (!IsPlainXmlText(dict->keys()[i])) return false;
            if (!Writable(dict->valueAt(i), depth + 1)) return false;
        }
    }
    return true;
}

}  // namespace

TreeSize MeasureTree(const PlistValue& value) {
    TreeSize size;
    Measure(value, 0, size);
    return size;
}

bool IsPlainXmlText(std::string_view text) {
    while (!text.empty()) {
        char32_t c = 0;
        const std::size_t used = DecodeUtf8(text, c);
        if (used == 0 || !IsXmlCharacter(c)) return false;
        text.remove_prefix(used);
    }
    return true;
}

bool WritableAsXml(const PlistValue& value) {
    return Writable(value, 0);
}

bool SameAfterXml(const PlistValue& a, const PlistValue& b) {
    if (a.storage().index() != b.storage().index()) return false;
    if (a.date()) return true;
    if (const auto* real = a.real()) {
        return (std::isnan(*real) && std::isnan(*b.real())) || *real == *b.real();
    }
    if (const auto* array = a.array()) {
        const auto* other = b.array();
        return array->size() == other->size() &&
               std::equal(array->begin(), array->end(), other->begin(), SameAfterXml);
    }
    if (const auto* dict = a.dict()) {
        const auto* other = b.dict();
        if (dict->keys() != other->keys()) return false;
        for (std::size_t i = 0; i < dict->size(); ++i) {
            if (!SameAfterXml(dict->valueAt(i), other->valueAt(i))) return false;
        }
        return true;
    }
    return a == b;
}

}  // namespace packgate_fuzz
