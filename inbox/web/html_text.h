// Text put into the inbox's page: every value from a report goes through HtmlText, so a
// report holding markup or script shows as the characters it holds.
#pragma once

#include <string>
#include <string_view>

namespace inbox {

// `text` with &, <, >, " and ' replaced by character references; safe between tags and
// inside quoted attribute values.
std::string HtmlText(std::string_view text);

// `text` as a query-string value (percent-encoded but for unreserved characters).
std::string QueryValue(std::string_view text);

}  // namespace inbox
