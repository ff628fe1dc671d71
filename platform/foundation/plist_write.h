// Writing property lists in Apple's XML form: the <?xml?> line, the PropertyList-1.0 DOCTYPE,
// <plist version="1.0">, tab indentation, and only &, < and > escaped in text.
#pragma once

#include <string>

#include "foundation/plist_value.h"

namespace foundation {

// The complete XML document for `value`, ending in a line break.
std::string XmlPropertyListText(const PlistValue& value);

// Writes `dict` as an XML property list to `path` (`writeToFile:atomically:`). With
// `atomically` the text goes to a temporary file in the same folder, is flushed to disk and
// then renamed over `path`, so an earlier file is replaced whole or not at all. Answers
// whether the whole file was written.
bool WriteDictionaryToFile(const PlistDict& dict, const std::string& path, bool atomically);

}  // namespace foundation
