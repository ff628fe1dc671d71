// The pack room's words for a person (the Pack strings table), and entry names made safe to
// show in them.
#pragma once

#include <string>
#include <string_view>

#include "installer/words/words.h"

namespace installer {

// The user's text for `key` of the Pack table, fields filled.
inline std::string PackText(std::string_view key, WordFields fields = {}) {
    return Words::ForUser().text(key, fields);
}

// A name from a pack or an archive as one printable line (control characters and bytes that
// are not UTF-8 shown as U+FFFD).
std::string PrintableName(std::string_view name);

}  // namespace installer
