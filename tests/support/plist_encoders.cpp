#include "plist_encoders.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <type_traits>
#include <variant>

namespace packgate_test {
namespace {

using foundation::PlistArray;
using foundation::PlistData;
using foundation::PlistDate;
using foundation::PlistDict;
using foundation::PlistValue;

// ---- shared -------------------------------------------------------------------------------

std::string RealText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string DateText(PlistDate date) {
    const double held = date.secondsSince2001 > -1e15 && date.secondsSince2001 < 1e15
                            ? date.secondsSince2001
                            : 0;  // out of range (or NaN): no date to speak of
    const auto seconds = static_cast<std::time_t>(held) + 978307200;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &parts);
    return buffer;
}

// Code points of UTF-8 text; a byte that starts no valid sequence stands for U+FFFD.
std::u32string CodePoints(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead >= 0x80 && (lead < 0xC2 || lead > 0xF4 || i + length > text.size())) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = static_cast<char32_t>(length == 1 ? lead : lead & (0x7Fu >> length));
        for (std::size_t k = 1; k < length; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out.push_back(cp);
        i += length;
    }
    return out;
}

// ---- binary -------------------------------------------------------------------------------

std::size_t CountObjects(const PlistValue& value) {
    if (const auto* array = value.array()) {
        std::size_t n = 1;
        for (const auto& item : *array) n += CountObjects(item);
        return n;
    }
    if (const auto* dict = value.dict()) {
        std::size_t n = 1 + dict->size();
        for (std::size_t i = 0; i < dict->size(); ++i) n += CountObjects(dict->valueAt(i));
        return n;
    }
    return 1;
}

// Bytes needed for numbers up to `largest`: 1, 2, 4 or 8.
unsigned SizeFor(std::uint64_t largest) {
    if (largest < (1u << 8)) return 1;
    if (largest < (1u << 16)) return 2;
    if (largest <= 0xFFFFFFFFu) return 4;
    return 8;
}

unsigned Log2(unsigned size) {
    return static_cast<unsigned>(std::countr_zero(size));
}

void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t value, unsigned size) {
    for (unsigned i = size; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

class BinaryWriter {
  public:
    std::vector<std::uint8_t> Finish(const PlistValue& top) {
        const std::size_t count = CountObjects(top);
        refSize_ = SizeFor(count);
        offsets_.reserve(count);
        out_ = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
        objects_.resize(count);
        next_ = 0;
        Add(top);
        for (auto& body : objects_) {
            offsets_.push_back(out_.size());
            out_.insert(out_.end(), body.begin(), body.end());
        }
        const std::uint64_t tableStart = out_.size();
        const unsigned offsetSize = SizeFor(tableStart);
        for (const auto offset : offsets_) PutNumber(out_, offset, offsetSize);
        out_.insert(out_.end(), 6, 0);
        out_.push_back(static_cast<std::uint8_t>(offsetSize));
        out_.push_back(static_cast<std::uint8_t>(refSize_));
        PutNumber(out_, count, 8);
        PutNumber(out_, 0, 8);
        PutNumber(out_, tableStart, 8);
        return std::move(out_);
    }

  private:
    static void Marker(std::vector<std::uint8_t>& body, unsigned kind, std::size_t count) {
        if (count < 15) {
            body.push_back(static_cast<std::uint8_t>(kind << 4 | count));
            return;
        }
        body.push_back(static_cast<std::uint8_t>(kind << 4 | 0xF));
        const unsigned size = SizeFor(count);
        body.push_back(static_cast<std::uint8_t>(0x10 | Log2(size)));
        PutNumber(body, count, size);
    }

    static void String(std::vector<std::uint8_t>& body, const std::string& text) {
        bool ascii = true;
        for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) {
            Marker(body, 0x5, text.size());
            body.insert(body.end(), text.begin(), text.end());
            return;
        }
        std::vector<std::uint16_t> units;
        for (const char32_t cp : CodePoints(text)) {
            if (cp >= 0x10000) {
                units.push_back(static_cast<std::uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
                units.push_back(static_cast<std::uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            } else {
                units.push_back(static_cast<std::uint16_t>(cp));
            }
        }
        Marker(body, 0x6, units.size());
        for (const auto unit : units) PutNumber(body, unit, 2);
    }

    static void Scalar(std::vector<std::uint8_t>& body, const PlistValue& value) {
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    String(body, v);
                } else if constexpr (std::is_same_v<T, std::int64_t>) {
                    const unsigned size = v < 0 ? 8 : SizeFor(static_cast<std::uint64_t>(v));
                    body.push_back(static_cast<std::uint8_t>(0x10 | Log2(size)));
                    PutNumber(body, static_cast<std::uint64_t>(v), size);
                } else if constexpr (std::is_same_v<T, double>) {
                    body.push_back(0x23);
                    PutNumber(body, std::bit_cast<std::uint64_t>(v), 8);
                } else if constexpr (std::is_same_v<T, bool>) {
                    body.push_back(v ? 0x09 : 0x08);
                } else if constexpr (std::is_same_v<T, PlistDate>) {
                    body.push_back(0x33);
                    PutNumber(body, std::bit_cast<std::uint64_t>(v.secondsSince2001), 8);
                } else if constexpr (std::is_same_v<T, PlistData>) {
                    Marker(body, 0x4, v.size());
                    body.insert(body.end(), v.begin(), v.end());
                }
            },
            value.storage());
    }

    std::size_t AddString(const std::string& text) {
        const std::size_t index = next_++;
        String(objects_[index], text);
        return index;
    }

    // Numbers the value and everything in it (the value first), and encodes them.
    std::size_t Add(const PlistValue& value) {
        const std::size_t index = next_++;
        std::vector<std::size_t> refs;
        if (const auto* array = value.array()) {
            for (const auto& item : *array) refs.push_back(Add(item));
            Marker(objects_[index], 0xA, refs.size());
        } else if (const auto* dict = value.dict()) {
            for (const auto& key : dict->keys()) refs.push_back(AddString(key));
            for (std::size_t i = 0; i < dict->size(); ++i) refs.push_back(Add(dict->valueAt(i)));
            Marker(objects_[index], 0xD, dict->size());
        } else {
            Scalar(objects_[index], value);
            return index;
        }
        for (const auto ref : refs) PutNumber(objects_[index], ref, refSize_);
        return index;
    }

    std::vector<std::uint8_t> out_;
    std::vector<std::vector<std::uint8_t>> objects_;
    std::vector<std::uint64_t> offsets_;
    std::size_t next_ = 0;
    unsigned refSize_ = 1;
};

// ---- old-style ----------------------------------------------------------------------------

bool IsPlain(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '/' || c == ':' ||
                           c == '.' || c == '-';
        if (!plain) return false;
    }
    return true;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\t':
                out.append("\\t");
                break;
            case '\r':
                out.append("\\r");
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\U%04x", static_cast<unsigned>(byte));
                    out.append(escape);
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
}

void AppendString(std::string& out, std::string_view text) {
    if (IsPlain(text)) {
        out.append(text);
    } else {
        AppendQuoted(out, text);
    }
}

void Indent(std::string& out, std::size_t level) {
    out.append(4 * level, ' ');
}

void AppendOldStyle(std::string& out, const PlistValue& value, std::size_t level) {
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                AppendString(out, v);
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                AppendString(out, std::to_string(v));
            } else if constexpr (std::is_same_v<T, double>) {
                AppendString(out, RealText(v));
            } else if constexpr (std::is_same_v<T, bool>) {
                out.append(v ? "YES" : "NO");
            } else if constexpr (std::is_same_v<T, PlistDate>) {
                AppendString(out, DateText(v));
            } else if constexpr (std::is_same_v<T, PlistData>) {
                out.push_back('<');
                for (std::size_t i = 0; i < v.size(); ++i) {
                    if (i > 0 && i % 4 == 0) out.push_back(' ');
                    char hex[3];
                    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(v[i]));
                    out.append(hex, 2);
                }
                out.push_back('>');
            } else if constexpr (std::is_same_v<T, PlistArray>) {
                out.append("(\n");
                for (std::size_t i = 0; i < v.size(); ++i) {
                    Indent(out, level + 1);
                    AppendOldStyle(out, v[i], level + 1);
                    out.append(i + 1 < v.size() ? ",\n" : "\n");
                }
                Indent(out, level);
                out.push_back(')');
            } else {
                out.append("{\n");
                for (std::size_t i = 0; i < v.size(); ++i) {
                    Indent(out, level + 1);
                    AppendString(out, v.keys()[i]);
                    out.append(" = ");
                    AppendOldStyle(out, v.valueAt(i), level + 1);
                    out.append(";\n");
                }
                Indent(out, level);
                out.push_back('}');
            }
        },
        value.storage());
}

}  // namespace

std::vector<std::uint8_t> BinaryPropertyListBytes(const foundation::PlistValue& value) {
    return BinaryWriter().Finish(value);
}

std::string OldStylePropertyListText(const foundation::PlistValue& value) {
    std::string out;
    AppendOldStyle(out, value, 0);
    out.push_back('\n');
    return out;
}

std::string StringsFileText(const foundation::PlistDict& table) {
    std::string out;
    for (std::size_t i = 0; i < table.size(); ++i) {
        AppendQuoted(out, table.keys()[i]);
        out.append(" = ");
        if (const auto* text = table.valueAt(i).string()) {
            AppendQuoted(out, *text);
        } else {
            AppendOldStyle(out, table.valueAt(i), 0);
        }
        out.append(";\n");
    }
    return out;
}

}  // namespace packgate_test
