// DescribePlist: the text that NSDictionary and NSArray give as their `description`, which
// the pane's log lines show. Like macOS, a nested container starts with its own indentation
// even where it follows "key = " on the same line ("a =     {").
#include <cstddef>
#include <cstdio>
#include <string_view>
#include <type_traits>
#include <variant>

#include "foundation/plist_text_internal.h"
#include "foundation/plist_value.h"

namespace foundation {
namespace {

constexpr std::string_view kIndent = "    ";
// A hostile tree of a million values nested hundreds deep would describe in gigabytes (every
// line carries its indentation): the description stops growing past this size.
constexpr std::size_t kMaxDescriptionBytes = 1024 * 1024;
constexpr std::string_view kCutMark = "...";

bool Full(const std::string& out) {
    return out.size() >= kMaxDescriptionBytes;
}

bool IsPlainCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '.' || c == ':' || c == '/' || c == '-';
}

bool NeedsQuotes(std::string_view text) {
    if (text.empty()) return true;
    for (const char c : text) {
        if (!IsPlainCharacter(c)) return true;
    }
    return false;
}

// A string as it stands inside a container: bare when it is a plain token, else quoted.
void AppendQuotable(std::string& out, std::string_view text) {
    if (!NeedsQuotes(text)) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '\n') {
            out.append("\\n");
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
}

void AppendIndent(std::string& out, std::size_t level) {
    for (std::size_t i = 0; i < level; ++i) out.append(kIndent);
}

// NSData's description: "<0a1b2c3d 4e5f>", a space after every four bytes.
void AppendData(std::string& out, const PlistData& data) {
    out.push_back('<');
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0 && i % 4 == 0) out.push_back(' ');
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(data[i]));
        out.append(hex, 2);
    }
    out.push_back('>');
}

void AppendValue(std::string& out, const PlistValue& value, std::size_t level, bool nested);

void AppendDict(std::string& out, const PlistDict& dict, std::size_t level) {
    AppendIndent(out, level);
    out.append("{\n");
    for (std::size_t i = 0; i < dict.size() && !Full(out); ++i) {
        AppendIndent(out, level + 1);
        AppendQuotable(out, dict.keys()[i]);
        out.append(" = ");
        AppendValue(out, dict.valueAt(i), level + 1, true);
        out.append(";\n");
    }
    AppendIndent(out, level);
    out.push_back('}');
}

void AppendArray(std::string& out, const PlistArray& array, std::size_t level) {
    AppendIndent(out, level);
    out.append("(\n");
    for (std::size_t i = 0; i < array.size() && !Full(out); ++i) {
        AppendIndent(out, level + 1);
        AppendValue(out, array[i], level + 1, true);
        out.append(i + 1 < array.size() ? ",\n" : "\n");
    }
    AppendIndent(out, level);
    out.push_back(')');
}

// `nested`: the value stands inside a container, where strings may need quotes.
void AppendValue(std::string& out, const PlistValue& value, std::size_t level, bool nested) {
    const auto text = [&](std::string_view s) {
        if (nested) {
            AppendQuotable(out, s);
        } else {
            out.append(s);
        }
    };
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                text(v);
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                out.append(std::to_string(v));
            } else if constexpr (std::is_same_v<T, double>) {
                out.append(plist_internal::RealText(v));
            } else if constexpr (std::is_same_v<T, bool>) {
                out.push_back(v ? '1' : '0');
            } else if constexpr (std::is_same_v<T, PlistDate>) {
                text(plist_internal::DateDescription(v));
            } else if constexpr (std::is_same_v<T, PlistData>) {
                AppendData(out, v);
            } else if constexpr (std::is_same_v<T, PlistArray>) {
                AppendArray(out, v, level);
            } else {
                AppendDict(out, v, level);
            }
        },
        value.storage());
}

}  // namespace

std::string DescribePlist(const PlistValue& value) {
    std::string out;
    AppendValue(out, value, 0, false);
    if (out.size() > kMaxDescriptionBytes) {
        // Cut before a character, not inside one.
        std::size_t cut = kMaxDescriptionBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
        out.append(kCutMark);
    }
    return out;
}

}  // namespace foundation
