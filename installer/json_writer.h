// A small writer of JSON text for the installer's --json report: objects, arrays, strings,
// booleans, integers and null, pretty-printed with two spaces a level.
//
// Strings are written as valid JSON whatever bytes they hold: quotes, backslashes and control
// characters are escaped, and bytes that are not well-formed UTF-8 become U+FFFD, so a title
// read from a damaged property list cannot break the report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

// `text` as a quoted, escaped JSON string.
std::string JsonQuoted(std::string_view text);

class JsonWriter {
  public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The key of the next member of the enclosing object.
    JsonWriter& key(std::string_view name);
    JsonWriter& string(std::string_view text);
    JsonWriter& boolean(bool value);
    JsonWriter& integer(std::int64_t value);
    JsonWriter& null();

    // The text written so far; complete once every object and array is closed.
    const std::string& text() const { return out_; }

  private:
    struct Level {
        bool isObject;
        bool empty = true;
    };
    void beforeValue();
    void open(char bracket, bool isObject);
    void close(char bracket);
    void newline();

    std::string out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

}  // namespace installer
