// Property-list values: the tree that the readers produce and the writer writes.
//
// A dictionary keeps its entries in the order in which the file gave them (setting an
// existing key replaces its value in place). Readers bound the nesting depth, so the
// recursive copy and destruction of a tree never run deep. Values are plain data: a tree may
// be read from several threads at once, changed from one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform_export.h"

namespace foundation {

class PlistValue;
using PlistArray = std::vector<PlistValue>;
using PlistData = std::vector<std::uint8_t>;

// A date as the property-list formats keep it: seconds since 2001-01-01 00:00:00 UTC.
struct PlistDate {
    double secondsSince2001 = 0;
    bool operator==(const PlistDate&) const = default;
};

// A dictionary: string keys in file order, found in constant time (a hostile file may hold
// many keys, so neither lookups nor the reader's inserts may cost a scan).
class PACKGATE_PLATFORM_API PlistDict {
  public:
    // The value stored for `key`, or null.
    const PlistValue* find(std::string_view key) const;
    PlistValue* find(std::string_view key);
    // Sets `key`; an existing key keeps its position and takes the new value.
    void set(std::string key, PlistValue value);
    bool erase(std::string_view key);

    std::size_t size() const { return keys_.size(); }
    bool empty() const { return keys_.empty(); }
    // Keys in file order; valueAt(i) belongs to keys()[i].
    const std::vector<std::string>& keys() const { return keys_; }
    const PlistValue& valueAt(std::size_t i) const;

    // Equal as NSDictionary compares: the same keys with equal values, in any order (compare
    // keys() as well where the order matters).
    bool operator==(const PlistDict& other) const;

  private:
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const {
            return std::hash<std::string_view>{}(key);
        }
    };

    std::vector<std::string> keys_;
    std::vector<PlistValue> values_;
    // Position of each key in keys_.
    std::unordered_map<std::string, std::size_t, KeyHash, std::equal_to<>> index_;
};

class PlistValue {
  public:
    using Storage = std::variant<std::string, std::int64_t, double, bool, PlistDate, PlistData,
                                 PlistArray, PlistDict>;

    PlistValue() : storage_(std::string()) {}
    PlistValue(std::string s) : storage_(std::move(s)) {}
    PlistValue(const char* s) : storage_(std::string(s)) {}
    PlistValue(std::int64_t i) : storage_(i) {}
    PlistValue(double d) : storage_(d) {}
    PlistValue(bool b) : storage_(b) {}
    PlistValue(PlistDate d) : storage_(d) {}
    PlistValue(PlistData d) : storage_(std::move(d)) {}
    PlistValue(PlistArray a) : storage_(std::move(a)) {}
    PlistValue(PlistDict d) : storage_(std::move(d)) {}

    const Storage& storage() const { return storage_; }

    // Typed views: null when the value is of another kind.
    const std::string* string() const { return std::get_if<std::string>(&storage_); }
    const std::int64_t* integer() const { return std::get_if<std::int64_t>(&storage_); }
    const double* real() const { return std::get_if<double>(&storage_); }
    const bool* boolean() const { return std::get_if<bool>(&storage_); }
    const PlistDate* date() const { return std::get_if<PlistDate>(&storage_); }
    const PlistData* data() const { return std::get_if<PlistData>(&storage_); }
    const PlistArray* array() const { return std::get_if<PlistArray>(&storage_); }
    const PlistDict* dict() const { return std::get_if<PlistDict>(&storage_); }
    PlistDict* dict() { return std::get_if<PlistDict>(&storage_); }

    bool operator==(const PlistValue& other) const { return storage_ == other.storage_; }

  private:
    Storage storage_;
};

// The text of a value that must be a string: the string itself, else absent.
PACKGATE_PLATFORM_API std::optional<std::string> StringValue(const PlistValue* value);
// The text of a value that may be a string or a number: a string as it stands, an integer
// as its decimal digits, a real number in its shortest exact decimal form; else absent.
PACKGATE_PLATFORM_API std::optional<std::string> TextValue(const PlistValue* value);

// Lookups in a dictionary that may itself be absent (null). A missing key is absent.
PACKGATE_PLATFORM_API std::optional<std::string> StringForKey(const PlistDict* dict,
                                                              std::string_view key);
PACKGATE_PLATFORM_API std::optional<std::string> TextForKey(const PlistDict* dict,
                                                            std::string_view key);
PACKGATE_PLATFORM_API const PlistDict* DictForKey(const PlistDict* dict, std::string_view key);

// The old-style description macOS prints for a value in log lines (NSDictionary and NSArray
// `description`): "{\n    key = value;\n}", "(\n    a,\n    b\n)", strings quoted when they
// hold anything but A-Za-z0-9_$.:/- or are empty (with ", \ and line breaks escaped), nested
// levels indented by four spaces. As on macOS a nested container also starts with its own
// indentation, so a dictionary inside a dictionary reads "key =     {". Numbers stand plain,
// booleans as 1 and 0, data as <0a1b2c3d 4e5f>, dates as "2001-01-01 00:00:00 +0000". A
// string at the top stands bare. A description longer than 1 MiB is cut there and ends in
// "...", so a hostile tree cannot turn one log line into gigabytes.
PACKGATE_PLATFORM_API std::string DescribePlist(const PlistValue& value);

}  // namespace foundation
