// The manifest: built from disk, read back strictly, checked by Python's plistlib and hashlib.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "child_process.h"
#include "signing/manifest.h"
#include "signing_fixture.h"

namespace {

using packgate_test::ScratchFolder;
using signing::Difference;
using signing::EntryKind;

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Manifests, ListEveryEntrySortedWithoutFollowingLinks) {
    ScratchFolder scratch("pg-manifest");
    const std::string pack = signing_test::MakePackFolder(scratch);
    const auto manifest = signing::BuildManifest(pack, "id", "1");
    ASSERT_TRUE(manifest);
    std::vector<std::string> paths;
    for (const auto& entry : manifest->entries) paths.push_back(entry.path);
    EXPECT_EQ(paths, (std::vector<std::string>{
                         "Contents", "Contents/Info.plist", "Contents/Payload", "Contents/Payload/Templates",
                         "Contents/Payload/Templates/a.txt", "Contents/Payload/b.txt", "Contents/Plugins",
                         "Contents/Plugins/Packgate.bundle", "Contents/Plugins/Packgate.bundle/Contents",
                         "Contents/Plugins/Packgate.bundle/Contents/Current",
                         "Contents/Plugins/Packgate.bundle/Contents/MacOS",
                         "Contents/Plugins/Packgate.bundle/Contents/MacOS/Packgate"}));
    const auto& link = manifest->entries[9];
    EXPECT_EQ(link.kind, EntryKind::Link);
    EXPECT_EQ(link.linkTarget, "MacOS");
    EXPECT_EQ(manifest->entries[11].mode, 0755u);
    EXPECT_EQ(manifest->entries[5].mode, 0644u);
    EXPECT_EQ(manifest->entries[5].size, 10u);
}

TEST(Manifests, ReadBackAsWrittenAndAgreeWithPythonsReaders) {
    ScratchFolder scratch("pg-manifest");
    const std::string pack = signing_test::MakePackFolder(scratch);
    const auto manifest = signing::BuildManifest(pack, "com.quillet.pack", "2.0");
    ASSERT_TRUE(manifest);
    const std::string text = signing::ManifestText(*manifest);
    const auto read = signing::ParseManifest(Bytes(text));
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, *manifest);

    // plistlib reads the file; hashlib computes every file's digest; both must agree.
    scratch.Write("Manifest.plist", text);
    const std::string script =
        "import hashlib, os, plistlib, sys\n"
        "m = plistlib.load(open(sys.argv[1], 'rb'))\n"
        "assert m['Identifier'] == 'com.quillet.pack' and m['Version'] == '2.0'\n"
        "for e in m['Entries']:\n"
        "    p = os.path.join(sys.argv[2], e['Path'])\n"
        "    if e['Kind'] == 'file':\n"
        "        assert e['SHA256'] == hashlib.sha256(open(p, 'rb').read()).hexdigest(), p\n"
        "        assert e['Size'] == os.lstat(p).st_size\n"
        "    elif e['Kind'] == 'link':\n"
        "        assert e['Target'] == os.readlink(p)\n"
        "assert len(m['Entries']) == 12\n";
    EXPECT_EQ(packgate_test::RunProgram({"python3", "-c", script, scratch / "Manifest.plist", pack}), 0);
}

TEST(Manifests, StrictReaderRefusesAnythingElse) {
    signing::Manifest manifest{"id", "1", {{"Contents", EntryKind::Folder, 0755, 0, "", ""},
                                           {"Contents/a", EntryKind::File, 0644, 1, std::string(64, 'a'), ""}}};
    const std::string good = signing::ManifestText(manifest);
    ASSERT_TRUE(signing::ParseManifest(Bytes(good)));
    const auto refused = [&](std::string from, const std::string& to) {
        const std::size_t at = good.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        std::string text = good;
        text.replace(at, from.size(), to);
        return !signing::ParseManifest(Bytes(text));
    };
    EXPECT_TRUE(refused("<string>Contents/a</string>", "<string>Contents/../a</string>"));
    EXPECT_TRUE(refused("<string>Contents/a</string>", "<string>/Contents/a</string>"));
    EXPECT_TRUE(refused("<string>Contents/a</string>", "<string>Contents//a</string>"));
    EXPECT_TRUE(refused("<string>Contents/a</string>", "<string>Contents</string>"));   // Duplicate.
    EXPECT_TRUE(refused("<string>Contents/a</string>", "<string>Content</string>"));    // Unsorted.
    EXPECT_TRUE(refused("<integer>420</integer>", "<integer>511</integer>"));          // Mode 0777.
    EXPECT_TRUE(refused("<integer>1</integer>", "<integer>-1</integer>"));
    EXPECT_TRUE(refused(std::string(64, 'a'), std::string(64, 'A')));
    EXPECT_TRUE(refused("<string>file</string>", "<string>fifo</string>"));
    EXPECT_TRUE(refused("<key>Version</key>", "<key>Version</key><string>1</string><key>Extra</key>"));
    EXPECT_TRUE(refused("<string>id</string>", "<integer>5</integer>"));
    EXPECT_FALSE(signing::ParseManifest(Bytes("bplist00")));
    EXPECT_FALSE(signing::ParseManifest(Bytes("{Identifier = id; Version = 1; Entries = ();}")));
}

struct Tampering {
    const char* name;
    void (*apply)(const std::string& pack);
    const char* entry;
    Difference what;
};

void Write(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

const Tampering kTamperings[] = {
    {"byte changed", [](const std::string& p) { Write(p + "/Contents/Payload/b.txt", "payload c\n"); },
     "Contents/Payload/b.txt", Difference::Content},
    {"size changed", [](const std::string& p) { Write(p + "/Contents/Payload/b.txt", "payload\n"); },
     "Contents/Payload/b.txt", Difference::Size},
    {"entry added", [](const std::string& p) { Write(p + "/Contents/Payload/Templates/new.txt", ""); },
     "Contents/Payload/Templates/new.txt", Difference::Unlisted},
    {"entry removed", [](const std::string& p) { unlink((p + "/Contents/Payload/Templates/a.txt").c_str()); },
     "Contents/Payload/Templates/a.txt", Difference::Missing},
    {"entry renamed",
     [](const std::string& p) { rename((p + "/Contents/Payload/b.txt").c_str(), (p + "/Contents/Payload/c.txt").c_str()); },
     "Contents/Payload/b.txt", Difference::Missing},
    {"mode changed", [](const std::string& p) { chmod((p + "/Contents/Payload/b.txt").c_str(), 0755); },
     "Contents/Payload/b.txt", Difference::Mode},
    {"link target changed",
     [](const std::string& p) {
         const std::string link = p + "/Contents/Plugins/Packgate.bundle/Contents/Current";
         unlink(link.c_str());
         symlink("../..", link.c_str());
     },
     "Contents/Plugins/Packgate.bundle/Contents/Current", Difference::LinkTarget},
    {"file became a link",
     [](const std::string& p) {
         unlink((p + "/Contents/Payload/b.txt").c_str());
         symlink("Templates/a.txt", (p + "/Contents/Payload/b.txt").c_str());
     },
     "Contents/Payload/b.txt", Difference::Kind},
    {"unlisted fifo", [](const std::string& p) { mkfifo((p + "/Contents/Payload/pipe").c_str(), 0644); },
     "Contents/Payload/pipe", Difference::Unlisted},
};

TEST(ManifestComparison, NamesTheFirstEntryThatDiffersForEachKindOfTampering) {
    for (const Tampering& tampering : kTamperings) {
        SCOPED_TRACE(tampering.name);
        ScratchFolder scratch("pg-manifest");
        const std::string pack = signing_test::MakePackFolder(scratch);
        const auto manifest = signing::BuildManifest(pack, "id", "1");
        ASSERT_TRUE(manifest);
        EXPECT_FALSE(signing::CompareManifest(*manifest, pack));
        tampering.apply(pack);
        const auto difference = signing::CompareManifest(*manifest, pack);
        ASSERT_TRUE(difference);
        EXPECT_EQ(difference->path, tampering.entry);
        EXPECT_EQ(difference->what, tampering.what);
    }
}

TEST(ManifestComparison, OnlyTheOwnerExecuteBitCountsInAMode) {
    ScratchFolder scratch("pg-manifest");
    const std::string pack = signing_test::MakePackFolder(scratch);
    const auto manifest = signing::BuildManifest(pack, "id", "1");
    ASSERT_TRUE(manifest);
    // What archive tools and umasks do on the way: group and other bits, folder modes.
    chmod((pack + "/Contents/Payload/b.txt").c_str(), 0600);
    chmod((pack + "/Contents/Payload").c_str(), 0700);
    chmod((pack + "/Contents/Plugins/Packgate.bundle/Contents/MacOS/Packgate").c_str(), 0700);
    EXPECT_FALSE(signing::CompareManifest(*manifest, pack));
}

}  // namespace
