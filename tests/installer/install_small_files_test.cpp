// A pack of many small files is staged by two writers while the files are read and checked
// on one thread: every file must arrive with exactly its permissions whatever the umask, a
// file that grew past small since the listing is still copied whole, and a file that fails
// (a bad digest, a full disk in a writer) fails the install with the template folder as it was.
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "install_scene.h"
#include "installer/install/receipt.h"
#include "system/posix_calls.h"
#include "tree_snapshot.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using installer::InstallPayload;

constexpr int kFiles = 120;  // More than are flushed one by one, so the writers stage them.

std::string BrushPath(int i) { return "Brushes/Set " + std::to_string(i % 4) + "/Brush " + std::to_string(i); }

void WriteBrushes(const InstallScene& scene, const std::string& version) {
    for (int i = 0; i < kFiles; ++i) scene.payloadFile(BrushPath(i), version + " brush " + std::to_string(i));
}

TEST(InstallSmallFiles, EachKeepsItsPermissionsWhateverTheUmask) {
    InstallScene scene;
    WriteBrushes(scene, "1.0");
    const mode_t modes[] = {0644, 0600, 0755, 0664, 0640, 0200};
    for (int i = 0; i < kFiles; ++i) fs::permissions(scene.payload + "/" + BrushPath(i), fs::perms(modes[i % 6]));
    const mode_t previous = umask(077);
    const auto report = InstallPayload(scene.request());
    umask(previous);
    for (int i = 0; i < kFiles; ++i) fs::permissions(scene.payload + "/" + BrushPath(i), fs::perms(0644));
    ASSERT_TRUE(report.installed) << report.error;
    for (int i = 0; i < kFiles; ++i) {
        struct stat facts {};
        ASSERT_EQ(stat((scene.templateFolder + "/" + BrushPath(i)).c_str(), &facts), 0);
        EXPECT_EQ(facts.st_mode & 07777, modes[i % 6] | 0400) << BrushPath(i);
        EXPECT_EQ(scene.templateFile(BrushPath(i)), "1.0 brush " + std::to_string(i));
    }
}

TEST(InstallSmallFiles, OneThatGrewSinceTheListingIsCopiedWhole) {
    InstallScene scene;
    WriteBrushes(scene, "1.0");
    const std::string grown(2u << 20, 'g');
    auto request = scene.request();
    request.phaseReached = [&](std::string_view phase, std::size_t step) {
        if (phase == "stage" && step == 0) scene.payloadFile(BrushPath(77), grown);
    };
    const auto report = InstallPayload(request);
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_TRUE(scene.templateFile(BrushPath(77)) == grown);
    const auto receipt = installer::ReadReceipt(report.receiptPath);
    ASSERT_TRUE(receipt);
    for (const auto& file : receipt->files) EXPECT_EQ(file.sha256, Sha256Hex(scene.templateFile(file.path))) << file.path;
}

TEST(InstallSmallFiles, ABadDigestFailsTheInstallAndChangesNothing) {
    InstallScene scene;
    WriteBrushes(scene, "1.0");
    ASSERT_TRUE(InstallPayload(scene.request()).installed);
    WriteBrushes(scene, "1.1");
    std::map<std::string, std::string> digests;
    for (const auto& entry : fs::recursive_directory_iterator(scene.payload)) {
        if (entry.is_regular_file()) {
            digests[entry.path().lexically_relative(scene.payload).string()] = Sha256Hex(FileText(entry.path()));
        }
    }
    scene.payloadFile(BrushPath(90), "swapped after signing");
    const auto before = packgate_test::SnapshotTree(scene.templateFolder);
    auto request = scene.request("1.1");
    request.expectedSha256 = digests;
    const auto report = InstallPayload(request);
    EXPECT_FALSE(report.installed);
    EXPECT_NE(report.error.find(BrushPath(90)), std::string::npos) << report.error;
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder)), "");
}

// The writers run on their own threads, so the countdown to the failing write is shared.
std::atomic<int> gWritesLeft{-1};
platform::PosixCalls gReal;

ssize_t FillingWrite(int fd, const void* bytes, std::size_t count) {
    if (gWritesLeft.fetch_sub(1) == 0) return errno = ENOSPC, -1;
    return gReal.write(fd, bytes, count);
}

TEST(InstallSmallFiles, AFullDiskInAWriterFailsTheInstallAndChangesNothing) {
    for (const int failing : {0, 1, 40, kFiles - 1}) {
        SCOPED_TRACE(failing);
        InstallScene scene;
        WriteBrushes(scene, "1.0");
        ASSERT_TRUE(InstallPayload(scene.request()).installed);
        WriteBrushes(scene, "1.1");
        const auto before = packgate_test::SnapshotTree(scene.templateFolder);
        gReal = platform::Posix();
        platform::PosixCalls calls = gReal;
        calls.write = FillingWrite;
        gWritesLeft = failing;
        installer::InstallReport report;
        {
            const platform::ScopedPosixCalls scoped(calls);
            report = InstallPayload(scene.request("1.1"));
        }
        ASSERT_LT(gWritesLeft.load(), 0) << "the fault never struck";
        EXPECT_FALSE(report.installed);
        EXPECT_NE(report.error.find(std::strerror(ENOSPC)), std::string::npos) << report.error;
        EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder)), "");
        for (const auto& entry : fs::directory_iterator(scene.templateFolder)) {
            EXPECT_FALSE(entry.path().filename().string().starts_with(".packgate-")) << entry.path();
        }
    }
}

}  // namespace
}  // namespace installer_test
