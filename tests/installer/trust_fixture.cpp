#include "trust_fixture.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include <gtest/gtest.h>

#include "child_process.h"
#include "foundation/plist_read.h"
#include "signing/key_id.h"
#include "signing/manifest.h"
#include "signing/pack_signing.h"
#include "signing/public_key.h"
#include "signing/trusted_comment.h"

namespace trust_test {

namespace fs = std::filesystem;

TestKey MakeTestKey(const packgate_test::ScratchFolder& scratch, const std::string& name,
                    const std::string& comment) {
    TestKey key;
    key.pair = signing::GenerateKeyPair(comment);
    EXPECT_TRUE(key.pair);
    if (!key.pair) return key;
    key.publicPath = scratch / (name + ".pub");
    EXPECT_TRUE(signing::WritePublicKeyFile(key.publicPath, key.pair->publicKey));
    key.id = signing::KeyIdText(key.pair->publicKey.id);
    return key;
}

std::string CopyDemoPack(const packgate_test::ScratchFolder& scratch, const std::string& name) {
    const std::string pack = scratch / name;
    fs::copy(kDemoPack, pack, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::remove_all(pack + "/" + signing::kSignatureFolder);
    return pack;
}

void SignPack(const std::string& pack, const signing::SecretKey& key) {
    std::string error;
    ASSERT_TRUE(signing::SignPackFolder(pack, key, static_cast<std::int64_t>(std::time(nullptr)), &error))
        << error;
}

std::string MakeMinisignKeys(const packgate_test::ScratchFolder& scratch) {
    const auto status = packgate_test::RunProgram(
        {kMinisign, "-G", "-W", "-f", "-p", scratch / "m.pub", "-s", scratch / "m.key"});
    EXPECT_TRUE(status && *status == 0);
    const auto key = signing::ReadPublicKeyFile(scratch / "m.pub");
    EXPECT_TRUE(key);
    return key ? signing::KeyIdText(key->id) : std::string();
}

void SignPackWithMinisign(const std::string& pack, const std::string& secretKeyPath) {
    const auto info = foundation::DictionaryWithContentsOfFile(pack + "/Contents/Info.plist");
    ASSERT_TRUE(info);
    const std::string identifier = foundation::TextForKey(&*info, "CFBundleIdentifier").value_or("");
    const std::string version = foundation::TextForKey(&*info, "CFBundleShortVersionString").value_or("");
    fs::create_directories(pack + "/" + signing::kSignatureFolder);
    const auto manifest = signing::BuildManifest(pack, identifier, version);
    ASSERT_TRUE(manifest);
    const std::string manifestPath = pack + "/" + signing::kManifestPath;
    std::FILE* out = std::fopen(manifestPath.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    const std::string manifestText = signing::ManifestText(*manifest);
    std::fwrite(manifestText.data(), 1, manifestText.size(), out);
    std::fclose(out);
    const auto comment = signing::PackStampText({static_cast<std::int64_t>(std::time(nullptr)), identifier, version});
    ASSERT_TRUE(comment);
    const auto status = packgate_test::RunProgram(
        {kMinisign, "-S", "-W", "-s", secretKeyPath, "-m", manifestPath, "-t", *comment});
    ASSERT_TRUE(status && *status == 0);
}

void InstallKey(const std::string& root, const std::string& folder, const std::string& publicPath) {
    const fs::path into = fs::path(root) / "etc/packgate" / folder;
    fs::create_directories(into);
    fs::copy_file(publicPath, into / fs::path(publicPath).filename(), fs::copy_options::overwrite_existing);
}

}  // namespace trust_test
