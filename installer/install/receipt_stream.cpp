#include "installer/install/receipt_stream.h"

#include <libxml/xmlreader.h>

#include <cstdlib>
#include <memory>

namespace installer {
namespace {

struct ReaderFree {
    void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};
using Reader = std::unique_ptr<xmlTextReader, ReaderFree>;

enum class Step { Child, End, Bad };

// Moves to the next element directly inside the element at `depth - 1` (skipping anything
// deeper); End after its last, Bad when the document ends or cannot be read.
Step NextChild(xmlTextReader* reader, int depth) {
    while (xmlTextReaderRead(reader) == 1) {
        const int type = xmlTextReaderNodeType(reader);
        const int at = xmlTextReaderDepth(reader);
        if (type == XML_READER_TYPE_ELEMENT && at == depth) return Step::Child;
        if (type == XML_READER_TYPE_END_ELEMENT && at == depth - 1) return Step::End;
    }
    return Step::Bad;
}

std::string Name(xmlTextReader* reader) {
    const xmlChar* name = xmlTextReaderConstName(reader);
    return name ? reinterpret_cast<const char*>(name) : "";
}

bool Is(xmlTextReader* reader, const char* name) {
    return Name(reader) == name;
}

// The text inside the element the reader is on.
std::string Text(xmlTextReader* reader) {
    xmlChar* text = xmlTextReaderReadString(reader);
    if (text == nullptr) return "";
    std::string result(reinterpret_cast<const char*>(text));
    xmlFree(text);
    return result;
}

// Runs `each` on every element inside the container the reader is on, at `depth`; false
// when the container is not closed properly or `each` refuses.
template <typename Each>
bool EachChild(xmlTextReader* reader, int depth, const Each& each) {
    if (xmlTextReaderIsEmptyElement(reader)) return true;
    for (;;) {
        const Step step = NextChild(reader, depth);
        if (step == Step::End) return true;
        if (step == Step::Bad || !each()) return false;
    }
}

// Key then value, pairwise, inside the dict the reader is on (at `depth - 1`).
template <typename Each>
bool EachPair(xmlTextReader* reader, int depth, const Each& each) {
    if (xmlTextReaderIsEmptyElement(reader)) return true;
    for (;;) {
        const Step step = NextChild(reader, depth);
        if (step == Step::End) return true;
        if (step == Step::Bad || !Is(reader, "key")) return false;
        const std::string key = Text(reader);
        if (NextChild(reader, depth) != Step::Child || !each(key)) return false;
    }
}

bool ReadFile(xmlTextReader* reader, int depth, ReceiptFile& file) {
    if (!Is(reader, "dict")) return false;
    bool sized = false;
    const bool good = EachPair(reader, depth + 1, [&](const std::string& key) {
        if (key == "Path" || key == "SHA256") {
            if (!Is(reader, "string")) return false;
            (key == "Path" ? file.path : file.sha256) = Text(reader);
        } else if (key == "Size") {
            const std::string digits = Text(reader);
            char* end = nullptr;
            file.size = std::strtoull(digits.c_str(), &end, 10);
            sized = Is(reader, "integer") && !digits.empty() && *end == '\0' &&
                    digits.find_first_not_of("0123456789") == std::string::npos;
            return sized;
        }
        return true;
    });
    return good && sized && !file.path.empty();
}

std::string* TextField(Receipt& receipt, const std::string& key) {
    if (key == "Identifier") return &receipt.identifier;
    if (key == "Version") return &receipt.version;
    if (key == "Title") return &receipt.packTitle;
    if (key == "HostTitle") return &receipt.hostTitle;
    if (key == "HostKind") return &receipt.hostKind;
    if (key == "HostPath") return &receipt.hostPath;
    if (key == "Destination") return &receipt.destination;
    if (key == "SignerKeyID") return &receipt.signerKeyId;
    return nullptr;
}

}  // namespace

std::optional<Receipt> ReadReceiptStreaming(const std::string& path,
                                            const std::function<void(const ReceiptFile&)>& eachFile,
                                            std::size_t* fileCount) {
    Reader reader(xmlReaderForFile(path.c_str(), nullptr,
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!reader) return std::nullopt;
    xmlTextReader* r = reader.get();
    if (NextChild(r, 0) != Step::Child || !Is(r, "plist")) return std::nullopt;
    if (NextChild(r, 1) != Step::Child || !Is(r, "dict")) return std::nullopt;
    Receipt receipt;
    std::size_t count = 0;
    bool sawFiles = false;
    const bool good = EachPair(r, 2, [&](const std::string& key) {
        if (std::string* field = TextField(receipt, key)) {
            if (!Is(r, "string")) return false;
            *field = Text(r);
        } else if (key == "CreatedFolders" && Is(r, "array")) {
            return EachChild(r, 3, [&] {
                if (Is(r, "string")) receipt.createdFolders.push_back(Text(r));
                return true;
            });
        } else if (key == "Files") {
            sawFiles = true;
            return Is(r, "array") && EachChild(r, 3, [&] {
                ReceiptFile file;
                if (!ReadFile(r, 3, file)) return false;
                ++count;
                if (eachFile) eachFile(file);
                return true;
            });
        }
        return true;
    });
    if (!good || !sawFiles || receipt.identifier.empty() || receipt.destination.empty()) return std::nullopt;
    if (fileCount) *fileCount = count;
    return receipt;
}

}  // namespace installer
