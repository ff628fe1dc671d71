#include "installer/json_writer.h"

#include <cstdio>

#include "installer/utf8.h"

namespace installer {
namespace {

void AppendEscapedAscii(std::string& out, char c) {
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code == 0x7F) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", code);
        out += escape;
        return;
    }
    out += c;
}

}  // namespace

std::string JsonQuoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    while (!text.empty()) {
        if (static_cast<unsigned char>(text.front()) < 0x80) {
            AppendEscapedAscii(out, text.front());
            text.remove_prefix(1);
            continue;
        }
        const Utf8Char next = DecodeUtf8(text);
        if (next.valid) {
            out.append(text.substr(0, next.bytes));
        } else {
            out += "\\ufffd";
        }
        text.remove_prefix(next.bytes);
    }
    out += '"';
    return out;
}

void JsonWriter::newline() {
    out_ += '\n';
    out_.append(levels_.size() * 2, ' ');
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    if (!level.empty) out_ += ',';
    level.empty = false;
    newline();
}

void JsonWriter::open(char bracket, bool isObject) {
    beforeValue();
    out_ += bracket;
    levels_.push_back(Level{isObject});
}

void JsonWriter::close(char bracket) {
    if (levels_.empty()) return;
    const bool wasEmpty = levels_.back().empty;
    levels_.pop_back();
    if (!wasEmpty) newline();
    out_ += bracket;
}

JsonWriter& JsonWriter::beginObject() {
    open('{', true);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    close('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    open('[', false);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    close(']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ += JsonQuoted(name);
    out_ += ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view text) {
    beforeValue();
    out_ += JsonQuoted(text);
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
    beforeValue();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::integer(std::int64_t value) {
    beforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    out_ += "null";
    return *this;
}

}  // namespace installer
