// Path texts, as NSString builds them.
#pragma once

#include <string>

#include "platform_export.h"

namespace foundation {

// `stringByAppendingPathComponent:`: `path`, one "/", then `component`. Trailing slashes of
// `path` and leading slashes of `component` are not doubled; an empty `path` gives
// `component` alone; the root "/" stays "/". A trailing slash of the result is dropped.
PACKGATE_PLATFORM_API std::string StringByAppendingPathComponent(const std::string& path,
                                                                 const std::string& component);

// `stringByAppendingString:`: plain concatenation.
inline std::string StringByAppendingString(const std::string& a, const std::string& b) {
    return a + b;
}

}  // namespace foundation
