// Signed packs for the tests: copies of the demo pack and small packs, signed by a key made
// here or by Debian's minisign, and the trust policy the installer would build.
#pragma once

#include <optional>
#include <string>

#include "scratch_folder.h"
#include "signing/secret_key.h"

namespace trust_test {

inline const std::string kDemoPack = PACKGATE_DEMO_PACK;
inline const std::string kDemoKey = PACKGATE_DEMO_KEY;
inline const std::string kHostileModule = PACKGATE_HOSTILE_MODULE;
inline const std::string kMinisign = PACKGATE_MINISIGN;

// A key pair made here, its public key written to `<scratch>/<name>.pub`.
struct TestKey {
    std::optional<signing::KeyPair> pair;
    std::string publicPath;
    std::string id;  // As minisign prints it.
};
TestKey MakeTestKey(const packgate_test::ScratchFolder& scratch, const std::string& name,
                    const std::string& comment);

// A copy of the built demo pack at `<scratch>/<name>`, links kept, without its signature.
std::string CopyDemoPack(const packgate_test::ScratchFolder& scratch, const std::string& name);

// Signs the pack folder with `key` (fails the test when it cannot).
void SignPack(const std::string& pack, const signing::SecretKey& key);

// Writes the pack's manifest and has minisign sign it with the unencrypted secret key file
// `secretKeyPath`, the trusted comment naming the pack as the installer expects.
void SignPackWithMinisign(const std::string& pack, const std::string& secretKeyPath);

// A minisign key pair without a password in `scratch` ("m.pub", "m.key"); the key's id.
std::string MakeMinisignKeys(const packgate_test::ScratchFolder& scratch);

// Puts the public key file `publicPath` into <root>/etc/packgate/<folder>/ (trusted-keys or
// revoked-keys).
void InstallKey(const std::string& root, const std::string& folder, const std::string& publicPath);

}  // namespace trust_test
