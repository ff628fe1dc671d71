// A signing key's id: the 8 random bytes that tie a signature to its key. People see it as
// minisign prints it, 16 upper-case hex digits of the bytes read as a little-endian number.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace signing {

using KeyId = std::array<std::uint8_t, 8>;

// "0123456789ABCDEF" for the bytes EF CD AB 89 67 45 23 01.
std::string KeyIdText(const KeyId& id);

// The id printed by KeyIdText (upper- or lower-case hex, exactly 16 digits); nothing else.
std::optional<KeyId> ParseKeyIdText(std::string_view text);

}  // namespace signing
