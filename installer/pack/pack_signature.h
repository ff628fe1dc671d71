// Who signed a pack, as the installer shows it: the introduction, the reports and receipts.
#pragma once

#include <string>

namespace installer {

struct PackSignature {
    enum class State {
        Trusted,   // Signed by a trusted, not revoked key, and every entry matches its manifest.
        Unsigned,  // No signature, let run by --allow-unsigned (never as root).
    };
    State state = State::Unsigned;
    std::string keyId;     // The key's id as minisign prints it (16 upper-case hex digits); empty when unsigned.
    std::string signer;    // The trusted key's display name (its untrusted comment); empty when unsigned.
    std::string signedAt;  // When it was signed, from the trusted comment ("2026-12-09 16:30:00 UTC"); may be empty.
};

}  // namespace installer
