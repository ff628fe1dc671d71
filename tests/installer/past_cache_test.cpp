// Big unpacked files go past the page cache both ways: written by DirectFileWriter, read for
// their digest by DigestOfFileAt(..., pastCache). Every file must come out whole whatever the
// pieces it arrives in, and where the file system refuses direct access (at the open, or at
// a write or read part way) the rest goes through the cache with nothing lost. Digests are
// checked against OpenSSL's one-shot SHA-256.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "install_scene.h"
#include "installer/install/file_digest.h"
#include "installer/pack/direct_file_writer.h"
#include "scratch_folder.h"
#include "system/posix_calls.h"

namespace {

using installer::DigestOfFileAt;
using installer::DirectFileWriter;
using installer_test::FileText;
using installer_test::Sha256Hex;

constexpr std::size_t kMiB = 1u << 20;

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator());
    return bytes;
}

bool WriteInPieces(DirectFileWriter& writer, const std::string& bytes, std::size_t piece) {
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        if (!writer.write(bytes.data() + at, std::min(piece, bytes.size() - at))) return false;
    }
    return writer.finish();
}

// Whether this folder's file system takes direct access at all, so a test can tell that
// the direct path really ran.
bool TakesDirectAccess(const std::string& folder) {
    const std::string probe = folder + "/probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_DIRECT, 0600);
    if (fd >= 0) close(fd);
    unlink(probe.c_str());
    return fd >= 0;
}

struct Digest {
    std::string sha256;
    unsigned long long size = 0;
};

Digest DigestPastCache(const std::string& folder, const std::string& name) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    const auto digest = DigestOfFileAt(fd, name, true);
    close(fd);
    return digest ? Digest{digest->sha256, digest->size} : Digest{};
}

TEST(PastCache, BigFilesComeOutWholeWhateverThePieces) {
    packgate_test::ScratchFolder scratch("pg-direct");
    const bool direct = TakesDirectAccess(scratch.path());
    const std::size_t sizes[] = {kMiB + 1, 2 * kMiB, 3 * kMiB + 4095, 4 * kMiB + 4096 + 7};
    const std::size_t pieces[] = {4097, 65536, kMiB + 3, 5 * kMiB};
    int file = 0;
    for (const std::size_t size : sizes) {
        for (const std::size_t piece : pieces) {
            SCOPED_TRACE("size " + std::to_string(size) + ", pieces of " + std::to_string(piece));
            const std::string bytes = RandomBytes(size, static_cast<unsigned>(size + piece));
            const std::string name = "f" + std::to_string(file++);
            DirectFileWriter writer;
            ASSERT_TRUE(writer.create(scratch / name, 0640));
            EXPECT_EQ(writer.direct(), direct);
            ASSERT_TRUE(WriteInPieces(writer, bytes, piece));
            EXPECT_TRUE(FileText(scratch / name) == bytes);
            struct stat facts {};
            ASSERT_EQ(stat((scratch / name).c_str(), &facts), 0);
            EXPECT_EQ(facts.st_mode & 07777, 0640u);
            const Digest digest = DigestPastCache(scratch.path(), name);
            EXPECT_EQ(digest.sha256, Sha256Hex(bytes));
            EXPECT_EQ(digest.size, size);
        }
    }
}

TEST(PastCache, AnExistingFileOrALinkIsNeverWrittenThrough) {
    packgate_test::ScratchFolder scratch("pg-direct");
    scratch.Write("there", "kept");
    ASSERT_EQ(symlink((scratch / "there").c_str(), (scratch / "link").c_str()), 0);
    for (const char* name : {"there", "link"}) {
        DirectFileWriter writer;
        EXPECT_FALSE(writer.create(scratch / name, 0600));
        EXPECT_EQ(errno, EEXIST);
    }
    EXPECT_EQ(FileText(scratch / "there"), "kept");
}

// The seam's faults: direct access refused at the open or after some writes or reads, a
// short direct write, or a disk that fills. Only calls on files opened with O_DIRECT are
// touched, unless `diskFullAfter` is set.
struct Refusals {
    bool atOpen = false;
    int directWritesBefore = -1;  // Direct writes that succeed before the refusals start.
    int directReadsBefore = -1;
    bool shortDirectWrite = false;
    long long diskFullAfter = -1;  // Bytes written before ENOSPC.
    long long written = 0;
};
Refusals gRefusals;

bool IsDirect(int fd) { return (fcntl(fd, F_GETFL) & O_DIRECT) != 0; }

int RefusingOpen(const char* path, int flags, mode_t mode) {
    if (gRefusals.atOpen && (flags & O_DIRECT) != 0) return errno = EINVAL, -1;
    return platform::RealPosixCalls().open(path, flags, mode);
}

int RefusingOpenAt(int folder, const char* name, int flags, mode_t mode) {
    if (gRefusals.atOpen && (flags & O_DIRECT) != 0) return errno = EINVAL, -1;
    return platform::RealPosixCalls().openat(folder, name, flags, mode);
}

ssize_t RefusingWrite(int fd, const void* bytes, std::size_t count) {
    if (gRefusals.diskFullAfter >= 0 && gRefusals.written >= gRefusals.diskFullAfter) return errno = ENOSPC, -1;
    if (IsDirect(fd)) {
        if (gRefusals.directWritesBefore == 0) return errno = EINVAL, -1;
        if (gRefusals.directWritesBefore > 0) --gRefusals.directWritesBefore;
        if (gRefusals.shortDirectWrite && count > 100) count -= 100;
    }
    const ssize_t wrote = platform::RealPosixCalls().write(fd, bytes, count);
    if (wrote > 0) gRefusals.written += wrote;
    return wrote;
}

ssize_t RefusingRead(int fd, void* bytes, std::size_t count) {
    if (IsDirect(fd) && gRefusals.directReadsBefore == 0) return errno = EINVAL, -1;
    if (IsDirect(fd) && gRefusals.directReadsBefore > 0) --gRefusals.directReadsBefore;
    return platform::RealPosixCalls().read(fd, bytes, count);
}

platform::PosixCalls RefusingCalls(const Refusals& refusals) {
    gRefusals = refusals;
    platform::PosixCalls calls = platform::RealPosixCalls();
    calls.open = RefusingOpen;
    calls.openat = RefusingOpenAt;
    calls.write = RefusingWrite;
    calls.read = RefusingRead;
    return calls;
}

TEST(PastCache, WhatTheFileSystemRefusesGoesThroughTheCacheWithNothingLost) {
    packgate_test::ScratchFolder scratch("pg-direct");
    const std::string bytes = RandomBytes(3 * kMiB + 5000, 7);
    const std::string sha256 = Sha256Hex(bytes);
    struct Case {
        const char* what;
        Refusals refusals;
    };
    const Case cases[] = {
        {"refused at the open", {.atOpen = true}},
        {"refused at the first write", {.directWritesBefore = 0, .directReadsBefore = 0}},
        {"refused after two writes and a read", {.directWritesBefore = 2, .directReadsBefore = 1}},
        {"a short direct write", {.shortDirectWrite = true}},
    };
    int file = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const std::string name = "f" + std::to_string(file++);
        const platform::ScopedPosixCalls scoped(RefusingCalls(test.refusals));
        DirectFileWriter writer;
        ASSERT_TRUE(writer.create(scratch / name, 0600));
        ASSERT_TRUE(WriteInPieces(writer, bytes, 65536));
        EXPECT_FALSE(writer.direct());
        EXPECT_TRUE(FileText(scratch / name) == bytes);
        const Digest digest = DigestPastCache(scratch.path(), name);
        EXPECT_EQ(digest.sha256, sha256);
        EXPECT_EQ(digest.size, bytes.size());
    }
}

TEST(PastCache, AFullDiskFailsTheFileWithItsError) {
    packgate_test::ScratchFolder scratch("pg-direct");
    const std::string bytes = RandomBytes(2 * kMiB + 10, 9);
    // Full in the body, and full with only the tail (which goes through the cache) left.
    for (const long long room : {static_cast<long long>(kMiB / 2), static_cast<long long>(2 * kMiB)}) {
        SCOPED_TRACE(room);
        const std::string path = scratch / ("f" + std::to_string(room));
        const platform::ScopedPosixCalls scoped(RefusingCalls({.diskFullAfter = room}));
        DirectFileWriter writer;
        ASSERT_TRUE(writer.create(path, 0600));
        errno = 0;
        EXPECT_FALSE(WriteInPieces(writer, bytes, 65536));
        EXPECT_EQ(errno, ENOSPC);
    }
}

}  // namespace
