// The strings tables built into the program (generated from words/*.lproj/*.strings).
#pragma once

#include <span>
#include <string_view>

namespace installer {

struct BuiltinTable {
    std::string_view language;  // "en", "zh_TW"
    std::string_view name;      // "Installer" for Installer.strings
    std::string_view text;      // The file's bytes.
};

std::span<const BuiltinTable> BuiltinTables();

}  // namespace installer
