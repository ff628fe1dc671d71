// The readers of what a pack carries to prove who made it: the manifest, the signature file,
// public key files and the trusted comment. Each reads any bytes or refuses them, and what it
// reads is written back to text that reads as the same thing.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "signing/manifest.h"
#include "signing/public_key.h"
#include "signing/signature.h"
#include "signing/trusted_comment.h"

namespace {

void CheckManifest(std::span<const std::uint8_t> bytes) {
    const auto manifest = signing::ParseManifest(bytes);
    if (!manifest) return;
    const std::string text = signing::ManifestText(*manifest);
    const auto again = signing::ParseManifest(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    FUZZ_CHECK(again && *again == *manifest);
}

void CheckSignature(std::string_view text) {
    const auto signature = signing::ParseSignature(text);
    if (!signature) return;
    FUZZ_CHECK(signature->trustedComment.size() <= signing::kMaxTrustedCommentBytes);
    const auto again = signing::ParseSignature(signing::SignatureText(*signature));
    FUZZ_CHECK(again && again->signature == signature->signature &&
               again->globalSignature == signature->globalSignature &&
               again->trustedComment == signature->trustedComment && again->keyId == signature->keyId &&
               again->prehashed == signature->prehashed);
}

void CheckPublicKey(std::string_view text) {
    const auto key = signing::ParsePublicKey(text);
    if (!key) return;
    const auto again = signing::ParsePublicKey(signing::PublicKeyText(*key));
    FUZZ_CHECK(again && again->id == key->id && again->key == key->key && again->comment == key->comment);
}

void CheckStamp(std::string_view text) {
    const auto stamp = signing::ParsePackStamp(text);
    if (!stamp) return;
    const auto written = signing::PackStampText(*stamp);
    FUZZ_CHECK(written);
    const auto again = signing::ParsePackStamp(*written);
    FUZZ_CHECK(again && again->timestamp == stamp->timestamp && again->identifier == stamp->identifier &&
               again->version == stamp->version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckManifest(bytes);
    CheckSignature(text);
    CheckPublicKey(text);
    CheckStamp(text);
    return 0;
}
