// How both programs (packgate-installer, packgate-pack) read an option's value: "--name=value"
// in one argument, or "--name value" in two.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace installer {

// "--name=value" as ("--name", "value"); anything else as (argument, nothing).
inline std::pair<std::string_view, std::optional<std::string>> SplitInline(std::string_view argument) {
    const std::size_t equals = argument.find('=');
    if (!argument.starts_with("--") || equals == std::string_view::npos) return {argument, {}};
    return {argument.substr(0, equals), std::string(argument.substr(equals + 1))};
}

// The value of the option at `arguments[i]`: the inline one, else the next argument (and `i`
// moves past it); nothing when the command line ends first.
inline std::optional<std::string> OptionValue(std::span<const std::string> arguments, std::size_t& i,
                                              const std::optional<std::string>& inlineValue) {
    if (inlineValue) return inlineValue;
    if (i + 1 < arguments.size()) return arguments[++i];
    return std::nullopt;
}

}  // namespace installer
