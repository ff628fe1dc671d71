// Helpers of the property-list tests: bytes from text, value trees, file bytes and the bridge
// to Python's plistlib (plist_fixtures.py).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/plist_read.h"
#include "foundation/plist_value.h"
#include "scratch_folder.h"

namespace plist_test {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::string_view text);
std::string ToText(const Bytes& bytes);

// ParsePropertyList over text.
std::optional<foundation::PlistValue> Parse(std::string_view text, std::string* error = nullptr,
                                            unsigned* format = nullptr);

// Builders for readable tests: Dict({{"a", "b"}}), Array({"x", 1}).
foundation::PlistValue Dict(std::vector<std::pair<std::string, foundation::PlistValue>> entries);
foundation::PlistValue Array(std::vector<foundation::PlistValue> items);
foundation::PlistValue Int(std::int64_t value);

// A tree with every kind of value, nested, with text beyond ASCII.
foundation::PlistValue EveryKindTree();

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);

// One file for plistlib to write: <folder>/<name>.plist in "xml" or "binary".
struct PlistlibCase {
    std::string name;
    std::string format;
    foundation::PlistValue value;
};

// Has plistlib write the cases into `folder`; answers whether python3 succeeded.
bool PlistlibWrite(const std::string& folder, const std::vector<PlistlibCase>& cases);
// Whether plistlib reads the file at `path` as exactly `value` (dictionary order included).
bool PlistlibReadsAs(const std::string& path, const foundation::PlistValue& value);

// Compares trees and also dictionary order, which PlistDict's == leaves out.
bool SameTree(const foundation::PlistValue& a, const foundation::PlistValue& b);

}  // namespace plist_test

namespace foundation {

// GoogleTest prints values in their description form.
inline void PrintTo(const PlistValue& value, std::ostream* out) {
    *out << DescribePlist(value);
}
inline void PrintTo(const PlistDict& dict, std::ostream* out) {
    *out << DescribePlist(PlistValue(dict));
}

}  // namespace foundation
