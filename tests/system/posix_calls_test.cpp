#include "system/posix_calls.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "scratch_folder.h"
#include "system/file_read.h"

namespace {

using packgate_test::ScratchFolder;
using platform::Posix;
using platform::PosixCalls;
using platform::ReadRegularFile;
using platform::RealPosixCalls;
using platform::ScopedPosixCalls;
using platform::WriteAll;

// What the fake calls below do; reset by each test.
struct Faults {
    int interruptEvery = 0;     // Every n-th call fails with EINTR first (0: never).
    std::size_t chunk = 0;      // A write or read moves at most this many bytes (0: any).
    std::size_t failAfter = 0;  // After this many bytes the next call fails (0: never).
    int failErrno = 0;
    int calls = 0;
    std::size_t moved = 0;
};
Faults gFaults;

// Shared rules of the fake read and write: interrupt, fail, or the number of bytes to move.
ssize_t Plan(std::size_t count) {
    ++gFaults.calls;
    if (gFaults.interruptEvery > 0 && gFaults.calls % gFaults.interruptEvery == 1) {
        errno = EINTR;
        return -1;
    }
    if (gFaults.failErrno != 0 && gFaults.moved >= gFaults.failAfter) {
        errno = gFaults.failErrno;
        return -1;
    }
    std::size_t n = count;
    if (gFaults.chunk > 0 && n > gFaults.chunk) n = gFaults.chunk;
    if (gFaults.failErrno != 0 && gFaults.moved + n > gFaults.failAfter) {
        n = gFaults.failAfter - gFaults.moved;
    }
    return static_cast<ssize_t>(n);
}

ssize_t FakeWrite(int fd, const void* buffer, std::size_t count) {
    const ssize_t n = Plan(count);
    if (n <= 0) return n;
    const ssize_t written = ::write(fd, buffer, static_cast<std::size_t>(n));
    if (written > 0) gFaults.moved += static_cast<std::size_t>(written);
    return written;
}

ssize_t FakeRead(int fd, void* buffer, std::size_t count) {
    const ssize_t n = Plan(count);
    if (n < 0) return n;
    const ssize_t got = ::read(fd, buffer, static_cast<std::size_t>(n));
    if (got > 0) gFaults.moved += static_cast<std::size_t>(got);
    return got;
}

ssize_t ZeroWrite(int, const void*, std::size_t) {
    return 0;
}

class SeamFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        gFaults = Faults{};
        calls_.write = FakeWrite;
        calls_.read = FakeRead;
    }

    std::string FileText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::span<const std::uint8_t> Bytes(const std::string& text) {
        return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
    }

    ScratchFolder folder_;
    PosixCalls calls_ = RealPosixCalls();
};

TEST_F(SeamFaults, WriteAllGoesOnAfterShortAndInterruptedWrites) {
    gFaults.chunk = 3;
    gFaults.interruptEvery = 2;
    const std::string path = folder_ / "out";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::string text = "a line that takes many short writes\n";
    {
        const ScopedPosixCalls scoped(calls_);
        EXPECT_TRUE(WriteAll(fd, Bytes(text)));
    }
    ::close(fd);
    EXPECT_EQ(FileText(path), text);
    EXPECT_GT(gFaults.calls, 20);
}

TEST_F(SeamFaults, WriteAllReportsDiskFullPartWayThrough) {
    gFaults.failErrno = ENOSPC;
    gFaults.failAfter = 10;
    gFaults.chunk = 4;
    const std::string path = folder_ / "out";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    bool written = true;
    int error = 0;
    {
        const ScopedPosixCalls scoped(calls_);
        written = WriteAll(fd, Bytes("0123456789abcdefghij"));
        error = errno;
    }
    ::close(fd);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, ENOSPC);
    EXPECT_EQ(FileText(path), "0123456789");
}

TEST_F(SeamFaults, WriteAllGivesUpWhenNothingIsWritten) {
    calls_.write = ZeroWrite;
    const ScopedPosixCalls scoped(calls_);
    EXPECT_FALSE(WriteAll(STDERR_FILENO, Bytes("x")));
    EXPECT_EQ(errno, EIO);
}

TEST_F(SeamFaults, ReadRetriesInterruptedReads) {
    const std::string text(200000, 'q');
    const std::string path = folder_.Write("in", text);
    gFaults.interruptEvery = 2;
    gFaults.chunk = 7000;
    const ScopedPosixCalls scoped(calls_);
    const auto bytes = ReadRegularFile(path.c_str(), 1 << 20);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), text);
}

TEST_F(SeamFaults, ReadErrorPartWayReadsAsNothing) {
    const std::string path = folder_.Write("in", std::string(100000, 'q'));
    gFaults.failErrno = EIO;
    gFaults.failAfter = 70000;
    const ScopedPosixCalls scoped(calls_);
    EXPECT_FALSE(ReadRegularFile(path.c_str(), 1 << 20));
}

TEST_F(SeamFaults, ScopeRestoresTheRealCalls) {
    {
        const ScopedPosixCalls scoped(calls_);
        EXPECT_EQ(Posix().write, &FakeWrite);
    }
    EXPECT_NE(Posix().write, &FakeWrite);
    EXPECT_EQ(Posix().write, RealPosixCalls().write);
}

TEST(ReadRegularFile, HonoursTheSizeCapExactly) {
    const ScratchFolder folder;
    const std::string path = folder.Write("f", "12345");
    EXPECT_TRUE(ReadRegularFile(path.c_str(), 5));
    EXPECT_FALSE(ReadRegularFile(path.c_str(), 4));
    const std::string empty = folder.Write("empty", "");
    const auto bytes = ReadRegularFile(empty.c_str(), 0);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(bytes->empty());
}

TEST(ReadRegularFile, RefusesWhatIsNotARegularFile) {
    const ScratchFolder folder;
    EXPECT_FALSE(ReadRegularFile(folder.path().c_str(), 1024));
    const std::string fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadRegularFile(fifo.c_str(), 1024));  // Must not wait for a writer.
    EXPECT_FALSE(ReadRegularFile((folder / "missing").c_str(), 1024));
    EXPECT_FALSE(ReadRegularFile("", 1024));
    EXPECT_FALSE(ReadRegularFile(nullptr, 1024));
}

}  // namespace
