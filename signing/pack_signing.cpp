#include "signing/pack_signing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <foundation/plist_read.h>
#include <sys/stat.h>

#include "signing/file_bytes.h"
#include "signing/signature.h"
#include "signing/trusted_comment.h"

namespace signing {
namespace {

constexpr std::size_t kMaxSignatureFileBytes = 64 * 1024;
constexpr char kInfoPath[] = "Contents/Info.plist";

struct Identity {
    std::string identifier;
    std::string version;
};

std::optional<Identity> ReadIdentity(const std::string& packFolder) {
    const auto bytes = ReadSmallFile(packFolder + "/" + kInfoPath, foundation::kMaxPlistFileBytes);
    if (!bytes) return std::nullopt;
    const auto value = foundation::ParsePropertyList(*bytes);
    const foundation::PlistDict* info = value ? value->dict() : nullptr;
    const auto identifier = foundation::StringForKey(info, "CFBundleIdentifier");
    const auto version = foundation::TextForKey(info, "CFBundleShortVersionString");
    if (!identifier || !version) return std::nullopt;
    return Identity{*identifier, *version};
}

bool Exists(const std::string& path) {
    struct stat facts {};
    return lstat(path.c_str(), &facts) == 0;
}

PackTrust Answer(PackTrust trust, PackTrust::State state, std::string reason) {
    trust.state = state;
    trust.reason = std::move(reason);
    return trust;
}

const PublicKey* FindKey(const std::vector<PublicKey>& keys, const KeyId& id) {
    const auto found = std::find_if(keys.begin(), keys.end(), [&](const PublicKey& key) { return key.id == id; });
    return found == keys.end() ? nullptr : &*found;
}

}  // namespace

bool SignPackFolder(const std::string& packFolder, const SecretKey& key, std::int64_t unixSeconds,
                    std::string* error) {
    const auto identity = ReadIdentity(packFolder);
    if (!identity) {
        if (error != nullptr) *error = packFolder + ": Contents/Info.plist has no identifier and version";
        return false;
    }
    const std::string folder = packFolder + "/" + kSignatureFolder;
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        if (error != nullptr) *error = folder + ": " + std::strerror(errno);
        return false;
    }
    const auto manifest = BuildManifest(packFolder, identity->identifier, identity->version, error);
    if (!manifest) return false;
    const std::string manifestPath = packFolder + "/" + kManifestPath;
    if (!WriteFileAtomically(manifestPath, ManifestText(*manifest), 0644, error)) return false;
    const auto comment = PackStampText({unixSeconds, identity->identifier, identity->version});
    if (!comment) {
        if (error != nullptr) *error = "the identifier or version holds a tab or line break";
        return false;
    }
    const auto text = SignFile(key, manifestPath, *comment,
                               "signature from packgate secret key " + KeyIdText(key.id()), error);
    return text && WriteFileAtomically(packFolder + "/" + kManifestSignaturePath, *text, 0644, error);
}

PackTrust VerifyPackFolder(const std::string& packFolder, const TrustedKeys& keys) {
    PackTrust trust;
    const std::string signaturePath = packFolder + "/" + kManifestSignaturePath;
    if (!Exists(signaturePath)) return Answer(trust, PackTrust::State::Unsigned, "the pack is not signed");
    std::string error;
    const auto signatureBytes = ReadSmallFile(signaturePath, kMaxSignatureFileBytes, &error);
    const auto signature = signatureBytes ? ParseSignature(std::string_view(
                                                reinterpret_cast<const char*>(signatureBytes->data()),
                                                signatureBytes->size()), &error)
                                          : std::nullopt;
    if (!signature) return Answer(trust, PackTrust::State::Malformed, "the signature cannot be read: " + error);
    trust.keyId = KeyIdText(signature->keyId);
    if (FindKey(keys.revoked, signature->keyId) != nullptr) {
        return Answer(trust, PackTrust::State::RevokedKey, "the signing key " + trust.keyId + " is revoked");
    }
    const PublicKey* key = FindKey(keys.trusted, signature->keyId);
    if (key == nullptr) {
        return Answer(trust, PackTrust::State::UntrustedKey, "the signing key " + trust.keyId + " is not trusted");
    }
    trust.signer = key->comment;
    const auto manifestBytes = ReadSmallFile(packFolder + "/" + kManifestPath, kMaxManifestBytes, &error);
    if (!manifestBytes) {
        trust.entry = kManifestPath;
        trust.difference = Exists(packFolder + "/" + kManifestPath) ? Difference::Unreadable : Difference::Missing;
        return Answer(trust, PackTrust::State::Tampered, "the manifest cannot be read");
    }
    if (Verify(*key, *manifestBytes, *signature) != Verdict::Valid) {
        trust.entry = kManifestPath;
        return Answer(trust, PackTrust::State::Tampered, "the signature does not match the manifest");
    }
    const auto manifest = ParseManifest(*manifestBytes, &error);
    if (!manifest) return Answer(trust, PackTrust::State::Malformed, error);
    const auto stamp = ParsePackStamp(signature->trustedComment);
    if (!stamp || stamp->identifier != manifest->identifier || stamp->version != manifest->version) {
        return Answer(trust, PackTrust::State::Mismatch,
                      "the signature's trusted comment does not name the manifest's identifier and version");
    }
    trust.signedAt = stamp->timestamp;
    if (const auto difference = CompareManifest(*manifest, packFolder)) {
        trust.entry = difference->path;
        trust.difference = difference->what;
        return Answer(trust, PackTrust::State::Tampered, difference->path + " " + DifferenceText(difference->what));
    }
    const auto identity = ReadIdentity(packFolder);
    if (!identity || identity->identifier != manifest->identifier || identity->version != manifest->version) {
        return Answer(trust, PackTrust::State::Mismatch,
                      "the pack was signed as " + manifest->identifier + " " + manifest->version +
                          ", but its Info.plist says otherwise");
    }
    trust.state = PackTrust::State::Trusted;
    trust.manifest = *manifest;
    return trust;
}

}  // namespace signing
