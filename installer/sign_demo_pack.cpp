// A build step: signs the demo pack with the build folder's demo key, made on first use.
//   packgate_sign_demo_pack PACK_FOLDER PUBLIC_KEY SECRET_KEY
// The secret key stays in the build folder (0600, no password); only the public key ships.
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/stat.h>

#include "signing/pack_signing.h"
#include "signing/public_key.h"
#include "signing/secret_key.h"

namespace {

bool Exists(const std::string& path) {
    struct stat facts {};
    return stat(path.c_str(), &facts) == 0;
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "packgate_sign_demo_pack: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: packgate_sign_demo_pack PACK_FOLDER PUBLIC_KEY SECRET_KEY");
    const std::string pack = argv[1];
    const std::string publicPath = argv[2];
    const std::string secretPath = argv[3];
    std::string error;
    if (!Exists(secretPath) || !Exists(publicPath)) {
        auto pair = signing::GenerateKeyPair("Packgate demo key");
        if (!pair) return Fail("cannot make a key pair");
        if (!signing::WriteSecretKeyFile(secretPath, pair->secret, "", {}, &error) ||
            !signing::WritePublicKeyFile(publicPath, pair->publicKey, &error)) {
            return Fail(error);
        }
    }
    const signing::SecretKeyReading secret = signing::ReadSecretKeyFile(secretPath, "");
    if (!secret.key) return Fail(secret.reason);
    if (!signing::SignPackFolder(pack, *secret.key, static_cast<std::int64_t>(std::time(nullptr)), &error)) {
        return Fail(error);
    }
    return 0;
}
