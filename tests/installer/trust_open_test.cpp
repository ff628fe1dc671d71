// Every form of a pack passes the same gate: a pack signed as a folder opens as a folder and
// as each archive form, and each kind of tampering, made before it is packed, is refused in
// each form naming the first entry that differs.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "installer/pack/pack.h"
#include "installer/trust/trust_gate.h"
#include "pack_fixture.h"
#include "signing/public_key.h"
#include "trust_fixture.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

struct Tampering {
    const char* name;
    void (*apply)(const std::string& pack);
    std::string entryAndWhat;
};

const std::string kPayload = "Contents/Payload/Board/";

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

const Tampering kTamperings[] = {
    {"byte changed",
     [](const std::string& p) { WriteText(p + "/" + kPayload + "ReadMe.txt", "Read me first!\n"); },
     kPayload + "ReadMe.txt has other content than signed"},
    {"entry added",
     [](const std::string& p) { WriteText(p + "/" + kPayload + "Added.txt", "new\n"); },
     kPayload + "Added.txt is not in the signed manifest"},
    {"entry removed", [](const std::string& p) { fs::remove(p + "/" + kPayload + "ReadMe.txt"); },
     kPayload + "ReadMe.txt is missing"},
    {"entry renamed",
     [](const std::string& p) { fs::rename(p + "/" + kPayload + "ReadMe.txt", p + "/" + kPayload + "ZReadMe.txt"); },
     kPayload + "ReadMe.txt is missing"},
    {"mode changed", [](const std::string& p) { chmod((p + "/" + kPayload + "Panels/Six.qtpl").c_str(), 0644); },
     kPayload + "Panels/Six.qtpl has another mode than signed"},
    {"link target changed",
     [](const std::string& p) {
         const std::string link = p + "/Contents/Plugins/Packgate.bundle/Contents/dylib/libx.so";
         fs::remove(link);
         fs::create_symlink("libx.so.1.0", link);
     },
     "Contents/Plugins/Packgate.bundle/Contents/dylib/libx.so points elsewhere than signed"},
};

const char* const kForms[] = {"folder", "tar", "tar.gz", "tar.xz", "zip"};

class TrustOpen : public ::testing::Test {
  protected:
    void SetUp() override {
        key_ = trust_test::MakeTestKey(scratch_, "maker", "Quillet Packs");
        installer::TrustPolicy policy;
        policy.keys.trusted.push_back(key_.pair->publicKey);
        gate_ = installer::MakeTrustGate(policy);
    }
    // The pack folder `name`, signed, then changed by `tampering` (if any), in `form`.
    std::string MakePack(const std::string& name, const std::string& form, const Tampering* tampering) {
        const std::string folder = pack_test::MakePackFolder(scratch_, name + ".pack");
        trust_test::SignPack(folder, key_.pair->secret);
        if (tampering) tampering->apply(folder);
        if (form == std::string("folder")) return folder;
        const std::string archive = scratch_ / (name + "." + form);
        pack_test::MakeArchive(folder, form, "pack", archive);
        return archive;
    }

    // The scratch folder first, so that it does not lie in the private TMPDIR.
    packgate_test::ScratchFolder scratch_{"pg-trust-open"};
    pack_test::PrivateTemporaryFolder tmpdir_;
    trust_test::TestKey key_;
    installer::PackGate gate_;
};

TEST_F(TrustOpen, SignedPackOpensInEveryFormWithItsSigner) {
    for (const char* form : kForms) {
        SCOPED_TRACE(form);
        const installer::PackOpening opening = installer::OpenPack(MakePack(std::string("Sound-") + form, form, nullptr), gate_);
        ASSERT_TRUE(opening.pack) << opening.error;
        EXPECT_EQ(opening.pack->signature.state, installer::PackSignature::State::Trusted);
        EXPECT_EQ(opening.pack->signature.keyId, key_.id);
        EXPECT_EQ(opening.pack->signature.signer, "Quillet Packs");
        EXPECT_TRUE(opening.pack->signature.signedAt.ends_with(" UTC")) << opening.pack->signature.signedAt;
    }
}

// OpenSSL's SHA-256 of the file at `path`, in lower-case hex.
std::string Sha256Of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex(2 * length, '\0');
    for (unsigned int i = 0; i < length; ++i) std::snprintf(&hex[2 * i], 3, "%02x", digest[i]);
    return hex;
}

// The install step holds what it copies to the signed digests: the gate hands over exactly the
// payload's files, each with the digest of its bytes; an unchecked open hands over none.
TEST_F(TrustOpen, SignedPackCarriesTheDigestsOfEveryPayloadFile) {
    for (const char* form : {"folder", "tar.gz"}) {
        SCOPED_TRACE(form);
        const installer::PackOpening opening =
            installer::OpenPack(MakePack(std::string("Digests-") + form, form, nullptr), gate_);
        ASSERT_TRUE(opening.pack) << opening.error;
        ASSERT_TRUE(opening.pack->payloadDigests);
        installer::PayloadDigests onDisk;
        const fs::path payload = opening.pack->payloadPath;
        for (const auto& entry : fs::recursive_directory_iterator(payload)) {
            if (!entry.is_regular_file()) continue;
            onDisk.emplace(fs::relative(entry.path(), payload).string(), Sha256Of(entry.path()));
        }
        EXPECT_FALSE(onDisk.empty());
        EXPECT_EQ(*opening.pack->payloadDigests, onDisk);
    }
    const installer::PackOpening unchecked = installer::OpenPack(MakePack("Unchecked", "folder", nullptr));
    ASSERT_TRUE(unchecked.pack) << unchecked.error;
    EXPECT_FALSE(unchecked.pack->payloadDigests);
}

TEST_F(TrustOpen, EachTamperingIsRefusedInEveryForm) {
    int made = 0;
    for (const Tampering& tampering : kTamperings) {
        for (const char* form : kForms) {
            SCOPED_TRACE(std::string(tampering.name) + " / " + form);
            const std::string name = "T" + std::to_string(made++);
            const std::string pack = MakePack(name, form, &tampering);
            const installer::PackOpening opening = installer::OpenPack(pack, gate_);
            EXPECT_FALSE(opening.pack);
            EXPECT_FALSE(opening.cannotRun);
            EXPECT_EQ(opening.error, "Refused: " + fs::path(pack).filename().string() + " was altered after key " +
                                         key_.id + " signed it: " + tampering.entryAndWhat);
        }
    }
    EXPECT_TRUE(pack_test::FolderContents(tmpdir_.path()).empty());
}

}  // namespace
}  // namespace installer_test
