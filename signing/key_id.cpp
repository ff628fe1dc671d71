#include "signing/key_id.h"

namespace signing {

std::string KeyIdText(const KeyId& id) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    // Little-endian: the last byte is the most significant, so it prints first.
    for (std::size_t i = id.size(); i-- > 0;) {
        text += kDigits[id[i] >> 4];
        text += kDigits[id[i] & 0x0f];
    }
    return text;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<KeyId> ParseKeyIdText(std::string_view text) {
    if (text.size() != 16) return std::nullopt;
    KeyId id{};
    for (std::size_t i = 0; i < id.size(); ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        id[id.size() - 1 - i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return id;
}

}  // namespace signing
