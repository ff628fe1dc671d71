// Signing a pack folder, and the one check that says whether a pack folder may be trusted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "signing/manifest.h"
#include "signing/public_key.h"
#include "signing/secret_key.h"

namespace signing {

// Writes Contents/Signature/Manifest.plist and its .minisig into the pack folder, replacing
// earlier ones. The identifier and version are read from the pack's Contents/Info.plist
// (CFBundleIdentifier, CFBundleShortVersionString); `unixSeconds` is the signing time.
bool SignPackFolder(const std::string& packFolder, const SecretKey& key, std::int64_t unixSeconds,
                    std::string* error = nullptr);

// The keys a verifier trusts, and the ones it never trusts again (a key in both is revoked).
struct TrustedKeys {
    std::vector<PublicKey> trusted;
    std::vector<PublicKey> revoked;
};

struct PackTrust {
    enum class State {
        Trusted,        // Valid signature by a trusted key; every entry matches.
        Unsigned,       // No Manifest.plist.minisig.
        UntrustedKey,   // Signed by a key not in the trusted list.
        RevokedKey,     // Signed by a revoked key.
        Tampered,       // The signature, the manifest or an entry on disk does not match.
        Mismatch,       // Signed, but for another identifier or version than Info.plist says.
        Malformed,      // The signature or manifest cannot be read.
    };
    State state = State::Unsigned;
    std::string keyId;     // KeyIdText of the signing key, when a signature was read.
    std::string signer;    // The trusted key's display name.
    std::int64_t signedAt = 0;  // From the trusted comment, when trusted.
    std::string entry;     // Tampered: the first entry that differs.
    Difference difference = Difference::Content;
    std::string reason;    // One line for a person, empty when trusted.
    Manifest manifest;     // Trusted: the manifest the signature covers.
    bool trusted() const { return state == State::Trusted; }
};

// Checks the pack folder at `packFolder`: its signature is valid under a trusted, not revoked
// key; every entry on disk is in the manifest and matches it, nothing unlisted exists; and the
// manifest's and trusted comment's identifier and version equal those of Contents/Info.plist.
// Reads nothing of the pack beyond its files' bytes and Info.plist.
PackTrust VerifyPackFolder(const std::string& packFolder, const TrustedKeys& keys);

}  // namespace signing
