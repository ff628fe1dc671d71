// Report values on a terminal: a hostile report must not move the cursor or retitle the
// window, so control characters (C0, DEL and C1) are shown as \u escapes.
#pragma once

#include <string>
#include <string_view>

namespace inbox {

std::string TerminalText(std::string_view text);

}  // namespace inbox
