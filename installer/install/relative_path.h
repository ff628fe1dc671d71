// The two halves of a payload path ("Panels/Six.qtpl"): the folder above it and its last name.
#pragma once

#include <string>

namespace installer {

// "" for a path at the top.
inline std::string ParentPath(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? "" : relative.substr(0, slash);
}

inline std::string LeafName(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? relative : relative.substr(slash + 1);
}

}  // namespace installer
