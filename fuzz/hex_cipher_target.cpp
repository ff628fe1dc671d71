// libcipherkit's hex decoders and string cipher on arbitrary text: HexToByte, Hex2Char,
// Hex2Binary, Decrypt, and Encrypt as the way back.
//
// Input: one byte giving the passphrase length (mod 32), the passphrase, then the text.
// Both are cut at their first zero byte, as the C interfaces see them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <cipherkit/hex.h>
#include <cipherkit/string_cipher.h>

#include "fuzz_check.h"

namespace {

using Owned = std::unique_ptr<unsigned char[]>;
using OwnedText = std::unique_ptr<char[]>;

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

unsigned char DigitValue(char c) {
    return static_cast<unsigned char>(c <= '9' ? c - '0' : c - 'A' + 10);
}

bool IsHexText(const std::string& text) {
    return !text.empty() && text.size() % 2 == 0 &&
           std::all_of(text.begin(), text.end(), IsUpperHexDigit);
}

std::string UpToZero(const std::uint8_t* data, std::size_t size) {
    const auto* text = reinterpret_cast<const char*>(data);
    return std::string(text, strnlen(text, size));
}

void CheckHexToByte(const std::string& text) {
    const Owned bytes(HexToByte(text.c_str()));
    FUZZ_CHECK((bytes != nullptr) == IsHexText(text));
    if (!bytes) return;
    const auto length = static_cast<unsigned>(text.size() / 2);
    const OwnedText again(ByteToHex(bytes.get(), length));
    FUZZ_CHECK(again != nullptr && text == again.get());
}

void CheckHex2Binary(const std::string& text) {
    // Hex2Binary reads 2 * count characters: give it the whole pairs of the text only.
    const int count = static_cast<int>(text.size() / 2);
    std::vector<char> hex(text.begin(), text.end());
    hex.push_back('\0');
    std::vector<unsigned char> output(text.size() / 2 + 1, 0xA5);
    const bool decoded = Hex2Binary(hex.data(), output.data(), count);
    const std::string pairs = text.substr(0, 2 * static_cast<std::size_t>(count));
    FUZZ_CHECK(decoded == (pairs.empty() || IsHexText(pairs)));
    // Nothing is written past the pairs asked for.
    FUZZ_CHECK(output.back() == 0xA5);

    if (text.size() >= 2) {
        unsigned char value = 0x5A;
        const bool pair = Hex2Char(hex.data(), value);
        FUZZ_CHECK(pair == (IsUpperHexDigit(text[0]) && IsUpperHexDigit(text[1])));
        if (!IsUpperHexDigit(text[0])) FUZZ_CHECK(value == 0x5A);
        if (IsUpperHexDigit(text[0]) && !pair) FUZZ_CHECK(value == DigitValue(text[0]));
    }
}

void CheckCipher(const std::string& text, const std::string& passphrase) {
    const OwnedText plain(Decrypt(text.c_str(), passphrase.c_str()));
    FUZZ_CHECK((plain != nullptr) == (IsHexText(text) && !passphrase.empty()));
    if (plain && std::strlen(plain.get()) == text.size() / 2) {
        // Without a deciphered zero byte, enciphering the plain text gives the text back.
        const OwnedText cipher(Encrypt(plain.get(), passphrase.c_str()));
        FUZZ_CHECK(cipher != nullptr && text == cipher.get());
    }

    const OwnedText cipher(Encrypt(text.c_str(), passphrase.c_str()));
    FUZZ_CHECK((cipher != nullptr) == !passphrase.empty());
    if (!cipher) return;
    FUZZ_CHECK(std::strlen(cipher.get()) == 2 * text.size());
    if (text.empty()) return;
    const OwnedText back(Decrypt(cipher.get(), passphrase.c_str()));
    FUZZ_CHECK(back != nullptr && text == back.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t passphraseLength = std::min<std::size_t>(data[0] % 32, size - 1);
    const std::string passphrase = UpToZero(data + 1, passphraseLength);
    const std::string text = UpToZero(data + 1 + passphraseLength, size - 1 - passphraseLength);

    CheckHexToByte(text);
    CheckHex2Binary(text);
    CheckCipher(text, passphrase);
    return 0;
}
