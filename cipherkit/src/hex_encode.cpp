// Byte-to-hex encoder. Compiled into libcipherkit and, a second time, into libhostmark.
#include <array>
#include <cstddef>
#include <cstring>

#include <cipherkit/hex.h>

namespace {

// Both digits of every byte value, so each byte costs one lookup and one two-byte store.
constexpr std::array<char, 512> MakePairTable() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<char, 512> table{};
    for (std::size_t value = 0; value < 256; ++value) {
        table[2 * value] = digits[value >> 4];
        table[2 * value + 1] = digits[value & 0xf];
    }
    return table;
}

constexpr std::array<char, 512> kPairs = MakePairTable();

}  // namespace

char* ByteToHex(const unsigned char* data, unsigned int length) {
    if (data == nullptr) return nullptr;
    const std::size_t count = length;
    char* text = new char[2 * count + 1];
    for (std::size_t i = 0; i < count; ++i) std::memcpy(text + 2 * i, &kPairs[2 * data[i]], 2);
    text[2 * count] = '\0';
    return text;
}
