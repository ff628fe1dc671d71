#include "installer/trust/trust_gate.h"

#include <filesystem>

#include "installer/text/text_wrap.h"
#include "installer/words/words.h"
#include "signing/trusted_comment.h"

namespace installer {
namespace {

using State = signing::PackTrust::State;

std::string Text(std::string_view key, WordFields fields = {}) { return Words::ForUser().text(key, fields); }

std::string WhatText(signing::Difference what) {
    switch (what) {
        case signing::Difference::Missing: return Text("trust.what.missing");
        case signing::Difference::Unlisted: return Text("trust.what.unlisted");
        case signing::Difference::Kind: return Text("trust.what.kind");
        case signing::Difference::Mode: return Text("trust.what.mode");
        case signing::Difference::Size: return Text("trust.what.size");
        case signing::Difference::Content: return Text("trust.what.content");
        case signing::Difference::LinkTarget: return Text("trust.what.link");
        case signing::Difference::Unreadable: return Text("trust.what.unreadable");
    }
    return Text("trust.what.content");
}

// The name a person knows the pack by: the file or folder name they gave.
std::string PackName(const std::string& shownPath) {
    std::string name = std::filesystem::path(shownPath).filename().string();
    if (name.empty()) name = std::filesystem::path(shownPath).parent_path().filename().string();
    return PrintableText(name.empty() ? shownPath : name, false);
}

}  // namespace

PayloadDigests PayloadDigestsOf(const signing::Manifest& manifest) {
    static constexpr std::string_view kPayload = "Contents/Payload/";
    PayloadDigests digests;
    for (const signing::ManifestEntry& entry : manifest.entries) {
        if (entry.kind != signing::EntryKind::File || !entry.path.starts_with(kPayload)) continue;
        digests.emplace(entry.path.substr(kPayload.size()), entry.sha256);
    }
    return digests;
}

PackSignature SignatureOf(const signing::PackTrust& trust) {
    PackSignature signature;
    if (!trust.trusted()) return signature;
    signature.state = PackSignature::State::Trusted;
    signature.keyId = trust.keyId;
    signature.signer = PrintableText(trust.signer, false);
    signature.signedAt = trust.signedAt > 0 ? signing::StampTimeText(trust.signedAt) : std::string();
    return signature;
}

std::string RefusalLine(const signing::PackTrust& trust, const std::string& packName,
                        const TrustPolicy& policy) {
    const std::string entry = PrintableText(trust.entry, false);
    const std::string reason = PrintableText(trust.reason, false);
    switch (trust.state) {
        case State::Trusted: return {};
        case State::Unsigned:
            if (policy.allowUnsigned) return {};
            return Text("trust.refused.unsigned", {{"pack", packName}});
        case State::UntrustedKey:
            return Text("trust.refused.untrusted",
                        {{"pack", packName}, {"key", trust.keyId}, {"folder", policy.trustedFolder}});
        case State::RevokedKey:
            return Text("trust.refused.revoked",
                        {{"pack", packName}, {"key", trust.keyId}, {"folder", policy.revokedFolder}});
        case State::Tampered:
            return Text("trust.refused.tampered",
                        {{"pack", packName}, {"key", trust.keyId}, {"entry", entry}, {"what", WhatText(trust.difference)}});
        case State::Malformed: return Text("trust.refused.malformed", {{"pack", packName}, {"reason", reason}});
        case State::Mismatch:
            return Text("trust.refused.mismatch", {{"pack", packName}, {"key", trust.keyId}, {"reason", reason}});
    }
    return Text("trust.refused.malformed", {{"pack", packName}, {"reason", reason}});
}

std::string SignatureStateLine(const signing::PackTrust& trust) {
    switch (trust.state) {
        case State::Trusted:
            return Text("trust.check.signed", {{"signer", PrintableText(trust.signer, false)},
                                               {"key", trust.keyId},
                                               {"time", signing::StampTimeText(trust.signedAt)}});
        case State::Unsigned: return Text("trust.check.unsigned");
        case State::UntrustedKey: return Text("trust.check.untrusted", {{"key", trust.keyId}});
        case State::RevokedKey: return Text("trust.check.revoked", {{"key", trust.keyId}});
        case State::Tampered:
            return Text("trust.check.tampered",
                        {{"entry", PrintableText(trust.entry, false)}, {"what", WhatText(trust.difference)}});
        case State::Malformed:
        case State::Mismatch: return Text("trust.check.refused", {{"reason", PrintableText(trust.reason, false)}});
    }
    return {};
}

PackGate MakeTrustGate(TrustPolicy policy) {
    return [policy = std::move(policy)](const std::string& folder, const std::string& shownPath) {
        const signing::PackTrust trust = signing::VerifyPackFolder(folder, policy.keys);
        const std::string packName = PackName(shownPath);
        std::string refusal = RefusalLine(trust, packName, policy);
        if (!refusal.empty()) return PackVetting{std::nullopt, std::move(refusal)};
        if (trust.state == signing::PackTrust::State::Unsigned) return PackVetting{SignatureOf(trust), {}};
        return PackVetting{SignatureOf(trust), {}, PayloadDigestsOf(trust.manifest)};
    };
}

}  // namespace installer
