// Reading a secret key file for signing: whether it is encrypted, so that a password is
// asked only for a key that has one, and the key itself through the signing library.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace packtool {

// Whether the secret key file text `text` holds an encrypted key (its kdf field is scrypt's
// "Sc") or a plain one (two zero bytes); nothing when it is no secret key file.
std::optional<bool> SecretKeyIsEncrypted(std::string_view text);

// The text of the file at `path` (a regular file of at most 4 KiB); nothing, with the
// reason in `error`, when it cannot be read.
std::optional<std::string> ReadKeyFileText(const std::string& path, std::string& error);

}  // namespace packtool
