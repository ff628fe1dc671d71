#include "signing/secret_key.h"

#include <algorithm>
#include <cstring>
#include <sodium.h>
#include <utility>

#include "signing/file_bytes.h"
#include "signing/text_lines.h"

namespace signing {

// Builds keys in guarded memory; the only way a SecretKey comes to hold bytes.
struct SecretKeyAccess {
    static std::optional<SecretKey> Make(const KeyId& id, const std::uint8_t* secret) {
        SecretKey key;
        key.bytes_ = static_cast<std::uint8_t*>(sodium_malloc(crypto_sign_SECRETKEYBYTES));
        if (key.bytes_ == nullptr) return std::nullopt;
        key.id_ = id;
        if (secret != nullptr) std::memcpy(key.bytes_, secret, crypto_sign_SECRETKEYBYTES);
        return key;
    }
    static std::uint8_t* Bytes(SecretKey& key) { return key.bytes_; }
};

namespace {

constexpr std::size_t kSaltBytes = crypto_pwhash_scryptsalsa208sha256_SALTBYTES;
constexpr std::size_t kChecksumBytes = 32;
// id | secret key | checksum: the part that the password's stream covers.
constexpr std::size_t kSealedBytes = 8 + crypto_sign_SECRETKEYBYTES + kChecksumBytes;
constexpr std::size_t kSaltAt = 6;
constexpr std::size_t kOpsAt = kSaltAt + kSaltBytes;
constexpr std::size_t kMemAt = kOpsAt + 8;
constexpr std::size_t kSealedAt = kMemAt + 8;
constexpr std::size_t kFileBytes = kSealedAt + kSealedBytes;
constexpr std::size_t kMaxSecretKeyFileBytes = 4096;
constexpr std::uint64_t kMaxMemLimit = 4ull << 30;
constexpr std::uint64_t kMaxOpsLimit = 1ull << 32;

// Guarded scratch memory for the key file's bytes while they hold the secret in the clear.
struct Guarded {
    explicit Guarded(std::size_t size) : size_(size), bytes_(static_cast<std::uint8_t*>(sodium_malloc(size))) {}
    ~Guarded() { sodium_free(bytes_); }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;
    std::uint8_t* get() const { return bytes_; }
    std::size_t size() const { return size_; }
  private:
    std::size_t size_;
    std::uint8_t* bytes_;
};

void StoreLittleEndian(std::uint8_t* out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t LoadLittleEndian(const std::uint8_t* in) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | in[i];
    return value;
}

// BLAKE2b-256 of "Ed" | key id | secret key, which the sealed part carries last.
void Checksum(const std::uint8_t* sealed, std::uint8_t* out) {
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, kChecksumBytes);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>("Ed"), 2);
    crypto_generichash_update(&state, sealed, 8 + crypto_sign_SECRETKEYBYTES);
    crypto_generichash_final(&state, out, kChecksumBytes);
    sodium_memzero(&state, sizeof state);
}

// XORs the sealed part with scrypt's stream of `password`.
bool ApplyPassword(std::uint8_t* file, std::string_view password) {
    Guarded stream(kSealedBytes);
    if (stream.get() == nullptr) return false;
    if (crypto_pwhash_scryptsalsa208sha256(stream.get(), kSealedBytes, password.data(), password.size(),
                                           file + kSaltAt, LoadLittleEndian(file + kOpsAt),
                                           static_cast<std::size_t>(LoadLittleEndian(file + kMemAt))) != 0) {
        return false;
    }
    for (std::size_t i = 0; i < kSealedBytes; ++i) file[kSealedAt + i] ^= stream.get()[i];
    return true;
}

SecretKeyReading Refuse(SecretKeyError error, std::string reason) {
    SecretKeyReading reading;
    reading.error = error;
    reading.reason = std::move(reason);
    return reading;
}

}  // namespace

SecretKey::~SecretKey() { sodium_free(bytes_); }

SecretKey::SecretKey(SecretKey&& other) noexcept
    : id_(other.id_), bytes_(std::exchange(other.bytes_, nullptr)) {}

SecretKey& SecretKey::operator=(SecretKey&& other) noexcept {
    if (this != &other) {
        sodium_free(bytes_);
        id_ = other.id_;
        bytes_ = std::exchange(other.bytes_, nullptr);
    }
    return *this;
}

PublicKey SecretKey::publicKey(std::string comment) const {
    PublicKey key;
    key.id = id_;
    // libsodium's secret key is seed | public key.
    std::memcpy(key.key.data(), bytes_ + crypto_sign_SEEDBYTES, key.key.size());
    key.comment = std::move(comment);
    return key;
}

std::optional<KeyPair> GenerateKeyPair(std::string comment) {
    if (sodium_init() < 0) return std::nullopt;
    KeyId id{};
    randombytes_buf(id.data(), id.size());
    auto secret = SecretKeyAccess::Make(id, nullptr);
    if (!secret) return std::nullopt;
    unsigned char publicBytes[crypto_sign_PUBLICKEYBYTES];
    crypto_sign_keypair(publicBytes, SecretKeyAccess::Bytes(*secret));
    PublicKey publicKey = secret->publicKey(std::move(comment));
    return KeyPair{std::move(*secret), std::move(publicKey)};
}

std::optional<std::string> SecretKeyText(const SecretKey& key, std::string_view password,
                                         const KdfLimits& limits) {
    if (sodium_init() < 0 || key.bytes() == nullptr) return std::nullopt;
    Guarded file(kFileBytes);
    if (file.get() == nullptr) return std::nullopt;
    std::uint8_t* bytes = file.get();
    const bool encrypted = !password.empty();
    std::memcpy(bytes, encrypted ? "EdScB2" : "Ed\0\0B2", 6);
    randombytes_buf(bytes + kSaltAt, kSaltBytes);
    StoreLittleEndian(bytes + kOpsAt, limits.opsLimit);
    StoreLittleEndian(bytes + kMemAt, limits.memLimit);
    std::memcpy(bytes + kSealedAt, key.id().data(), 8);
    std::memcpy(bytes + kSealedAt + 8, key.bytes(), crypto_sign_SECRETKEYBYTES);
    Checksum(bytes + kSealedAt, bytes + kSealedAt + 8 + crypto_sign_SECRETKEYBYTES);
    if (encrypted && !ApplyPassword(bytes, password)) return std::nullopt;
    return std::string(kUntrustedPrefix) +
           (encrypted ? "minisign encrypted secret key" : "minisign secret key") + "\n" +
           Base64(bytes, kFileBytes) + "\n";
}

SecretKeyReading ParseSecretKey(std::string_view text, std::string_view password) {
    if (sodium_init() < 0) return Refuse(SecretKeyError::NoMemory, "libsodium cannot start");
    const auto lines = SplitLines(text, 2);
    if (!lines || lines->size() != 2 || !AfterPrefix((*lines)[0], kUntrustedPrefix)) {
        return Refuse(SecretKeyError::Malformed, "not a secret key file");
    }
    auto decoded = DecodeBase64((*lines)[1], kFileBytes);
    if (!decoded) return Refuse(SecretKeyError::Malformed, "not a secret key file");
    Guarded file(kFileBytes);
    if (file.get() == nullptr) return Refuse(SecretKeyError::NoMemory, "no guarded memory");
    std::uint8_t* bytes = file.get();
    std::memcpy(bytes, decoded->data(), kFileBytes);
    sodium_memzero(decoded->data(), decoded->size());
    const bool encrypted = std::memcmp(bytes + 2, "Sc", 2) == 0;
    if (std::memcmp(bytes, "Ed", 2) != 0 || std::memcmp(bytes + 4, "B2", 2) != 0 ||
        (!encrypted && std::memcmp(bytes + 2, "\0\0", 2) != 0)) {
        return Refuse(SecretKeyError::Malformed, "not an Ed25519 secret key with a BLAKE2b checksum");
    }
    if (encrypted) {
        if (LoadLittleEndian(bytes + kMemAt) > kMaxMemLimit || LoadLittleEndian(bytes + kOpsAt) > kMaxOpsLimit) {
            return Refuse(SecretKeyError::TooCostly, "the key's password limits are too costly");
        }
        if (!ApplyPassword(bytes, password)) {
            return Refuse(SecretKeyError::NoMemory, "not enough memory to derive the password's key");
        }
    }
    std::uint8_t checksum[kChecksumBytes];
    Checksum(bytes + kSealedAt, checksum);
    const std::uint8_t* stored = bytes + kSealedAt + 8 + crypto_sign_SECRETKEYBYTES;
    // minisign leaves the checksum of a key without a password all zero.
    const bool unchecked = !encrypted && sodium_is_zero(stored, kChecksumBytes) == 1;
    if (!unchecked && sodium_memcmp(checksum, stored, kChecksumBytes) != 0) {
        return encrypted ? Refuse(SecretKeyError::WrongPassword, "wrong password for the secret key")
                         : Refuse(SecretKeyError::Malformed, "the secret key's checksum does not match");
    }
    KeyId id{};
    std::memcpy(id.data(), bytes + kSealedAt, id.size());
    auto key = SecretKeyAccess::Make(id, bytes + kSealedAt + 8);
    if (!key) return Refuse(SecretKeyError::NoMemory, "no guarded memory");
    SecretKeyReading reading;
    reading.key = std::move(key);
    return reading;
}

SecretKeyReading ReadSecretKeyFile(const std::string& path, std::string_view password) {
    std::string error;
    auto bytes = ReadSmallFile(path, kMaxSecretKeyFileBytes, &error);
    if (!bytes) return Refuse(SecretKeyError::Unreadable, error);
    SecretKeyReading reading =
        ParseSecretKey(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), password);
    sodium_memzero(bytes->data(), bytes->size());
    if (!reading.key) reading.reason = path + ": " + reading.reason;
    return reading;
}

bool WriteSecretKeyFile(const std::string& path, const SecretKey& key, std::string_view password,
                        const KdfLimits& limits, std::string* error) {
    auto text = SecretKeyText(key, password, limits);
    if (!text) {
        if (error != nullptr) *error = "cannot seal the secret key";
        return false;
    }
    const bool written = WriteFileAtomically(path, *text, 0600, error);
    sodium_memzero(text->data(), text->size());
    return written;
}

}  // namespace signing
