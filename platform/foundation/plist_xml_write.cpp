// XmlPropertyListText: Apple's XML form, as Foundation and Python's plistlib write it.
#include <algorithm>
#include <cmath>
#include <string_view>
#include <type_traits>
#include <variant>

#include "foundation/plist_text_internal.h"
#include "foundation/plist_write.h"

namespace foundation {
namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::size_t kBase64LineLength = 76;

void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out.append("&amp;");
                break;
            case '<':
                out.append("&lt;");
                break;
            case '>':
                out.append("&gt;");
                break;
            case '\r':
                // Readers turn a raw CR, and CR LF, into LF; a reference reaches them intact.
                out.append("&#13;");
                break;
            default:
                out.push_back(c);
        }
    }
}

std::string RealElementText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "+infinity" : "-infinity";
    return plist_internal::RealText(value);
}

class XmlWriter {
  public:
    std::string Finish(const PlistValue& value) {
        out_.append(kHeader);
        Value(value, 0);
        out_.append("</plist>\n");
        return std::move(out_);
    }

  private:
    void Indent(std::size_t level) { out_.append(level, '\t'); }

    // One line: <tag>text</tag>, the text escaped.
    void Element(std::string_view tag, std::string_view text, std::size_t level) {
        Indent(level);
        out_.append("<").append(tag).append(">");
        AppendEscaped(out_, text);
        out_.append("</").append(tag).append(">\n");
    }

    void Empty(std::string_view tag, std::size_t level) {
        Indent(level);
        out_.append("<").append(tag).append("/>\n");
    }

    void Data(const PlistData& data, std::size_t level) {
        Indent(level);
        out_.append("<data>\n");
        out_.append(plist_internal::Base64Lines(data, kBase64LineLength, std::string(level, '\t')));
        Indent(level);
        out_.append("</data>\n");
    }

    void Array(const PlistArray& array, std::size_t level) {
        if (array.empty()) return Empty("array", level);
        Indent(level);
        out_.append("<array>\n");
        for (const auto& item : array) Value(item, level + 1);
        Indent(level);
        out_.append("</array>\n");
    }

    void Dict(const PlistDict& dict, std::size_t level) {
        if (dict.empty()) return Empty("dict", level);
        Indent(level);
        out_.append("<dict>\n");
        for (std::size_t i = 0; i < dict.size(); ++i) {
            Element("key", dict.keys()[i], level + 1);
            Value(dict.valueAt(i), level + 1);
        }
        Indent(level);
        out_.append("</dict>\n");
    }

    void Value(const PlistValue& value, std::size_t level) {
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    Element("string", v, level);
                } else if constexpr (std::is_same_v<T, std::int64_t>) {
                    Element("integer", std::to_string(v), level);
                } else if constexpr (std::is_same_v<T, double>) {
                    Element("real", RealElementText(v), level);
                } else if constexpr (std::is_same_v<T, bool>) {
                    Empty(v ? "true" : "false", level);
                } else if constexpr (std::is_same_v<T, PlistDate>) {
                    Element("date", plist_internal::IsoDateText(v), level);
                } else if constexpr (std::is_same_v<T, PlistData>) {
                    Data(v, level);
                } else if constexpr (std::is_same_v<T, PlistArray>) {
                    Array(v, level);
                } else {
                    Dict(v, level);
                }
            },
            value.storage());
    }

    std::string out_;
};

// XML 1.0 allows tab, line feed and carriage return among the control characters, and
// neither U+FFFE nor U+FFFF (EF BF BE, EF BF BF in UTF-8).
bool XmlCanHoldText(std::string_view text) {
    if (!plist_internal::IsValidUtf8(text)) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
        const std::string_view next = text.substr(i, 3);
        if (next == "\xEF\xBF\xBE" || next == "\xEF\xBF\xBF") return false;
    }
    return true;
}

}  // namespace

bool IsXmlWritable(const PlistValue& value) {
    if (const std::string* text = value.string()) return XmlCanHoldText(*text);
    if (const PlistArray* array = value.array()) {
        return std::all_of(array->begin(), array->end(),
                           [](const PlistValue& item) { return IsXmlWritable(item); });
    }
    if (const PlistDict* dict = value.dict()) {
        for (std::size_t i = 0; i < dict->size(); ++i) {
            if (!XmlCanHoldText(dict->keys()[i]) || !IsXmlWritable(dict->valueAt(i))) return false;
        }
    }
    return true;
}

std::string XmlPropertyListText(const PlistValue& value) {
    return XmlWriter().Finish(value);
}

}  // namespace foundation
