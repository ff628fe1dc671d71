#include "signing/signature.h"

#include <algorithm>
#include <cstring>
#include <sodium.h>
#include <vector>

#include "signing/file_bytes.h"
#include "signing/text_lines.h"

namespace signing {
namespace {

constexpr std::size_t kSignatureLineBytes = 2 + 8 + 64;
// The largest file SignFile reads whole: a manifest, or any small file a pack maker signs.
constexpr std::size_t kMaxSignedFileBytes = 256u * 1024 * 1024;

std::optional<Signature> Fail(std::string* error, const char* reason) {
    if (error != nullptr) *error = reason;
    return std::nullopt;
}

// What the Ed25519 signature covers: the BLAKE2b-512 digest of the bytes ("ED"), or the
// bytes themselves (legacy "Ed").
std::vector<std::uint8_t> SignedMessage(std::span<const std::uint8_t> bytes, bool prehashed) {
    if (!prehashed) return {bytes.begin(), bytes.end()};
    std::vector<std::uint8_t> digest(crypto_generichash_BYTES_MAX);
    crypto_generichash(digest.data(), digest.size(), bytes.data(), bytes.size(), nullptr, 0);
    return digest;
}

std::vector<std::uint8_t> GlobalMessage(const Signature& signature) {
    std::vector<std::uint8_t> message(signature.signature.begin(), signature.signature.end());
    message.insert(message.end(), signature.trustedComment.begin(), signature.trustedComment.end());
    return message;
}

}  // namespace

std::optional<Signature> ParseSignature(std::string_view text, std::string* error) {
    const auto lines = SplitLines(text, 4);
    if (!lines || lines->size() != 4) return Fail(error, "not a signature file (four lines)");
    const auto untrusted = AfterPrefix((*lines)[0], kUntrustedPrefix);
    if (!untrusted) return Fail(error, "the first line is not an untrusted comment");
    const auto head = DecodeBase64((*lines)[1], kSignatureLineBytes);
    if (!head) return Fail(error, "the signature line is not base64 of a signature");
    Signature signature;
    if ((*head)[0] == 'E' && (*head)[1] == 'D') {
        signature.prehashed = true;
    } else if ((*head)[0] == 'E' && (*head)[1] == 'd') {
        signature.prehashed = false;
    } else {
        return Fail(error, "unknown signature algorithm");
    }
    std::copy_n(head->begin() + 2, 8, signature.keyId.begin());
    std::copy_n(head->begin() + 10, 64, signature.signature.begin());
    const auto trusted = AfterPrefix((*lines)[2], kTrustedPrefix);
    if (!trusted) return Fail(error, "the third line is not a trusted comment");
    if (trusted->size() > kMaxTrustedCommentBytes) return Fail(error, "the trusted comment is too long");
    const auto global = DecodeBase64((*lines)[3], 64);
    if (!global) return Fail(error, "the last line is not base64 of a global signature");
    std::copy_n(global->begin(), 64, signature.globalSignature.begin());
    signature.untrustedComment = std::string(*untrusted);
    signature.trustedComment = std::string(*trusted);
    return signature;
}

std::string SignatureText(const Signature& signature) {
    std::uint8_t head[kSignatureLineBytes] = {'E', static_cast<std::uint8_t>(signature.prehashed ? 'D' : 'd')};
    std::memcpy(head + 2, signature.keyId.data(), 8);
    std::memcpy(head + 10, signature.signature.data(), 64);
    return std::string(kUntrustedPrefix) + signature.untrustedComment + "\n" + Base64(head, sizeof head) +
           "\n" + kTrustedPrefix + signature.trustedComment + "\n" +
           Base64(signature.globalSignature.data(), signature.globalSignature.size()) + "\n";
}

std::optional<Signature> Sign(const SecretKey& key, std::span<const std::uint8_t> bytes,
                              std::string_view trustedComment, std::string_view untrustedComment) {
    if (sodium_init() < 0 || key.bytes() == nullptr) return std::nullopt;
    if (!IsOneLine(trustedComment) || !IsOneLine(untrustedComment) ||
        trustedComment.size() > kMaxTrustedCommentBytes) {
        return std::nullopt;
    }
    Signature signature;
    signature.keyId = key.id();
    signature.trustedComment = std::string(trustedComment);
    signature.untrustedComment = std::string(untrustedComment);
    const std::vector<std::uint8_t> message = SignedMessage(bytes, true);
    crypto_sign_detached(signature.signature.data(), nullptr, message.data(), message.size(), key.bytes());
    const std::vector<std::uint8_t> global = GlobalMessage(signature);
    crypto_sign_detached(signature.globalSignature.data(), nullptr, global.data(), global.size(), key.bytes());
    return signature;
}

Verdict Verify(const PublicKey& key, std::span<const std::uint8_t> bytes, const Signature& signature) {
    if (sodium_init() < 0) return Verdict::BadSignature;
    if (key.id != signature.keyId) return Verdict::WrongKey;
    const std::vector<std::uint8_t> message = SignedMessage(bytes, signature.prehashed);
    if (crypto_sign_verify_detached(signature.signature.data(), message.data(), message.size(),
                                    key.key.data()) != 0) {
        return Verdict::BadSignature;
    }
    const std::vector<std::uint8_t> global = GlobalMessage(signature);
    if (crypto_sign_verify_detached(signature.globalSignature.data(), global.data(), global.size(),
                                    key.key.data()) != 0) {
        return Verdict::BadTrustedComment;
    }
    return Verdict::Valid;
}

std::optional<std::string> SignFile(const SecretKey& key, const std::string& path,
                                    std::string_view trustedComment,
                                    std::string_view untrustedComment, std::string* error) {
    const auto bytes = ReadSmallFile(path, kMaxSignedFileBytes, error);
    if (!bytes) return std::nullopt;
    const auto signature = Sign(key, *bytes, trustedComment, untrustedComment);
    if (!signature) {
        if (error != nullptr) *error = "a comment is not one line, or the trusted one is too long";
        return std::nullopt;
    }
    return SignatureText(*signature);
}

}  // namespace signing
