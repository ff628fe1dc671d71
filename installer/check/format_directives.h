// The printf-style directives of a text used as a format ("%@", "%lu", ...), in order.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>
#include <string_view>
#include <vector>

namespace installer {

// Each directive without its position or flags ("%1$@" gives "%@", "%-5lu" gives "%lu");
// "%%" is no directive.
std::vector<std::string> FormatDirectives(std::string_view text);

}  // namespace installer
