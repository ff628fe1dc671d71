// The installer's trust policy: a pack runs only when it is signed by a trusted, not revoked
// key and nothing of it changed since; an unsigned one only with --allow-unsigned, never as
// root. Every refusal is one line that names the key id and how to trust it.
#pragma once

#include <string>

#include "installer/pack/pack.h"
#include "installer/pack/pack_signature.h"
#include "installer/trust/trust_store.h"
#include "signing/pack_signing.h"

namespace installer {

struct TrustPolicy {
    signing::TrustedKeys keys;
    bool allowUnsigned = false;      // --allow-unsigned (the program refuses it as root).
    // The folders as the refusals name them (under --root).
    std::string trustedFolder = kTrustedKeysFolder;
    std::string revokedFolder = kRevokedKeysFolder;
};

// The gate OpenPack passes every pack through under `policy`.
PackGate MakeTrustGate(TrustPolicy policy);

// The payload files a signed manifest lists, with their digests, by path from the payload
// folder: what the install step holds the bytes it copies to.
PayloadDigests PayloadDigestsOf(const signing::Manifest& manifest);

// The signature of a trusted pack, as the installer shows it.
PackSignature SignatureOf(const signing::PackTrust& trust);

// The one line that refuses a pack named `packName` for `trust`; empty when it may run.
std::string RefusalLine(const signing::PackTrust& trust, const std::string& packName,
                        const TrustPolicy& policy);

// --check's line on the signature state of a pack.
std::string SignatureStateLine(const signing::PackTrust& trust);

}  // namespace installer
