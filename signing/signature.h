// Detached signatures in minisign's form (four lines):
//     untrusted comment: <free text>
//     base64( "ED" | key id[8] | Ed25519 signature[64] )
//     trusted comment: <text, at most 8192 bytes>
//     base64( global signature[64] )
// "ED" signs BLAKE2b-512 of the file; the global signature signs signature | trusted comment,
// so the trusted comment cannot be changed either. Signatures are always made "ED"; legacy
// "Ed" ones (over the file's bytes) are verified too.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "signing/key_id.h"
#include "signing/public_key.h"
#include "signing/secret_key.h"

namespace signing {

inline constexpr std::size_t kMaxTrustedCommentBytes = 8192;

struct Signature {
    bool prehashed = true;  // "ED"; false for legacy "Ed".
    KeyId keyId{};
    std::array<std::uint8_t, 64> signature{};
    std::string untrustedComment;
    std::string trustedComment;
    std::array<std::uint8_t, 64> globalSignature{};
};

// The signature in a .minisig file's `text`; nothing when it is not exactly that form.
std::optional<Signature> ParseSignature(std::string_view text, std::string* error = nullptr);

// The .minisig text of `signature`, each line ending in a line feed.
std::string SignatureText(const Signature& signature);

// Signs `bytes` with `key`. Nothing when a comment holds a line break or the trusted one is
// longer than kMaxTrustedCommentBytes.
std::optional<Signature> Sign(const SecretKey& key, std::span<const std::uint8_t> bytes,
                              std::string_view trustedComment, std::string_view untrustedComment);

enum class Verdict { Valid, WrongKey, BadSignature, BadTrustedComment };

// Checks `signature` over `bytes` under `key`: the key ids agree, the signature holds, and
// the global signature holds over the trusted comment.
Verdict Verify(const PublicKey& key, std::span<const std::uint8_t> bytes, const Signature& signature);

// Signs the file at `path` and answers the .minisig text (the caller writes it where it goes).
std::optional<std::string> SignFile(const SecretKey& key, const std::string& path,
                                    std::string_view trustedComment,
                                    std::string_view untrustedComment, std::string* error = nullptr);

}  // namespace signing
