#include "uuid_text.h"

#include <algorithm>
#include <cstring>

#include <system/utf8_text.h>

namespace hostmark {

namespace {

// The prefix of UUIDs that stand in for a missing hardware identifier; only their last group
// tells machines apart.
constexpr std::string_view kPlaceholderPrefix = "00000000-0000-1000-8000-";

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string UUIDText(std::string_view platformUUID) {
    // The registry property is read as UTF-8 text; bytes that are not text name no machine.
    if (!platform::IsValidUtf8(platformUUID)) return {};
    if (!platformUUID.starts_with(kPlaceholderPrefix)) return std::string(platformUUID);
    std::string lastGroup(platformUUID.substr(platformUUID.rfind('-') + 1));
    std::transform(lastGroup.begin(), lastGroup.end(), lastGroup.begin(), AsciiLower);
    return lastGroup;
}

void WriteUUIDText(std::string_view text, char* output) {
    std::memset(output, 0, kUUIDBufferSize);
    std::memcpy(output, text.data(), std::min(text.size(), kUUIDBufferSize - 1));
}

}  // namespace hostmark
