// XML property lists, parsed by libxml2 and then read from its tree.
//
// libxml2 runs without network access, without loading any DTD, and with entity declarations
// ignored, so an entity can neither reach outside the text nor multiply it; a reference to an
// entity then fails the read. Its errors go to a handler on this parse alone (never to
// standard error or a process-wide handler), and its own limit of 256 nested elements holds
// (XML_PARSE_HUGE is not given).
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cstring>
#include <memory>

#include "foundation/plist_read_internal.h"
#include "foundation/plist_text_internal.h"

namespace foundation::plist_internal {
namespace {

constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC;

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

void InitLibxml2Once() {
    static const bool initialized = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialized;
}

// Keeps the first error of the parse as the read's reason.
void KeepError(void* userData, xmlErrorPtr error) {
    auto* context = static_cast<xmlParserCtxt*>(userData);
    auto* reason = static_cast<std::string*>(context->_private);
    if (reason == nullptr || !reason->empty() || error == nullptr) return;
    std::string message = error->message != nullptr ? error->message : "malformed XML";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    // libxml2 quotes pieces of the input, line breaks included; the reason is one log line.
    for (char& c : message) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    *reason = "XML line " + std::to_string(error->line) + ": " + message;
}

void IgnoreEntityDeclaration(void*, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
}

xmlParserInputPtr RefuseExternalEntity(void*, const xmlChar*, const xmlChar*) {
    return nullptr;
}

void IgnoreExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

bool NameIs(const xmlNode* node, const char* name) {
    return std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

bool IsBlank(const xmlChar* text) {
    if (text == nullptr) return true;
    for (; *text != 0; ++text) {
        if (!IsXmlSpace(static_cast<char>(*text))) return false;
    }
    return true;
}

class TreeReader {
  public:
    // The value of the document: <plist> with one value inside, or a value element alone.
    std::optional<PlistValue> Document(const xmlNode* root) {
        if (!NameIs(root, "plist")) return Value(root, 0);
        const xmlNode* only = nullptr;
        if (!Children(root, [&](const xmlNode* child) {
                if (only != nullptr) return Refuse("more than one value in <plist>");
                only = child;
                return true;
            })) {
            return std::nullopt;
        }
        if (only == nullptr) return Fail("empty <plist>");
        return Value(only, 0);
    }

    const std::string& error() const { return error_; }

  private:
    std::nullopt_t Fail(const std::string& what) {
        if (error_.empty()) error_ = "XML property list: " + what;
        return std::nullopt;
    }

    bool Refuse(const std::string& what) {
        Fail(what);
        return false;
    }

    // Calls `visit` for each element child of a container; white space and comments between
    // them are skipped, anything else is refused.
    template <typename Visit>
    bool Children(const xmlNode* parent, Visit visit) {
        for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
            switch (child->type) {
                case XML_ELEMENT_NODE:
                    if (!visit(child)) return false;
                    break;
                case XML_TEXT_NODE:
                    if (!IsBlank(child->content)) return Refuse("text between values");
                    break;
                case XML_COMMENT_NODE:
                case XML_PI_NODE:
                    break;
                default:
                    return Refuse("unexpected content between values");
            }
        }
        return true;
    }

    // The character content of a scalar element: text and CDATA only.
    std::optional<std::string> Text(const xmlNode* element) {
        std::string text;
        for (const xmlNode* child = element->children; child != nullptr; child = child->next) {
            switch (child->type) {
                case XML_TEXT_NODE:
                case XML_CDATA_SECTION_NODE:
                    if (child->content != nullptr) {
                        text.append(reinterpret_cast<const char*>(child->content));
                    }
                    break;
                case XML_COMMENT_NODE:
                case XML_PI_NODE:
                    break;
                case XML_ENTITY_REF_NODE:
                    return Fail("entity reference");
                default:
                    return Fail("element inside <" +
                                std::string(reinterpret_cast<const char*>(element->name)) + ">");
            }
        }
        return text;
    }

    std::optional<PlistValue> Value(const xmlNode* element, std::size_t depth) {
        if (!budget_.Take()) return Fail("too many values");
        if (NameIs(element, "dict")) return Dict(element, depth);
        if (NameIs(element, "array")) return Array(element, depth);
        if (NameIs(element, "true") || NameIs(element, "false")) {
            const auto text = Text(element);
            if (!text) return std::nullopt;
            if (!IsBlank(reinterpret_cast<const xmlChar*>(text->c_str()))) {
                return Fail("content in <true/> or <false/>");
            }
            return PlistValue(NameIs(element, "true"));
        }
        auto text = Text(element);
        if (!text) return std::nullopt;
        if (NameIs(element, "string")) return PlistValue(std::move(*text));
        if (NameIs(element, "integer")) return Scalar(ParseIntegerText(*text), "integer");
        if (NameIs(element, "real")) return Scalar(ParseRealText(*text), "real");
        if (NameIs(element, "date")) return Scalar(ParseIsoDateText(*text), "date");
        if (NameIs(element, "data")) return Scalar(DecodeBase64(*text), "data");
        return Fail("unknown element <" +
                    std::string(reinterpret_cast<const char*>(element->name)) + ">");
    }

    template <typename T>
    std::optional<PlistValue> Scalar(std::optional<T> value, const char* kind) {
        if (!value) return Fail(std::string("malformed <") + kind + ">");
        return PlistValue(std::move(*value));
    }

    std::optional<PlistValue> Array(const xmlNode* element, std::size_t depth) {
        if (depth >= kMaxPlistDepth) return Fail("nesting too deep");
        PlistArray array;
        const bool ok = Children(element, [&](const xmlNode* child) {
            auto item = Value(child, depth + 1);
            if (!item) return false;
            array.push_back(std::move(*item));
            return true;
        });
        if (!ok) return std::nullopt;
        return PlistValue(std::move(array));
    }

    std::optional<PlistValue> Dict(const xmlNode* element, std::size_t depth) {
        if (depth >= kMaxPlistDepth) return Fail("nesting too deep");
        PlistDict dict;
        std::optional<std::string> key;
        const bool ok = Children(element, [&](const xmlNode* child) {
            if (!key) {
                if (!NameIs(child, "key")) return Refuse("value without a <key>");
                if (!budget_.Take()) return Refuse("too many values");
                key = Text(child);
                return key.has_value();
            }
            auto value = Value(child, depth + 1);
            if (!value) return false;
            dict.set(std::move(*key), std::move(*value));
            key.reset();
            return true;
        });
        if (!ok) return std::nullopt;
        if (key) return Fail("<key> without a value");
        return PlistValue(std::move(dict));
    }

    ValueBudget budget_;
    std::string error_;
};

}  // namespace

std::optional<PlistValue> ReadXmlPlist(std::string_view text, std::string& error) {
    InitLibxml2Once();
    std::unique_ptr<xmlParserCtxt, ContextFree> context(xmlNewParserCtxt());
    if (!context || context->sax == nullptr) {
        error = "XML property list: no parser";
        return std::nullopt;
    }
    std::string reason;
    context->_private = &reason;
    context->sax->serror = KeepError;
    context->sax->entityDecl = IgnoreEntityDeclaration;
    context->sax->resolveEntity = RefuseExternalEntity;
    context->sax->externalSubset = IgnoreExternalSubset;
    std::unique_ptr<xmlDoc, DocFree> doc(xmlCtxtReadMemory(context.get(), text.data(),
                                                           static_cast<int>(text.size()), nullptr,
                                                           "UTF-8", kParseOptions));
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (root == nullptr) {
        error = reason.empty() ? "XML property list: malformed XML" : reason;
        return std::nullopt;
    }
    TreeReader reader;
    auto value = reader.Document(root);
    if (!value) error = reader.error();
    return value;
}

}  // namespace foundation::plist_internal
