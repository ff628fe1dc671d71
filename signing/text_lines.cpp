#include "signing/text_lines.h"

#include <sodium.h>

namespace signing {

std::optional<std::vector<std::string_view>> SplitLines(std::string_view text, std::size_t maxLines) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        if (lines.size() == maxLines) return std::nullopt;
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

std::optional<std::string_view> AfterPrefix(std::string_view line, std::string_view prefix) {
    if (!line.starts_with(prefix)) return std::nullopt;
    return line.substr(prefix.size());
}

std::string Base64(const std::uint8_t* bytes, std::size_t size) {
    std::string text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
    text.resize(text.size() - 1);  // The terminating NUL.
    return text;
}

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view line, std::size_t size) {
    if (line.size() != sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL) - 1) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(size);
    std::size_t decoded = 0;
    const char* end = nullptr;
    if (sodium_base642bin(bytes.data(), bytes.size(), line.data(), line.size(), nullptr, &decoded,
                          &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        decoded != size || end != line.data() + line.size()) {
        return std::nullopt;
    }
    return bytes;
}

bool IsOneLine(std::string_view text) {
    return text.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

}  // namespace signing
