// Checks over property-list trees that the fuzz targets share: the reader's limits, and
// whether a tree can pass through the XML writer and back unchanged.
#pragma once

#include <cstddef>
#include <string_view>

#include "foundation/plist_value.h"

namespace packgate_fuzz {

struct TreeSize {
    std::size_t depth = 0;   // nested containers; a scalar at the top is 0
    std::size_t values = 0;  // every value, dictionary keys included
    std::size_t bytes = 0;   // string, key and data bytes
};

TreeSize MeasureTree(const foundation::PlistValue& value);

// Whether `text` is UTF-8 made only of characters that an XML 1.0 document can carry and give
// back unchanged (most control characters are not among them; carriage returns are, as the
// writer sends them as references).
bool IsPlainXmlText(std::string_view text);

// Whether the XML writer can write `value` so that the XML reader gives it back: every string
// and key plain XML text, and nesting well inside libxml2's element limit.
bool WritableAsXml(const foundation::PlistValue& value);

// Equal as far as XML keeps values: dates are compared only by kind (XML keeps whole
// seconds), reals by value with NaN equal to NaN, dictionaries in key order.
bool SameAfterXml(const foundation::PlistValue& a, const foundation::PlistValue& b);

}  // namespace packgate_fuzz
