// packgate-pack verify: whether a pack, folder or archive, is signed by one key and whole.
// An archive is opened as the installer opens it (every entry checked, then unpacked into a
// private folder), so the answer is the one the installer would reach.
#include <sys/stat.h>

#include "installer/pack/pack_archive.h"
#include "packtool/commands.h"
#include "packtool/pack_paths.h"
#include "signing/pack_signing.h"
#include "signing/public_key.h"
#include "signing/trusted_comment.h"

namespace packtool {
namespace {

std::string RefusalLine(const std::string& pack, const signing::PackTrust& trust,
                        const signing::PublicKey& key) {
    using State = signing::PackTrust::State;
    switch (trust.state) {
        case State::Trusted: return {};
        case State::Unsigned: return pack + " is not signed";
        case State::UntrustedKey:
        case State::RevokedKey:
            return pack + " is signed by key " + trust.keyId + ", not by " + key.comment + " (key " +
                   signing::KeyIdText(key.id) + ")";
        case State::Tampered:
            if (trust.entry.empty()) break;
            return pack + " changed since it was signed: " + trust.entry + " " +
                   signing::DifferenceText(trust.difference);
        case State::Mismatch:
        case State::Malformed: break;
    }
    return trust.reason.empty() ? pack + " is not signed by that key" : trust.reason;
}

}  // namespace

int RunVerify(const PackToolOptions& o, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto key = signing::ReadPublicKeyFile(*o.publicKeyPath, &error);
    if (!key) return Fail(err, error.empty() ? *o.publicKeyPath + " is not a public key file" : error, kExitFailed);
    const std::string path = WithoutTrailingSlashes(*o.packPath);
    struct stat facts {};
    if (stat(path.c_str(), &facts) != 0) return Fail(err, path + " does not exist", kExitBadInput);
    // An opened archive's folder lives as long as this.
    std::optional<installer::Pack> opened;
    std::string folder = path;
    if (!S_ISDIR(facts.st_mode)) {
        installer::PackOpening opening = installer::OpenPackArchive(path);
        if (!opening.pack) return Fail(err, opening.error, opening.cannotRun ? kExitFailed : kExitBadInput);
        opened = std::move(opening.pack);
        folder = opened->folder;
    }
    const signing::PackTrust trust = signing::VerifyPackFolder(folder, {{*key}, {}});
    if (!trust.trusted()) return Fail(err, RefusalLine(path, trust, *key), kExitBadInput);
    out << "Signed by " << trust.signer << " (key " << trust.keyId << ")\n";
    if (trust.signedAt > 0) out << "Signed at " << signing::StampTimeText(trust.signedAt) << "\n";
    return kExitDone;
}

}  // namespace packtool
