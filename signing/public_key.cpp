#include "signing/public_key.h"

#include <algorithm>
#include <cstring>

#include "signing/file_bytes.h"
#include "signing/text_lines.h"

namespace signing {
namespace {

constexpr std::size_t kMaxPublicKeyFileBytes = 4096;
constexpr std::size_t kPublicKeyBytes = 2 + 8 + 32;

std::optional<PublicKey> Fail(std::string* error, const char* reason) {
    if (error != nullptr) *error = reason;
    return std::nullopt;
}

}  // namespace

std::optional<PublicKey> ParsePublicKey(std::string_view text, std::string* error) {
    const auto lines = SplitLines(text, 2);
    if (!lines || lines->size() != 2) return Fail(error, "not a public key file (two lines)");
    const auto comment = AfterPrefix((*lines)[0], kUntrustedPrefix);
    if (!comment) return Fail(error, "the first line is not an untrusted comment");
    const auto bytes = DecodeBase64((*lines)[1], kPublicKeyBytes);
    if (!bytes) return Fail(error, "the key line is not a base64 public key");
    if ((*bytes)[0] != 'E' || (*bytes)[1] != 'd') return Fail(error, "not an Ed25519 key");
    PublicKey key;
    std::copy_n(bytes->begin() + 2, key.id.size(), key.id.begin());
    std::copy_n(bytes->begin() + 10, key.key.size(), key.key.begin());
    key.comment = std::string(*comment);
    return key;
}

std::string PublicKeyText(const PublicKey& key) {
    std::uint8_t bytes[kPublicKeyBytes] = {'E', 'd'};
    std::memcpy(bytes + 2, key.id.data(), key.id.size());
    std::memcpy(bytes + 10, key.key.data(), key.key.size());
    return std::string(kUntrustedPrefix) + key.comment + "\n" + Base64(bytes, sizeof bytes) + "\n";
}

std::optional<PublicKey> ReadPublicKeyFile(const std::string& path, std::string* error) {
    const auto bytes = ReadSmallFile(path, kMaxPublicKeyFileBytes, error);
    if (!bytes) return std::nullopt;
    std::string reason;
    auto key = ParsePublicKey(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                              &reason);
    if (!key && error != nullptr) *error = path + ": " + reason;
    return key;
}

bool WritePublicKeyFile(const std::string& path, const PublicKey& key, std::string* error) {
    if (!IsOneLine(key.comment)) {
        if (error != nullptr) *error = "the key's name must be one line";
        return false;
    }
    return WriteFileAtomically(path, PublicKeyText(key), 0644, error);
}

}  // namespace signing
