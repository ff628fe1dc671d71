// Opening packs: a folder, the same folder as every archive form (made by Python's writers and
// by the tar tool), the faults of a pack folder, and hostile archives refused whole with their
// one-line error and nothing left on disk.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"
#include "foundation/files.h"
#include "installer/pack/pack.h"
#include "installer/pack/pack_archive.h"
#include "installer/pack/payload_listing.h"
#include "pack_fixture.h"

namespace {

namespace fs = std::filesystem;
using installer::OpenPack;
using installer::PackOpening;
using json = nlohmann::json;

// The words are English whatever the machine's language; set before their first use.
const bool kEnglish = setenv("LC_ALL", "C.UTF-8", 1) == 0;

std::string Contents(const std::string& path) {
    const auto bytes = foundation::ContentsAtPath(path, 1 << 20);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

// What a test compares of two packs: identity, payload listing and bytes, the bundle's links.
void ExpectSamePack(const installer::Pack& expected, const installer::Pack& actual,
                    const std::string& label) {
    EXPECT_EQ(actual.identity.identifier, expected.identity.identifier) << label;
    EXPECT_EQ(actual.identity.version, expected.identity.version) << label;
    EXPECT_EQ(actual.identity.title, expected.identity.title) << label;
    const auto want = installer::ListPayload(expected.payloadPath);
    const auto got = installer::ListPayload(actual.payloadPath);
    ASSERT_TRUE(got.error.empty()) << label << ": " << got.error;
    ASSERT_EQ(got.files.size(), want.files.size()) << label;
    EXPECT_EQ(got.totalBytes, want.totalBytes) << label;
    for (std::size_t i = 0; i < want.files.size(); ++i) {
        const auto& file = want.files[i];
        EXPECT_EQ(got.files[i].relativePath, file.relativePath) << label;
        EXPECT_EQ(got.files[i].mode & 0100, file.mode & 0100) << label << " " << file.relativePath;
        if (file.folder()) continue;
        EXPECT_EQ(Contents(actual.payloadPath + "/" + file.relativePath),
                  Contents(expected.payloadPath + "/" + file.relativePath))
            << label;
    }
    const std::string dylib = "/Contents/dylib/libx.so";
    EXPECT_EQ(fs::read_symlink(actual.bundlePath + dylib), "libx.so.1") << label;
    EXPECT_EQ(Contents(actual.bundlePath + dylib), "library") << label;
}

class PackOpenTest : public ::testing::Test {
  protected:
    packgate_test::ScratchFolder scratch{"pg-pack"};
    std::string folder = pack_test::MakePackFolder(scratch);
    pack_test::PrivateTemporaryFolder tmp;
};

TEST_F(PackOpenTest, FolderPackGivesItsIdentityAndPlaces) {
    ASSERT_TRUE(kEnglish);
    const PackOpening opening = OpenPack(folder);
    ASSERT_TRUE(opening.pack) << opening.error;
    EXPECT_EQ(opening.pack->identity.identifier, pack_test::kIdentifier);
    EXPECT_EQ(opening.pack->identity.title, pack_test::kTitle);
    EXPECT_EQ(opening.pack->identity.version, pack_test::kVersion);
    EXPECT_EQ(opening.pack->bundlePath, folder + "/Contents/Plugins/Packgate.bundle");
    EXPECT_EQ(opening.pack->payloadPath, folder + "/Contents/Payload");
    EXPECT_FALSE(opening.pack->openedArchive);

    const auto listing = installer::ListPayload(opening.pack->payloadPath);
    std::vector<std::string> names;
    for (const auto& file : listing.files) names.push_back(file.relativePath);
    EXPECT_EQ(names, (std::vector<std::string>{"Board", "Board/Panels", "Board/Panels/Six.qtpl",
                                               "Board/Panels/Three.qtpl", "Board/ReadMe.txt",
                                               "Palettes", "Palettes/Dusk.qpal"}));
    EXPECT_EQ(listing.totalBytes, 15u + 10u + 5000u + 8u);
}

TEST_F(PackOpenTest, EveryArchiveFormOpensToTheSamePackAndGoesWithIt) {
    const PackOpening reference = OpenPack(folder);
    ASSERT_TRUE(reference.pack) << reference.error;
    std::vector<std::string> archives;
    for (const std::string form : {"tar", "tar.gz", "tar.xz", "zip"}) {
        for (const std::string top : {"pack", "contents"}) {
            archives.push_back(scratch / ("Made-" + top + ".pack." + form));
            pack_test::MakeArchive(folder, form, top, archives.back());
        }
    }
    // The tar tool's own writer, with "./" before every name.
    archives.push_back(scratch / "Tool.tar.xz");
    ASSERT_EQ(packgate_test::RunProgram({"tar", "-cJf", archives.back(), "-C", folder, "."}), 0);
    for (const std::string& archive : archives) {
        std::string unpackedAt;
        {
            const PackOpening opening = OpenPack(archive);
            ASSERT_TRUE(opening.pack) << opening.error;
            ExpectSamePack(*reference.pack, *opening.pack, archive);
            EXPECT_TRUE(opening.pack->openedArchive);
            unpackedAt = opening.pack->folder;
            EXPECT_EQ(fs::path(unpackedAt).filename(),
                      archive.find("-pack.") != std::string::npos ? "Test.pack"
                      : archive.ends_with("Tool.tar.xz")          ? "Tool.pack"
                                                                  : "Made-contents.pack");
            const installer::Pack copy = *opening.pack;  // The folder stays while a copy lives.
        }
        EXPECT_FALSE(fs::exists(unpackedAt)) << archive;
        EXPECT_TRUE(pack_test::FolderContents(tmp.path()).empty()) << archive;
    }
}

// A run killed while its archive was open leaves the private folder behind; the next opening
// removes it, but never the folder of a run that still has its pack open.
TEST_F(PackOpenTest, FoldersOfKilledRunsGoWithTheNextOpening) {
    const std::string archive = scratch / "Kept.pack.tar";
    pack_test::MakeArchive(folder, "tar", "pack", archive);
    const std::string abandoned = tmp.path() + "/packgate-pack-killed";
    fs::create_directories(abandoned + "/Test.pack/Contents");
    const PackOpening live = OpenPack(archive);
    ASSERT_TRUE(live.pack) << live.error;
    const PackOpening next = OpenPack(archive);
    ASSERT_TRUE(next.pack) << next.error;
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(live.pack->folder + "/Contents/Info.plist"));
    EXPECT_NE(live.pack->folder, next.pack->folder);
}

TEST_F(PackOpenTest, PackFolderFaultsNameWhatIsWrong) {
    const std::string contents = folder + "/Contents";
    auto expectError = [&](const std::string& want) {
        const PackOpening opening = OpenPack(folder);
        EXPECT_FALSE(opening.pack);
        EXPECT_EQ(opening.error, want);
    };
    fs::rename(contents + "/Payload/Board/ReadMe.txt", scratch / "ReadMe.txt");
    fs::create_symlink("/etc/passwd", contents + "/Payload/Board/ReadMe.txt");
    expectError(contents + "/Payload: the payload holds Board/ReadMe.txt, which is a link; a payload may "
                         "hold only files and folders");
    fs::remove(contents + "/Payload/Board/ReadMe.txt");
    ASSERT_EQ(mkfifo((contents + "/Payload/pipe").c_str(), 0600), 0);
    expectError(contents + "/Payload: the payload holds pipe, which is a FIFO; a payload may hold only "
                         "files and folders");
    fs::remove(contents + "/Payload/pipe");

    // A socket bound in the payload (its path must fit sun_path, so a short relative one).
    const std::string here = fs::current_path();
    fs::current_path(contents + "/Payload");
    const int unixSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "sock");
    ASSERT_EQ(bind(unixSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::current_path(here);
    expectError(contents + "/Payload: the payload holds sock, which is a socket; a payload may hold only "
                         "files and folders");
    close(unixSocket);
    fs::remove(contents + "/Payload/sock");

    fs::rename(contents + "/Payload", scratch / "Payload");
    expectError(folder + ": Contents/Payload is missing");
    fs::create_symlink(scratch / "Payload", contents + "/Payload");
    expectError(folder + ": Contents/Payload is missing");
    fs::remove(contents + "/Payload");
    fs::rename(scratch / "Payload", contents + "/Payload");

    fs::remove_all(contents + "/Plugins/Packgate.bundle");
    expectError(folder + ": Contents/Plugins/Packgate.bundle is missing");
    pack_test::MakePackFolder(scratch);

    packgate_test::ScratchFolder other{"pg-pack-plist"};
    fs::copy_file(contents + "/Info.plist", other / "Info.plist");
    scratch.Write("Test.pack/Contents/Info.plist",
                  "<plist><dict><key>CFBundleName</key><string>T</string></dict></plist>");
    expectError(folder + ": Contents/Info.plist has no CFBundleIdentifier");
    fs::remove(contents + "/Info.plist");
    expectError(folder + ": Contents/Info.plist is missing or is not a property list");

    const PackOpening missing = OpenPack(scratch / "Nowhere.pack");
    EXPECT_EQ(missing.error, scratch / "Nowhere.pack" + ": no such pack");
    const std::string text = scratch.Write("notes.tar.gz", "just some text\n");
    EXPECT_EQ(OpenPack(text).error,
              text + " is not a pack: give a NAME.pack folder or a tar, tar.gz, tar.xz or zip "
                     "archive of one");
}

struct Hostile {
    std::string label;
    std::vector<std::string> forms;
    json entries;       // Added after the sound pack's.
    std::string entry;  // As the error names it.
    std::string reason;
};

TEST_F(PackOpenTest, HostileArchivesAreRefusedWholeWithTheirLine) {
    const std::string c = "Hostile.pack/Contents/";
    const std::vector<std::string> all{"tar", "zip"};
    const std::vector<std::string> tar{"tar"};
    const std::vector<Hostile> cases{
        {"absolute", all, {{{"name", "/tmp/evil"}}}, "/tmp/evil", "its path is absolute"},
        {"dot-dot", all, {{{"name", c + "Payload/../../../evil"}}}, c + "Payload/../../../evil",
         "its path holds \"..\""},
        {"hard link", tar, {{{"name", c + "Payload/h"}, {"type", "hardlink"}, {"target", c + "Info.plist"}}},
         c + "Payload/h", "it is a hard link"},
        {"link out", all, {{{"name", c + "Plugins/out"}, {"type", "symlink"}, {"target", "../../../../etc"}}},
         c + "Plugins/out", "it is a link that points outside the pack"},
        {"absolute link", all, {{{"name", c + "Plugins/abs"}, {"type", "symlink"}, {"target", "/etc/passwd"}}},
         c + "Plugins/abs", "it is a link that points outside the pack"},
        {"link in payload", all, {{{"name", c + "Payload/l"}, {"type", "symlink"}, {"target", "Board"}}},
         c + "Payload/l", "it is a link in the payload"},
        {"link into payload", all,
         {{{"name", c + "Plugins/p"}, {"type", "symlink"}, {"target", "../Payload/Board"}}},
         c + "Plugins/p", "it is a link into the payload"},
        {"through a link", tar,
         {{{"name", c + "Plugins/up"}, {"type", "symlink"}, {"target", ".."}},
          {{"name", c + "Plugins/up/planted"}, {"data", "x"}}},
         c + "Plugins/up/planted", "its path goes through a link of the archive"},
        {"device", tar, {{{"name", c + "Payload/dev"}, {"type", "chr"}}}, c + "Payload/dev", "it is a device"},
        {"fifo", tar, {{{"name", c + "Payload/fifo"}, {"type", "fifo"}}}, c + "Payload/fifo", "it is a FIFO"},
        {"outside contents", all, {{{"name", "Hostile.pack/ReadMe"}}}, "Hostile.pack/ReadMe",
         "it lies outside the pack's Contents folder"},
        {"second top", all, {{{"name", "Other.pack/Contents/x"}}}, "Other.pack/Contents/x",
         "it lies outside the pack's Contents folder"},
        {"long name", all, {{{"name", c + "Payload/" + std::string(300, 'n')}}},
         c + "Payload/" + std::string(300, 'n'), "a name in its path is longer than 255 bytes"},
        {"not UTF-8", tar, {{{"name_hex", Hex(c + "Payload/\xff.txt")}}},
         c + "Payload/\xEF\xBF\xBD.txt", "its name is not UTF-8 text"},
        {"control character", all, {{{"name", c + "Payload/a\x1b[2Jb"}}}, c + "Payload/a\xEF\xBF\xBD[2Jb",
         "its name holds control characters"},
        {"twice", all, {{{"name", c + "Info.plist"}, {"data", "second"}}}, c + "Info.plist",
         "the archive holds it twice"},
    };
    for (const Hostile& test : cases) {
        for (const std::string& form : test.forms) {
            json entries = pack_test::SoundEntries();
            for (const json& entry : test.entries) entries.push_back(entry);
            const std::string archive = scratch / ("hostile." + form);
            pack_test::MakeEntriesArchive(form, archive, entries);
            const PackOpening opening = OpenPack(archive);
            EXPECT_FALSE(opening.pack) << test.label << " " << form;
            EXPECT_FALSE(opening.cannotRun) << test.label;
            EXPECT_EQ(opening.error, archive + ": refused the entry \"" + test.entry + "\": " +
                                         test.reason + "; nothing was unpacked")
                << test.label << " " << form;
            EXPECT_TRUE(pack_test::FolderContents(tmp.path()).empty()) << test.label;
        }
    }
    // The sound part alone opens: the refusals above are for the entries added.
    pack_test::MakeEntriesArchive("tar", scratch / "sound.tar", pack_test::SoundEntries());
    EXPECT_TRUE(OpenPack(scratch / "sound.tar").pack);
}

// Names beyond ASCII open in every form, in this process's "C" locale too, where the archive
// library cannot turn a zip's UTF-8 names into the locale's characters by itself.
TEST_F(PackOpenTest, UnicodeNamesOpenInEveryForm) {
    const std::string c = "Unicode.pack/Contents/";
    for (const std::string form : {"tar", "tar.xz", "zip"}) {
        json entries = pack_test::SoundEntries("Unicode.pack/");
        entries.push_back({{"name", c + "Payload/Board/Caf\xC3\xA9.txt"}, {"data", "cafe"}});
        entries.push_back({{"name", c + "Payload/Board/\xE6\x97\xA5\xE6\x9C\xAC.txt"}, {"data", "nihon"}});
        const std::string archive = scratch / ("unicode." + form);
        pack_test::MakeEntriesArchive(form, archive, entries);
        const PackOpening opening = OpenPack(archive);
        ASSERT_TRUE(opening.pack) << form << ": " << opening.error;
        const std::string board = opening.pack->payloadPath + "/Board/";
        EXPECT_EQ(pack_test::FolderContents(board),
                  (std::vector<std::string>{"Caf\xC3\xA9.txt", "ReadMe.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt"}))
            << form;
    }
}

// A zip that states a tiny size for a large file: refused while unpacking, nothing left.
TEST_F(PackOpenTest, LyingSizesAreNeverUnpacked) {
    installer::ArchiveCaps caps;
    caps.fileBytes = 4096;
    caps.totalBytes = 6000;
    const std::string c = "Hostile.pack/Contents/";
    json entries = pack_test::SoundEntries();
    entries.push_back({{"name", c + "Payload/bomb"}, {"data", "z"}, {"repeat", 200000}, {"size", 10}});
    const std::string archive = scratch / "bomb.zip";
    pack_test::MakeEntriesArchive("zip", archive, entries);
    PackOpening opening = installer::OpenPackArchive(archive, caps);
    EXPECT_FALSE(opening.pack);
    EXPECT_EQ(opening.error, archive + ": the archive is damaged at \"" + c + "Payload/bomb\": " +
                                 "ZIP uncompressed data is wrong size (read 200000, expected 10)");
    EXPECT_TRUE(pack_test::FolderContents(tmp.path()).empty());

    entries = pack_test::SoundEntries();
    entries.push_back({{"name", c + "Payload/part"}, {"data", "p"}, {"repeat", 3000}, {"size", 3}});
    pack_test::MakeEntriesArchive("zip", archive, entries);
    opening = installer::OpenPackArchive(archive, caps);
    EXPECT_EQ(opening.error, archive + ": the archive is damaged at \"" + c + "Payload/part\": " +
                                 "ZIP uncompressed data is wrong size (read 3000, expected 3)");
    EXPECT_TRUE(pack_test::FolderContents(tmp.path()).empty());

    // Past what is held in memory to be written by another thread, the rest goes straight to
    // the file, however small the header says it is.
    entries = pack_test::SoundEntries();
    entries.push_back({{"name", c + "Payload/grown"}, {"data", "g"}, {"repeat", 3000000}, {"size", 10}});
    pack_test::MakeEntriesArchive("zip", archive, entries);
    opening = installer::OpenPackArchive(archive);
    EXPECT_EQ(opening.error, archive + ": the archive is damaged at \"" + c + "Payload/grown\": " +
                                 "ZIP uncompressed data is wrong size (read 3000000, expected 10)");
    EXPECT_TRUE(pack_test::FolderContents(tmp.path()).empty());
}

}  // namespace
