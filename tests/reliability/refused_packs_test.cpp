// Packs the trust policy refuses: unsigned, signed by a key not trusted or revoked, a
// signature or manifest that cannot be read or is for another pack, and each kind of change
// after signing, as a folder and as an archive. Each is refused with one line before anything
// of it is read, leaves nothing in the temporary folder, and the pack itself is left as it was.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "fault_tally.h"
#include "installer/pack/pack.h"
#include "installer/trust/trust_gate.h"
#include "pack_fixture.h"
#include "signing/manifest.h"
#include "signing/pack_signing.h"
#include "tree_snapshot.h"

namespace packgate_reliability {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFamily = "refused packs";

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct RefusedCase {
    std::string name;
    bool sign = true;
    std::function<void(const std::string& pack)> change;
    std::string expected;  // A part of the refusal line.
};

class RefusedPacks : public ::testing::Test {
  protected:
    void SetUp() override {
        auto made = signing::GenerateKeyPair("Reliability key");
        auto other = signing::GenerateKeyPair("Revoked key");
        ASSERT_TRUE(made && other);
        key_.emplace(std::move(*made));
        revoked_.emplace(std::move(*other));
        installer::TrustPolicy policy;
        policy.keys.trusted = {key_->publicKey, revoked_->publicKey};
        policy.keys.revoked = {revoked_->publicKey};
        gate_ = installer::MakeTrustGate(policy);
    }

    void Survive(const RefusedCase& c, const std::string& form) {
        FaultCase fault(kFamily, c.name + " (" + form + ")");
        const std::string pack = pack_test::MakePackFolder(scratch_, "P" + std::to_string(count_++) + ".pack");
        if (c.sign) {
            ASSERT_TRUE(signing::SignPackFolder(pack, key_->secret, 1765297800));
        }
        c.change(pack);
        std::string opened = pack;
        if (form != "folder") {
            opened = pack + "." + form;
            pack_test::MakeArchive(pack, form, "pack", opened);
        }
        const auto before = packgate_test::SnapshotTree(pack);
        {
            const installer::PackOpening opening = installer::OpenPack(opened, gate_);
            EXPECT_FALSE(opening.pack) << c.name;
            EXPECT_FALSE(opening.cannotRun);
            EXPECT_EQ(opening.error.find('\n'), std::string::npos);
            EXPECT_NE(opening.error.find(c.expected), std::string::npos) << opening.error;
            EXPECT_TRUE(opening.error.starts_with("Refused: ")) << opening.error;
        }
        EXPECT_TRUE(pack_test::FolderContents(tmp_.path()).empty()) << c.name;
        if (packgate_test::SnapshotTree(pack) != before) {
            fault.dataLost();
            ADD_FAILURE() << c.name << ": the check changed the pack";
        }
    }

    packgate_test::ScratchFolder scratch_{"pg-refused"};
    pack_test::PrivateTemporaryFolder tmp_;
    std::optional<signing::KeyPair> key_;
    std::optional<signing::KeyPair> revoked_;
    installer::PackGate gate_;
    int count_ = 0;
};

TEST_F(RefusedPacks, EveryRefusalIsOneLineAndLeavesNothing) {
    const std::string payload = "/Contents/Payload/Board/";
    const std::string sig = std::string("/") + signing::kManifestSignaturePath;
    const std::vector<RefusedCase> cases{
        {"unsigned", false, [](const std::string&) {}, "is not signed"},
        {"untrusted key", false,
         [](const std::string& p) {
             auto stranger = signing::GenerateKeyPair("Stranger");
             ASSERT_TRUE(stranger);
             ASSERT_TRUE(signing::SignPackFolder(p, stranger->secret, 1));
         },
         "which is not trusted"},
        {"revoked key", false,
         [this](const std::string& p) { ASSERT_TRUE(signing::SignPackFolder(p, revoked_->secret, 1)); },
         "which is revoked"},
        {"byte changed", true, [&](const std::string& p) { WriteAll(p + payload + "ReadMe.txt", "Read me first?\n"); },
         "ReadMe.txt has other content"},
        {"entry added", true, [&](const std::string& p) { WriteAll(p + payload + "Added.txt", ""); },
         "Added.txt is not in the signed manifest"},
        {"entry removed", true, [&](const std::string& p) { fs::remove(p + payload + "ReadMe.txt"); },
         "ReadMe.txt is missing"},
        {"entry renamed", true,
         [&](const std::string& p) { fs::rename(p + payload + "ReadMe.txt", p + payload + "Renamed.txt"); },
         "ReadMe.txt is missing"},
        {"mode changed", true, [&](const std::string& p) { chmod((p + payload + "Panels/Six.qtpl").c_str(), 0644); },
         "Six.qtpl has another mode"},
        {"link target changed", true,
         [](const std::string& p) {
             const std::string link = p + "/Contents/Plugins/Packgate.bundle/Contents/dylib/libx.so";
             fs::remove(link);
             fs::create_symlink("libx.so.1.0", link);
         },
         "libx.so points elsewhere"},
        {"manifest changed", true,
         [](const std::string& p) {
             std::ofstream(p + "/" + signing::kManifestPath, std::ios::app) << "\n";
         },
         "Manifest.plist has other content"},
        {"signature cut short", true,
         [&](const std::string& p) { WriteAll(p + sig, "untrusted comment: x\nRUQ=\n"); },
         "cannot be read"},
        {"signature removed, manifest kept", true, [&](const std::string& p) { fs::remove(p + sig); },
         "is not signed"},
    };
    for (const RefusedCase& c : cases) {
        for (const std::string form : {"folder", "tar.gz"}) Survive(c, form);
    }
}

}  // namespace
}  // namespace packgate_reliability
