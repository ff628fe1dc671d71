// Secret keys and their files in minisign's form: base64 of
//     "Ed" | kdf ("Sc" scrypt, or two zero bytes unencrypted) | "B2" | salt[32] | opslimit[8]
//     | memlimit[8] | key id[8] | Ed25519 secret key[64] | checksum[32]
// where the last 104 bytes are XORed with scrypt's stream of the password when encrypted, and
// the checksum is BLAKE2b-256 of "Ed" | key id | secret key (a wrong password fails it;
// minisign leaves it zero in a key without a password, which is read as unchecked).
// The secret bytes live only in libsodium's guarded memory and are wiped when the key goes.
// The key's files are created 0600 and are never readable by others, even for a moment.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "signing/key_id.h"
#include "signing/public_key.h"

namespace signing {

// The cost of turning a password into the key's stream. The defaults are the ones minisign
// writes (scrypt's "sensitive" limits: 1 GiB of memory); lower ones make files that minisign
// reads just as well, which tests use to stay fast.
struct KdfLimits {
    std::uint64_t opsLimit = 33554432ull;
    std::uint64_t memLimit = 1073741824ull;
};

class SecretKey {
  public:
    ~SecretKey();
    SecretKey(const SecretKey&) = delete;
    SecretKey& operator=(const SecretKey&) = delete;
    SecretKey(SecretKey&&) noexcept;
    SecretKey& operator=(SecretKey&&) noexcept;

    const KeyId& id() const { return id_; }
    // The Ed25519 secret key (seed | public key), 64 bytes in guarded memory.
    const std::uint8_t* bytes() const { return bytes_; }
    // The matching public key, with `comment` as its display name.
    PublicKey publicKey(std::string comment) const;

  private:
    friend struct SecretKeyAccess;
    SecretKey() = default;
    KeyId id_{};
    std::uint8_t* bytes_ = nullptr;  // sodium_malloc'd, 64 bytes.
};

struct KeyPair {
    SecretKey secret;
    PublicKey publicKey;
};

// A new key pair with a random id; the public key carries `comment` as its name. Nothing only
// when libsodium cannot start or guarded memory cannot be had.
std::optional<KeyPair> GenerateKeyPair(std::string comment);

// The secret key file's text. An empty `password` writes it unencrypted.
std::optional<std::string> SecretKeyText(const SecretKey& key, std::string_view password,
                                         const KdfLimits& limits = {});

// Why a secret key could not be read.
enum class SecretKeyError { None, Unreadable, Malformed, WrongPassword, TooCostly, NoMemory };

struct SecretKeyReading {
    std::optional<SecretKey> key;
    SecretKeyError error = SecretKeyError::None;
    std::string reason;  // One line for a person; empty when read.
};

// The key in a secret key file's `text`, decrypted with `password` when it is encrypted (an
// unencrypted key ignores the password). Limits above 4 GiB of memory or 2^32 operations are
// refused as TooCostly rather than tried.
SecretKeyReading ParseSecretKey(std::string_view text, std::string_view password);
SecretKeyReading ReadSecretKeyFile(const std::string& path, std::string_view password);

// Writes the key's file at `path`, created 0600 (O_CREAT|O_EXCL into a temporary name, then
// renamed over `path`), encrypted with `password` unless it is empty.
bool WriteSecretKeyFile(const std::string& path, const SecretKey& key, std::string_view password,
                        const KdfLimits& limits = {}, std::string* error = nullptr);

}  // namespace signing
