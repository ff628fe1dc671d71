// The keys this machine trusts to sign packs, and the ones it never trusts again: minisign
// public key files (*.pub) in <root>/etc/packgate/trusted-keys/ and revoked-keys/, and the
// files given with --trust for one run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "signing/pack_signing.h"

namespace installer {

inline constexpr char kTrustedKeysFolder[] = "/etc/packgate/trusted-keys";
inline constexpr char kRevokedKeysFolder[] = "/etc/packgate/revoked-keys";

struct TrustStore {
    signing::TrustedKeys keys;
    std::vector<std::string> warnings;  // Trusted key files that were skipped, one line each.
};

struct TrustStoreLoad {
    std::optional<TrustStore> store;  // Nothing when the run must not go on.
    std::string error;                // Why, in one line.
};

// Reads the machine's folders under `root` and the --trust files `extraKeys`. A --trust file
// that is not a key, or a revoked-keys file that cannot be read, stops the run (a revocation
// that cannot be read must not let the key through); a broken trusted-keys file is skipped
// with a warning. Missing folders hold no keys.
TrustStoreLoad LoadTrustStore(const std::string& root, const std::vector<std::string>& extraKeys);

}  // namespace installer
