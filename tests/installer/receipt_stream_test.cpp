// Reading a receipt one entry at a time: it must agree with the whole-file reader on every
// receipt the install writes, refuse what is not a receipt, and verify an install whatever
// order the receipt's keys come in.

#include <vector>

#include <gtest/gtest.h>

#include "fake_machine.h"
#include "install_scene.h"
#include "installer/install/receipt.h"
#include "installer/install/receipt_check.h"
#include "installer/install/receipt_stream.h"
#include "scratch_folder.h"

namespace installer_test {
namespace {

using installer::ReadReceiptStreaming;
using installer::Receipt;
using installer::ReceiptFile;
using packgate_test::FakeMachine;

std::vector<ReceiptFile> Streamed(const std::string& path, std::optional<Receipt>& head) {
    std::vector<ReceiptFile> files;
    head = ReadReceiptStreaming(path, [&](const ReceiptFile& file) { files.push_back(file); });
    return files;
}

TEST(ReceiptStream, AgreesWithTheWholeReaderOnWrittenReceipts) {
    packgate_test::ScratchFolder scratch{"pg-receipt-stream"};
    Receipt written;
    written.identifier = "com.velmora.pack.x";
    written.version = "2.1";
    written.packTitle = "Brushes & <Inks> \"for\" ü";
    written.hostTitle = "Quillet";
    written.destination = "/home/u/Templates";
    written.signerKeyId = "0123456789abcdef";
    written.createdFolders = {"Set", "Set/Inner"};
    written.files = {{"Set/a & b.qtpl", 0, std::string(64, 'a')},
                     {"Set/Inner/line\nbreak <x>.qtpl", 123456789012ull, std::string(64, 'b')}};
    for (unsigned i = 0; i < 300; ++i) written.files.push_back({"Set/" + std::to_string(i), 4096ull + i, "c"});
    const std::string path = scratch / "r.plist";
    ASSERT_EQ(installer::WriteReceipt(written, path), "");
    const auto whole = installer::ReadReceipt(path);
    ASSERT_TRUE(whole);

    std::optional<Receipt> head;
    const std::vector<ReceiptFile> files = Streamed(path, head);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->identifier, whole->identifier);
    EXPECT_EQ(head->version, whole->version);
    EXPECT_EQ(head->packTitle, whole->packTitle);
    EXPECT_EQ(head->destination, whole->destination);
    EXPECT_EQ(head->signerKeyId, whole->signerKeyId);
    EXPECT_EQ(head->createdFolders, whole->createdFolders);
    EXPECT_TRUE(head->files.empty());
    ASSERT_EQ(files.size(), whole->files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].path, whole->files[i].path);
        EXPECT_EQ(files[i].size, whole->files[i].size);
        EXPECT_EQ(files[i].sha256, whole->files[i].sha256);
    }
}

TEST(ReceiptStream, WhatIsNoReceiptReadsAsNothing) {
    packgate_test::ScratchFolder scratch{"pg-receipt-stream"};
    const std::string head = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                             "<key>Identifier</key><string>x</string><key>Destination</key><string>/d</string>";
    const std::string file = "<dict><key>Path</key><string>a</string><key>Size</key><integer>1</integer></dict>";
    const std::string tail = "</dict></plist>";
    // The well-formed one first: the others each spoil one thing of it.
    const std::vector<std::string> texts{
        head + "<key>Files</key><array>" + file + "</array>" + tail,
        head + tail,                                                            // No Files.
        head + "<key>Files</key><dict/>" + tail,                                // Not a list.
        head + "<key>Files</key><array><string>a</string></array>" + tail,      // Entry not a dict.
        head + "<key>Files</key><array><dict><key>Path</key><string>a</string>"
               "<key>Size</key><integer>-1</integer></dict></array>" + tail,    // Negative size.
        head + "<key>Files</key><array><dict><key>Path</key><string>a</string>"
               "<key>Size</key><string>1</string></dict></array>" + tail,       // Size as text.
        head + "<key>Files</key><array><dict><key>Size</key><integer>1</integer></dict></array>" + tail,
        head + "<key>Files</key><array>" + file,                                 // Cut short.
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Identifier</key><string>x</string>"
        "<key>Files</key><array/></dict></plist>",                              // No destination.
        "bplist00 not xml",
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string path = scratch / ("r" + std::to_string(i));
        FakeMachine::writeText(path, texts[i]);
        EXPECT_EQ(ReadReceiptStreaming(path, {}).has_value(), i == 0) << texts[i];
    }
    EXPECT_FALSE(ReadReceiptStreaming(scratch / "missing", {}));
}

// Files listed before the destination is named: every file is still checked against the
// destination's copy.
TEST(ReceiptStream, VerifiesFilesListedBeforeTheDestination) {
    packgate_test::ScratchFolder scratch{"pg-receipt-stream"};
    const std::string destination = scratch / "Templates";
    FakeMachine::writeText(destination + "/same.qtpl", "same\n");
    FakeMachine::writeText(destination + "/Set/changed.qtpl", "changed\n");
    auto entry = [](const std::string& path, const std::string& bytes) {
        return "<dict><key>Path</key><string>" + path + "</string><key>SHA256</key><string>" +
               Sha256Hex(bytes) + "</string><key>Size</key><integer>" + std::to_string(bytes.size()) +
               "</integer></dict>";
    };
    const std::string path = scratch / "r.plist";
    FakeMachine::writeText(path, "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n"
                                 "<key>Files</key>\n<array>\n" +
                                     entry("same.qtpl", "same\n") + entry("Set/changed.qtpl", "as installed\n") +
                                     entry("gone.qtpl", "gone\n") +
                                     "</array>\n<key>Identifier</key><string>x</string>\n"
                                     "<key>Destination</key><string>" + destination +
                                     "</string>\n</dict>\n</plist>\n");
    const auto checked = installer::VerifyReceiptAt(path);
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->files, 3u);
    EXPECT_EQ(checked->check.missing, std::vector<std::string>{"gone.qtpl"});
    EXPECT_EQ(checked->check.changed, std::vector<std::string>{"Set/changed.qtpl"});
}

}  // namespace
}  // namespace installer_test
