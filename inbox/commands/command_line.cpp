#include "inbox/commands/command_line.h"

#include <cstdint>

namespace inbox {

std::string ParsedOptions::Value(const std::string& name, const std::string& fallback) const {
    const auto found = values.find(name);
    return found == values.end() || found->second.empty() ? fallback : found->second.back();
}

std::optional<ParsedOptions> ParseOptions(const std::vector<std::string>& arguments,
                                          const KnownOptions& known, std::string* error) {
    ParsedOptions parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!argument.starts_with("--")) {
            *error = "unexpected argument: " + argument;
            return std::nullopt;
        }
        const auto equals = argument.find('=');
        const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        if (known.switches.count(name) != 0 && equals == std::string::npos) {
            parsed.switches.insert(name);
            continue;
        }
        if (known.withValue.count(name) == 0) {
            *error = "unknown option: --" + name;
            return std::nullopt;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            *error = "--" + name + " needs a value";
            return std::nullopt;
        }
        auto& slot = parsed.values[name];
        if (!slot.empty() && known.repeatable.count(name) == 0) {
            *error = "--" + name + " given twice";
            return std::nullopt;
        }
        slot.push_back(value);
    }
    return parsed;
}

std::optional<std::uint64_t> ParseCount(const std::string& text, std::uint64_t most) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > most) return std::nullopt;
    return value;
}

}  // namespace inbox
