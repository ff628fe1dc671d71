// The options of packgate-inbox's commands: "--name VALUE" or "--name=VALUE" for options
// that take a value, "--name" for switches. Unknown options and missing values are errors.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace inbox {

struct KnownOptions {
    std::set<std::string> withValue;  // names without the dashes
    std::set<std::string> switches;
    std::set<std::string> repeatable; // of withValue: may be given more than once
};

struct ParsedOptions {
    std::map<std::string, std::vector<std::string>> values;
    std::set<std::string> switches;

    bool Has(const std::string& name) const { return switches.count(name) != 0; }
    // The value given, or `fallback` when the option is absent.
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
};

// The options of `arguments`; nothing, with the reason in `*error`, when one is wrong.
std::optional<ParsedOptions> ParseOptions(const std::vector<std::string>& arguments,
                                          const KnownOptions& known, std::string* error);

// A whole non-negative number up to `most`; nothing for anything else.
std::optional<std::uint64_t> ParseCount(const std::string& text, std::uint64_t most);

}  // namespace inbox
