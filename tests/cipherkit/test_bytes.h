// Small helpers shared by the cipherkit tests.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace testbytes {

using Bytes = std::vector<unsigned char>;

inline Bytes FromText(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Deterministic pseudo-random bytes, so a failure reproduces.
inline Bytes Random(std::mt19937& rng, std::size_t length) {
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes out(length);
    for (auto& b : out) b = static_cast<unsigned char>(byte(rng));
    return out;
}

// Lower-case hex of raw bytes, written independently of the library's encoder.
inline std::string LowerHex(const unsigned char* data, std::size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 0xf];
    }
    return out;
}

inline Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

}  // namespace testbytes
