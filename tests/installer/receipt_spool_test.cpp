// A receipt written from its spooled list of files must have exactly the bytes the whole-tree
// writer gives for the same files, whatever the names hold and wherever a digest filled in
// late lies (still held back, or already on disk).

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "installer/install/receipt.h"
#include "installer/install/receipt_spool.h"
#include "scratch_folder.h"

namespace installer_test {
namespace {

using installer::Receipt;
using installer::ReceiptFile;
using installer::ReceiptSpool;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Digest(std::size_t i) {
    std::string hex = std::to_string(i);
    return std::string(64 - hex.size(), 'a') + hex;
}

Receipt Head() {
    Receipt receipt;
    receipt.identifier = "com.velmora.pack.spool";
    receipt.version = "2.1";
    receipt.packTitle = "Spool & <Sons>";
    receipt.hostTitle = "Quillet";
    receipt.hostKind = "Store";
    receipt.hostPath = "/Applications/Quillet.app";
    receipt.destination = "/tmp/Templates";
    receipt.createdFolders = {"Brushes", "Brushes/Ink"};
    receipt.installedAt = 812345678.0;
    receipt.signerKeyId = "0123456789ABCDEF";
    return receipt;
}

class SpoolFolder : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = ::open(scratch_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(folder_, 0);
        ASSERT_TRUE(spool_.open(folder_));
    }
    void TearDown() override { ::close(folder_); }

    // The receipt written from the spool, and the one the whole-tree writer gives for `files`.
    void ExpectSameBytes(Receipt receipt, const std::vector<ReceiptFile>& files) {
        ASSERT_EQ(installer::WriteReceiptFrom(receipt, spool_, scratch_ / "spooled.plist"), "");
        receipt.files = files;
        ASSERT_EQ(installer::WriteReceipt(receipt, scratch_ / "whole.plist"), "");
        EXPECT_EQ(Contents(scratch_ / "spooled.plist"), Contents(scratch_ / "whole.plist"));
        EXPECT_EQ(spool_.count(), files.size());
    }

    packgate_test::ScratchFolder scratch_{"receipt-spool"};
    int folder_ = -1;
    ReceiptSpool spool_;
};

TEST_F(SpoolFolder, LeavesNoNameInItsFolder) {
    EXPECT_EQ(::faccessat(folder_, "receipt-files", F_OK, AT_SYMLINK_NOFOLLOW), -1);
}

TEST_F(SpoolFolder, WritesTheWholeWritersBytesWithoutFiles) {
    ExpectSameBytes(Head(), {});
    Receipt bare = Head();
    bare.signerKeyId.clear();
    bare.createdFolders.clear();
    ExpectSameBytes(bare, {});
}

TEST_F(SpoolFolder, WritesTheWholeWritersBytesForNamesThatNeedEscaping) {
    const std::vector<ReceiptFile> files{
        {"Brushes/Ink & Wash <soft>.qtpl", 12, Digest(1)},
        {"Brushes/line\rbreak>.qtpl", 0, Digest(2)},
        {"Brushes/\xE6\xB0\xB4\xE5\xBD\xA9 \"quoted\" 'single'.qtpl", 9007199254740993ull, Digest(3)},
    };
    for (const ReceiptFile& file : files) ASSERT_TRUE(spool_.add(file));
    ExpectSameBytes(Head(), files);
}

TEST_F(SpoolFolder, FillsLateDigestsHeldBackAndOnDisk) {
    std::vector<ReceiptFile> files;
    std::vector<std::pair<std::uint64_t, std::size_t>> late;
    // Enough entries that the first ones are on disk before their digests come.
    for (std::size_t i = 0; i < 3000; ++i) {
        files.push_back({"Brushes/Set " + std::to_string(i / 100) + "/Brush " + std::to_string(i) + ".qtpl",
                         i * 4096, Digest(i)});
        const bool pending = i % 7 == 0;
        const auto at = spool_.add(pending ? ReceiptFile{files.back().path, files.back().size, ""} : files.back(),
                                   pending);
        ASSERT_TRUE(at);
        if (pending) late.emplace_back(*at, i);
    }
    for (const auto& [at, i] : late) ASSERT_TRUE(spool_.setDigest(at, files[i].sha256));
    EXPECT_EQ(spool_.fileBytes(), 4096ull * (2999ull * 3000ull / 2));
    ExpectSameBytes(Head(), files);
}

TEST_F(SpoolFolder, RefusesWhatTheReceiptCannotHold) {
    errno = 0;
    EXPECT_FALSE(spool_.add({"Brushes/bell\x07.qtpl", 1, Digest(1)}));
    EXPECT_EQ(errno, EILSEQ);
    EXPECT_FALSE(spool_.add({"Brushes/half\xE6\xB0.qtpl", 1, Digest(1)}));
    const auto at = spool_.add({"Brushes/late.qtpl", 1, ""}, true);
    ASSERT_TRUE(at);
    EXPECT_FALSE(spool_.setDigest(*at, "not a digest"));
    EXPECT_FALSE(spool_.setDigest(*at, std::string(64, 'G')));
    EXPECT_EQ(spool_.count(), 1u);
}

TEST_F(SpoolFolder, CopiesAReceiptByteForByte) {
    ASSERT_TRUE(spool_.add({"Brushes/one.qtpl", 3, Digest(1)}));
    ASSERT_EQ(installer::WriteReceiptFrom(Head(), spool_, scratch_ / "a.plist"), "");
    ASSERT_EQ(installer::CopyReceiptFile(scratch_ / "a.plist", scratch_ / "deeper/still/b.plist"), "");
    EXPECT_EQ(Contents(scratch_ / "deeper/still/b.plist"), Contents(scratch_ / "a.plist"));
    const auto read = installer::ReadReceipt(scratch_ / "deeper/still/b.plist");
    ASSERT_TRUE(read);
    ASSERT_EQ(read->files.size(), 1u);
    EXPECT_EQ(read->files[0].sha256, Digest(1));
    EXPECT_NE(installer::CopyReceiptFile(scratch_ / "missing.plist", scratch_ / "c.plist"), "");
}

}  // namespace
}  // namespace installer_test
