// OpenSSL's MD5 and RC4, the independent implementations the tests compare against.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace reference {

using Bytes = std::vector<unsigned char>;

std::array<unsigned char, 16> Md5(const unsigned char* data, std::size_t length);
// The 32 lower-case hex digits of the MD5 digest of `text`.
std::string Md5Hex(const std::string& text);
// RC4 of `data` under `key` (1 to 256 bytes), no bytes discarded.
Bytes Rc4(const Bytes& key, const Bytes& data);
// OpenSSL's upper-case hex text of `data`, without separators.
std::string Hex(const Bytes& data);
// OpenSSL's decoding of a hex text without separators; false when it refuses the text.
bool FromHex(const std::string& hex, Bytes& out);

}  // namespace reference
