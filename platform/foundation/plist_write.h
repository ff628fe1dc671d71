// Writing property lists in Apple's XML form: the <?xml?> line, the PropertyList-1.0 DOCTYPE,
// <plist version="1.0">, tab indentation, and &, < and > escaped in text. A carriage return is
// written as &#13;, since every XML reader turns a raw one (and CR LF) into a line feed; tab,
// line feed and the other line-break characters of Unicode are kept as they are by XML 1.0
// readers and are written as they are.
#pragma once

#include <string>

#include "foundation/plist_value.h"
#include "platform_export.h"

namespace foundation {

// The complete XML document for `value`, ending in a line break: a tab of indentation per
// level, <dict/>, <array/> and <string></string> when empty, reals in their shortest exact
// form ("nan", "+infinity", "-infinity" for the values without digits), dates in whole
// seconds, data in base64 lines of at most 76 characters at the indentation of <data>.
// Characters that XML 1.0 cannot hold (control characters other than tab and line breaks)
// are written as they are, as macOS writes them, and make the document unreadable.
PACKGATE_PLATFORM_API std::string XmlPropertyListText(const PlistValue& value);

// Whether every key and string of `value` is text that an XML document can hold: valid UTF-8
// without the control characters XML 1.0 forbids (all but tab, line feed, carriage return).
PACKGATE_PLATFORM_API bool IsXmlWritable(const PlistValue& value);

// Writes `dict` as an XML property list to `path` (`writeToFile:atomically:`). With
// `atomically` the text goes to a temporary file in the same folder, is flushed to disk and
// then renamed over `path`, so an earlier file is replaced whole or not at all. Answers
// whether the whole file was written. A dictionary that is not IsXmlWritable is refused and
// nothing is written: the file could never be read back.
PACKGATE_PLATFORM_API bool WriteDictionaryToFile(const PlistDict& dict, const std::string& path,
                                                 bool atomically);

}  // namespace foundation
