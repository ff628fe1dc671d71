#include "installer/words/words.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "foundation/languages.h"
#include "foundation/plist_read.h"
#include "installer/words/builtin_tables.h"

namespace installer {
namespace {

bool HasLanguage(std::string_view language) {
    const auto tables = BuiltinTables();
    return std::any_of(tables.begin(), tables.end(),
                       [&](const BuiltinTable& table) { return table.language == language; });
}

}  // namespace

const Words& Words::ForUser() {
    static const Words words = [] {
        for (const std::string& language : foundation::PreferredLanguages("en")) {
            if (HasLanguage(language)) return ForLanguage(language);
        }
        return ForLanguage("en");
    }();
    return words;
}

Words Words::ForLanguage(const std::string& language) {
    Words words;
    words.language_ = HasLanguage(language) ? language : "en";
    words.load("en", words.english_);
    if (words.language_ != "en") words.load(words.language_, words.chosen_);
    else words.chosen_ = words.english_;
    return words;
}

std::vector<std::string> Words::Languages() {
    std::vector<std::string> languages;
    for (const BuiltinTable& table : BuiltinTables()) {
        if (std::find(languages.begin(), languages.end(), table.language) == languages.end()) {
            languages.emplace_back(table.language);
        }
    }
    return languages;
}

void Words::load(const std::string& language, Table& into) {
    for (const BuiltinTable& table : BuiltinTables()) {
        if (table.language != language) continue;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(table.text.data());
        const auto parsed = foundation::ParseStringsTable({bytes, table.text.size()});
        if (!parsed) {
            problems_.push_back(std::string(table.language) + ".lproj/" + std::string(table.name) +
                                ".strings does not parse");
            continue;
        }
        for (std::size_t i = 0; i < parsed->size(); ++i) {
            if (const std::string* text = parsed->valueAt(i).string()) {
                into[parsed->keys()[i]] = *text;
            }
        }
    }
}

std::string Words::text(std::string_view key, WordFields fields) const {
    if (const auto found = chosen_.find(key); found != chosen_.end()) {
        return FillWordFields(found->second, fields);
    }
    if (const auto found = english_.find(key); found != english_.end()) {
        return FillWordFields(found->second, fields);
    }
    return std::string(key);
}

bool Words::has(std::string_view key) const { return chosen_.find(key) != chosen_.end(); }

std::vector<std::string> Words::keys() const {
    std::vector<std::string> keys;
    for (const auto& entry : chosen_) keys.push_back(entry.first);
    return keys;
}

std::string FillWordFields(std::string_view text, WordFields fields) {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('{', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('}', open);
        if (close == std::string_view::npos) break;
        out.append(text.substr(at, open - at));
        const std::string_view name = text.substr(open + 1, close - open - 1);
        const auto field = std::find_if(fields.begin(), fields.end(),
                                        [&](const auto& entry) { return entry.first == name; });
        if (field != fields.end()) out.append(field->second);
        else out.append(text.substr(open, close - open + 1));
        at = close + 1;
    }
    out.append(text.substr(at));
    return out;
}

}  // namespace installer
