// Public key files in minisign's form (two lines):
//     untrusted comment: <the key's display name>
//     base64( "Ed" | key id[8] | Ed25519 public key[32] )
// Failures are answers: an empty optional and, where asked, a one-line reason.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "signing/key_id.h"

namespace signing {

struct PublicKey {
    KeyId id{};
    std::array<std::uint8_t, 32> key{};
    std::string comment;  // The untrusted comment: the name shown for the key.
};

// The key in `text` (a file's whole content; a line end after each line is optional, CR LF
// accepted). Nothing when it is not exactly that form.
std::optional<PublicKey> ParsePublicKey(std::string_view text, std::string* error = nullptr);

// The file's text for `key`, each line ending in a line feed.
std::string PublicKeyText(const PublicKey& key);

// The key read from the file at `path` (at most 4 KiB, a regular file).
std::optional<PublicKey> ReadPublicKeyFile(const std::string& path, std::string* error = nullptr);

// Writes the key file at `path` (mode 0644), replacing it whole or not at all.
bool WritePublicKeyFile(const std::string& path, const PublicKey& key, std::string* error = nullptr);

}  // namespace signing
