// packgate-pack keygen: a new key pair, the secret key encrypted with a password unless -W.
#include <filesystem>

#include "packtool/commands.h"
#include "packtool/password.h"
#include "signing/key_id.h"
#include "signing/secret_key.h"

namespace packtool {
namespace {

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

std::string CommentProblem(const std::string& comment) {
    if (comment.empty()) return "the key's name (-c) may not be empty";
    for (const char c : comment) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return "the key's name (-c) may not hold control characters";
    }
    return {};
}

// The password the secret key is encrypted with: none with -W, else from the file or asked
// twice on the terminal; an empty one would leave the key unencrypted, so it is refused.
PasswordReading KeygenPassword(const PackToolOptions& o) {
    if (o.noPassword) {
        auto none = Password::Make();
        if (!none) return {{}, "no guarded memory for the password"};
        return {std::move(none), {}};
    }
    PasswordReading reading = o.passwordFile ? ReadPasswordFile(*o.passwordFile)
                                             : AskPassword("Password for the new secret key: ", true);
    if (reading.password && reading.password->empty()) {
        return {{}, "the password is empty; give -W for a secret key without a password"};
    }
    return reading;
}

}  // namespace

int RunKeygen(const PackToolOptions& o, std::ostream& out, std::ostream& err) {
    for (const std::string* path : {&*o.secretKeyPath, &*o.publicKeyPath}) {
        if (Exists(*path) && !o.force) return Fail(err, *path + " exists; give -f to replace it", kExitFailed);
    }
    if (o.comment) {
        if (std::string problem = CommentProblem(*o.comment); !problem.empty()) {
            return Fail(err, problem, kExitBadInput);
        }
    }
    const PasswordReading password = KeygenPassword(o);
    if (!password.password) return Fail(err, password.error, kExitFailed);
    auto pair = signing::GenerateKeyPair(o.comment.value_or(""));
    if (!pair) return Fail(err, "cannot make a key pair (no random source or guarded memory)", kExitFailed);
    const std::string keyId = signing::KeyIdText(pair->publicKey.id);
    if (!o.comment) pair->publicKey.comment = "pack key " + keyId;
    std::string error;
    if (!signing::WriteSecretKeyFile(*o.secretKeyPath, pair->secret, password.password->text(), {}, &error)) {
        return Fail(err, error.empty() ? "cannot write " + *o.secretKeyPath : error, kExitFailed);
    }
    if (!signing::WritePublicKeyFile(*o.publicKeyPath, pair->publicKey, &error)) {
        return Fail(err, error.empty() ? "cannot write " + *o.publicKeyPath : error, kExitFailed);
    }
    out << "Key " << keyId << " (" << pair->publicKey.comment << ")\n"
        << "Public key: " << *o.publicKeyPath << " (give it to those who install your packs)\n"
        << "Secret key: " << *o.secretKeyPath
        << (password.password->empty() ? " (not encrypted: keep it private)" : " (encrypted with your password)")
        << "\n";
    return kExitDone;
}

}  // namespace packtool
