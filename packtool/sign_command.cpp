// packgate-pack sign: the pack's manifest and its signature, written into the pack folder.
#include <sodium.h>

#include <ctime>

#include "installer/pack/pack_folder.h"
#include "packtool/commands.h"
#include "packtool/pack_paths.h"
#include "packtool/password.h"
#include "packtool/secret_key_file.h"
#include "signing/key_id.h"
#include "signing/manifest.h"
#include "signing/pack_signing.h"
#include "signing/secret_key.h"

namespace packtool {
namespace {

// The key file's text, wiped when it goes: an unencrypted key is secret as it stands.
struct KeyText {
    std::string text;
    ~KeyText() { sodium_memzero(text.data(), text.size()); }
};

struct KeyReading {
    std::optional<signing::SecretKey> key;
    std::string error;
    int code = kExitFailed;
};

KeyReading ReadKey(const PackToolOptions& o) {
    std::string error;
    KeyText file;
    if (auto text = ReadKeyFileText(*o.secretKeyPath, error)) {
        file.text = std::move(*text);
    } else {
        return {{}, error};
    }
    const auto encrypted = SecretKeyIsEncrypted(file.text);
    if (!encrypted) return {{}, *o.secretKeyPath + " is not a secret key file"};
    std::optional<Password> password = Password::Make();
    if (!password) return {{}, "no guarded memory for the password"};
    if (*encrypted) {
        PasswordReading reading = o.passwordFile ? ReadPasswordFile(*o.passwordFile)
                                                 : AskPassword("Password for " + *o.secretKeyPath + ": ", false);
        if (!reading.password) return {{}, reading.error};
        password = std::move(reading.password);
    }
    signing::SecretKeyReading reading = signing::ParseSecretKey(file.text, password->text());
    if (reading.key) return {std::move(reading.key), {}};
    if (reading.error == signing::SecretKeyError::WrongPassword) {
        return {{}, "wrong password for " + *o.secretKeyPath};
    }
    return {{}, *o.secretKeyPath + ": " + reading.reason};
}

}  // namespace

int RunSign(const PackToolOptions& o, std::ostream& out, std::ostream& err) {
    const std::string pack = WithoutTrailingSlashes(*o.packPath);
    if (!IsFolder(pack)) {
        return Fail(err, pack + " is not a pack folder (sign the folder, then archive it)", kExitBadInput);
    }
    // What the installer would refuse is not worth a signature.
    const installer::PackOpening opening = installer::OpenPackFolder(pack, pack);
    if (!opening.pack) return Fail(err, opening.error, kExitBadInput);
    const KeyReading key = ReadKey(o);
    if (!key.key) return Fail(err, key.error, key.code);
    std::string error;
    if (!signing::SignPackFolder(pack, *key.key, static_cast<std::int64_t>(std::time(nullptr)), &error)) {
        return Fail(err, error.empty() ? "cannot sign " + pack : error, kExitFailed);
    }
    const installer::PackIdentity& identity = opening.pack->identity;
    out << "Signed " << pack << " (" << identity.identifier << " " << identity.version << ") with key "
        << signing::KeyIdText(key.key->id()) << ": " << signing::kManifestPath << " and "
        << signing::kManifestSignaturePath << "\n";
    return kExitDone;
}

}  // namespace packtool
