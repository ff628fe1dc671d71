#include "foundation/plist_value.h"

#include "foundation/plist_text_internal.h"

namespace foundation {

const PlistValue* PlistDict::find(std::string_view key) const {
    const auto it = index_.find(key);
    return it == index_.end() ? nullptr : &values_[it->second];
}

PlistValue* PlistDict::find(std::string_view key) {
    const auto it = index_.find(key);
    return it == index_.end() ? nullptr : &values_[it->second];
}

void PlistDict::set(std::string key, PlistValue value) {
    const auto it = index_.find(std::string_view(key));
    if (it != index_.end()) {
        values_[it->second] = std::move(value);
        return;
    }
    index_.emplace(key, keys_.size());
    keys_.push_back(std::move(key));
    values_.push_back(std::move(value));
}

bool PlistDict::erase(std::string_view key) {
    const auto it = index_.find(key);
    if (it == index_.end()) return false;
    const std::size_t position = it->second;
    index_.erase(it);
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(position));
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& entry : index_) {
        if (entry.second > position) --entry.second;
    }
    return true;
}

const PlistValue& PlistDict::valueAt(std::size_t i) const {
    return values_.at(i);
}

bool PlistDict::operator==(const PlistDict& other) const {
    if (size() != other.size()) return false;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const PlistValue* theirs = other.find(keys_[i]);
        if (theirs == nullptr || !(*theirs == values_[i])) return false;
    }
    return true;
}

std::optional<std::string> StringValue(const PlistValue* value) {
    if (value == nullptr || value->string() == nullptr) return std::nullopt;
    return *value->string();
}

std::optional<std::string> TextValue(const PlistValue* value) {
    if (value == nullptr) return std::nullopt;
    if (const auto* text = value->string()) return *text;
    if (const auto* integer = value->integer()) return std::to_string(*integer);
    if (const auto* real = value->real()) return plist_internal::RealText(*real);
    return std::nullopt;
}

std::optional<std::string> StringForKey(const PlistDict* dict, std::string_view key) {
    return StringValue(dict == nullptr ? nullptr : dict->find(key));
}

std::optional<std::string> TextForKey(const PlistDict* dict, std::string_view key) {
    return TextValue(dict == nullptr ? nullptr : dict->find(key));
}

const PlistDict* DictForKey(const PlistDict* dict, std::string_view key) {
    const PlistValue* value = dict == nullptr ? nullptr : dict->find(key);
    return value == nullptr ? nullptr : value->dict();
}

}  // namespace foundation
