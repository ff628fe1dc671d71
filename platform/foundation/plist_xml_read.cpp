// XML property lists, read from libxml2's parse events as they come, so no tree of the whole
// document is ever built: a long list (a receipt of thousands of files) costs only the values.
//
// libxml2 runs without network access, without loading any DTD, and with entity declarations
// ignored, so an entity can neither reach outside the text nor multiply it; a reference to an
// entity then fails the read. Its errors go to a handler on this parse alone (never to
// standard error or a process-wide handler), and its own limit of 256 nested elements holds
// (XML_PARSE_HUGE is not given).
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cstring>
#include <memory>
#include <vector>

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

void IgnoreEntityDeclaration(void*, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
}

xmlParserInputPtr RefuseExternalEntity(void*, const xmlChar*, const xmlChar*) {
    return nullptr;
}

void IgnoreExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

std::string Name(const xmlChar* name) {
    return name != nullptr ? reinterpret_cast<const char*>(name) : "";
}

bool IsBlank(std::string_view text) {
    for (const char c : text) {
        if (!IsXmlSpace(c)) return false;
    }
    return true;
}

// Builds the value from the parse's events. Each open element is a frame: <plist>, a container
// (<dict>, <array>) or a scalar, whose text is gathered until it ends. The first fault is
// kept and the rest of the document only parsed, so that XML that is not well formed is
// still told as such.
class ValueBuilder {
  public:
    void Start(const std::string& name) {
        if (!error_.empty()) return;
        if (frames_.empty()) {
            if (name == "plist") {
                frames_.emplace_back(Kind::Plist, name, 0);
            } else {
                StartValue(name, 0);
            }
            return;
        }
        Frame& top = frames_.back();
        switch (top.kind) {
            case Kind::Scalar: Fail("element inside <" + top.name + ">"); return;
            case Kind::Plist:
                if (top.children++ > 0) {
                    Fail("more than one value in <plist>");
                    return;
                }
                StartValue(name, 0);
                return;
            case Kind::Array: StartValue(name, top.depth + 1); return;
            case Kind::Dict:
                if (top.key) {
                    StartValue(name, top.depth + 1);
                    return;
                }
                if (name != "key") {
                    Fail("value without a <key>");
                    return;
                }
                if (!budget_.Take()) {
                    Fail("too many values");
                    return;
                }
                frames_.emplace_back(Kind::Scalar, name, top.depth).isKey = true;
                return;
        }
    }

    void End() {
        if (!error_.empty() || frames_.empty()) return;
        Frame frame = std::move(frames_.back());
        frames_.pop_back();
        if (frame.isKey) {
            frames_.back().key = std::move(frame.text);
            return;
        }
        std::optional<PlistValue> value = Finish(frame);
        if (!value) return;
        if (frames_.empty()) {
            result_ = std::move(value);
            return;
        }
        Frame& parent = frames_.back();
        if (parent.kind == Kind::Dict) {
            parent.dict.set(std::move(*parent.key), std::move(*value));
            parent.key.reset();
        } else if (parent.kind == Kind::Array) {
            parent.array.push_back(std::move(*value));
        } else {
            parent.only = std::move(value);
        }
    }

    // Character data; `cdata` for a CDATA section, which only a scalar may hold.
    void Text(std::string_view text, bool cdata) {
        if (!error_.empty() || frames_.empty()) return;
        Frame& top = frames_.back();
        if (top.kind == Kind::Scalar) {
            top.text.append(text);
        } else if (cdata) {
            Fail("unexpected content between values");
        } else if (!IsBlank(text)) {
            Fail("text between values");
        }
    }

    void Reference() {
        if (!error_.empty() || frames_.empty()) return;
        Fail(frames_.back().kind == Kind::Scalar ? "entity reference" : "unexpected content between values");
    }

    std::optional<PlistValue> Result() {
        if (error_.empty() && !result_) Fail("empty <plist>");
        return error_.empty() ? std::move(result_) : std::nullopt;
    }
    const std::string& error() const { return error_; }

  private:
    enum class Kind { Plist, Dict, Array, Scalar };
    struct Frame {
        Frame(Kind k, std::string n, std::size_t d) : kind(k), name(std::move(n)), depth(d) {}
        Kind kind;
        std::string name;
        std::size_t depth = 0;
        std::size_t children = 0;  // <plist>: the values begun in it.
        bool isKey = false;        // A dict's <key>, not one of its values.
        std::string text;          // A scalar's.
        std::optional<std::string> key;  // A dict's key awaiting its value.
        PlistDict dict;
        PlistArray array;
        std::optional<PlistValue> only;  // <plist>'s value.
    };

    void Fail(const std::string& what) {
        if (error_.empty()) error_ = "XML property list: " + what;
    }

    void StartValue(const std::string& name, std::size_t depth) {
        if (!budget_.Take()) return Fail("too many values");
        const bool dict = name == "dict";
        if (dict || name == "array") {
            if (depth >= kMaxPlistDepth) return Fail("nesting too deep");
            frames_.emplace_back(dict ? Kind::Dict : Kind::Array, name, depth);
            return;
        }
        frames_.emplace_back(Kind::Scalar, name, depth);
    }

    std::optional<PlistValue> Finish(Frame& frame) {
        switch (frame.kind) {
            case Kind::Plist:
                if (!frame.only) Fail("empty <plist>");
                return std::move(frame.only);
            case Kind::Dict:
                if (frame.key) {
                    Fail("<key> without a value");
                    return std::nullopt;
                }
                return PlistValue(std::move(frame.dict));
            case Kind::Array: return PlistValue(std::move(frame.array));
            case Kind::Scalar: return Scalar(frame.name, std::move(frame.text));
        }
        return std::nullopt;
    }

    std::optional<PlistValue> Scalar(const std::string& name, std::string text) {
        if (name == "true" || name == "false") {
            if (!IsBlank(text)) return Refuse("content in <true/> or <false/>");
            return PlistValue(name == "true");
        }
        if (name == "string") return PlistValue(std::move(text));
        if (name == "integer") return Checked(ParseIntegerText(text), "integer");
        if (name == "real") return Checked(ParseRealText(text), "real");
        if (name == "date") return Checked(ParseIsoDateText(text), "date");
        if (name == "data") return Checked(DecodeBase64(text), "data");
        return Refuse("unknown element <" + name + ">");
    }

    std::nullopt_t Refuse(const std::string& what) {
        Fail(what);
        return std::nullopt;
    }

    template <typename T>
    std::optional<PlistValue> Checked(std::optional<T> value, const char* kind) {
        if (!value) return Refuse(std::string("malformed <") + kind + ">");
        return PlistValue(std::move(*value));
    }

    std::vector<Frame> frames_;
    std::optional<PlistValue> result_;
    ValueBudget budget_;
    std::string error_;
};

// What the parse's callbacks reach through the context's private pointer.
struct ParseState {
    std::string reason;  // The first error libxml2 told.
    ValueBuilder builder;
};

// Keeps the first error of the parse as the read's reason.
void KeepError(void* userData, xmlErrorPtr error) {
    auto* context = static_cast<xmlParserCtxt*>(userData);
    auto* state = static_cast<ParseState*>(context->_private);
    std::string* reason = state != nullptr ? &state->reason : nullptr;
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

ValueBuilder& BuilderOf(void* context) {
    return static_cast<ParseState*>(static_cast<xmlParserCtxt*>(context)->_private)->builder;
}

void OnStart(void* context, const xmlChar* name, const xmlChar*, const xmlChar*, int, const xmlChar**, int,
             int, const xmlChar**) {
    BuilderOf(context).Start(Name(name));
}

void OnEnd(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    BuilderOf(context).End();
}

void OnCharacters(void* context, const xmlChar* text, int length) {
    BuilderOf(context).Text({reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)}, false);
}

void OnCdata(void* context, const xmlChar* text, int length) {
    BuilderOf(context).Text({reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)}, true);
}

void OnReference(void* context, const xmlChar*) {
    BuilderOf(context).Reference();
}

void Skip(void*, const xmlChar*) {}
void SkipInstruction(void*, const xmlChar*, const xmlChar*) {}

}  // namespace

std::optional<PlistValue> ReadXmlPlist(std::string_view text, std::string& error) {
    InitLibxml2Once();
    std::unique_ptr<xmlParserCtxt, ContextFree> context(xmlNewParserCtxt());
    if (!context || context->sax == nullptr) {
        error = "XML property list: no parser";
        return std::nullopt;
    }
    ParseState state;
    context->_private = &state;
    xmlSAXHandler* sax = context->sax;
    sax->serror = KeepError;
    sax->entityDecl = IgnoreEntityDeclaration;
    sax->resolveEntity = RefuseExternalEntity;
    sax->externalSubset = IgnoreExternalSubset;
    sax->startElementNs = OnStart;
    sax->endElementNs = OnEnd;
    sax->characters = OnCharacters;
    sax->ignorableWhitespace = OnCharacters;
    sax->cdataBlock = OnCdata;
    sax->reference = OnReference;
    sax->comment = Skip;
    sax->processingInstruction = SkipInstruction;
    std::unique_ptr<xmlDoc, DocFree> doc(xmlCtxtReadMemory(context.get(), text.data(),
                                                           static_cast<int>(text.size()), nullptr,
                                                           "UTF-8", kParseOptions));
    if (!doc || context->wellFormed == 0) {
        error = state.reason.empty() ? "XML property list: malformed XML" : state.reason;
        return std::nullopt;
    }
    auto value = state.builder.Result();
    if (!value) error = state.builder.error();
    return value;
}

}  // namespace foundation::plist_internal
