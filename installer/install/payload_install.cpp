#include "installer/install/payload_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "installer/install/file_digest.h"
#include "installer/install/folder_handle.h"
#include "installer/install/receipt.h"
#include "installer/install/receipt_spool.h"
#include "installer/install/receipt_stream.h"
#include "installer/install/size_text.h"
#include "installer/install/stage_journal.h"
#include "installer/install/staged_copy.h"
#include "installer/install/stale_stages.h"
#include "installer/pack/direct_file_writer.h"
#include "installer/pack/payload_listing.h"
#include "installer/pack/small_file_writers.h"
#include "installer/words/words.h"
#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.
#include "installer/install/relative_path.h"

namespace installer {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kProgressEvery = 4u << 20;
// Progress is told at least this often, so that a file that is slow to make (a busy disk
// can hold one up for tens of milliseconds) still leaves the person waiting no gap over
// a tenth of a second.
constexpr auto kProgressPause = std::chrono::milliseconds(50);
constexpr std::uint64_t kRoomPerEntry = 4096;  // A folder entry and an inode, roughly.
// A few files are flushed each by itself (the big ones several at once, so the disk works on
// them together); more, with one flush of the file system, which costs one wait on the disk
// instead of one per file.
constexpr std::uint64_t kOwnFlushBytes = 1u << 20;
constexpr std::size_t kFlushEachUpTo = 64;
constexpr std::size_t kFlushers = 8;
// Writers of a pack's small files, when there are many (the same as an archive's unpack).
constexpr std::size_t kSmallFileWriters = 2;
constexpr std::size_t kSmallFileQueueBytes = 4u << 20;
// Big files' digests are read back by this many threads beside the flush.
constexpr std::size_t kDigestReaders = 2;

std::string Reason(int error) {
    return std::strerror(error);
}

std::vector<std::string> Names(const std::string& relative) {
    return relative.empty() ? std::vector<std::string>{} : PathNames(relative);
}

// Whether `relative` lies below one of `folders` (which moves, whole, with it).
bool BelowAny(const std::set<std::string>& folders, const std::string& relative) {
    if (folders.empty()) return false;
    for (std::string above = ParentPath(relative); !above.empty(); above = ParentPath(above)) {
        if (folders.count(above) != 0) return true;
    }
    return false;
}

// The open folder `relative` below a base, kept while the next files share it (the listing
// is in name order, so they mostly do).
class FolderCache {
  public:
    explicit FolderCache(const FolderHandle& base) : base_(base) {}
    const FolderHandle& at(const std::string& relative) {
        if (!open_ || relative != path_) {
            handle_ = OpenBelow(base_.fd(), Names(relative), false);
            path_ = relative;
            open_ = handle_.valid();
        }
        return handle_;
    }

  private:
    const FolderHandle& base_;
    FolderHandle handle_;
    std::string path_;
    bool open_ = false;
};

class PayloadInstaller {
  public:
    explicit PayloadInstaller(const InstallRequest& request) : request_(request) {}

    InstallReport run();

  private:
    bool fail(std::string_view key, const std::string& path, int error);
    bool failText(std::string text);
    bool prepare();
    bool checkVersion();
    bool checkSpace();
    bool makeStage();
    bool stageAll();
    bool checkDigest(const PayloadFile& entry, const std::string& sha256);
    bool isSignedDigest(const std::string& relative, const std::string& sha256) const;
    std::optional<std::size_t> digestStaged(std::size_t first, std::size_t stride);
    bool mayTake(const struct stat& info) const;
    bool mayTakeFolder(std::size_t index) const;
    std::optional<bool> take(std::size_t index, int from, const struct stat& info, int fromFolder,
                             int toFolder);
    std::optional<bool> takeFolder(std::size_t index, int fromFolder, int toFolder);
    bool adoptTaken(std::size_t index, int fd, const struct stat& staged);
    bool checkTakenFile(std::size_t index, const FolderHandle& stagedParent);
    bool takenFoldersHoldOnlyTheListed();
    std::optional<bool> queueSmallFile(std::size_t index, int from, SmallFileWriters& writers);
    bool writersDone(SmallFileWriters& writers);
    void giveBack();
    // `current`: the staged file's mode when known (0 when not), so a change that changes
    // nothing is not made.
    bool finishStagedFile(int to, const PayloadFile& entry, mode_t current = 0);
    bool listFile(std::size_t index, const ReceiptFile& file, bool digestPending);
    bool flushStage();
    bool flushEverything();
    int flushStagedFile(const std::string& relative) const;
    bool destinationUnchanged();
    bool planMoves();
    bool planEntry(const PayloadFile& entry, std::set<std::string>& movedFolders);
    bool planDropped();
    std::optional<bool> isStagedFile(const std::string& relative) const;
    bool writeJournal();
    bool commitAll();
    bool commitMove(const StagedMove& move);
    bool markCommitted();
    bool writeReceipt();
    void makeReceipt();
    void rollBack();
    void removeStage();
    void tell(const std::string& current);
    void tellWhenDue(const std::string& current);
    void phase(std::string_view name, std::size_t step = 0) const;
    void reading(const std::function<void()>& read) const;
    std::string destinationPath(const std::string& relative) const;
    std::string stagePath() const { return destinationPath(stageName_); }

    const InstallRequest& request_;
    InstallReport report_;
    PayloadListing listing_;
    FolderHandle payload_;
    FolderHandle destination_;
    struct stat destinationInfo_ {};
    std::optional<Receipt> earlier_;
    std::string receiptPath_;
    std::string stageName_;
    FolderHandle stage_;
    FolderHandle stagedNew_;
    FolderHandle stagedOld_;
    std::vector<std::string> stagedFolders_;
    std::vector<std::string> ownFlush_;  // Staged files flushed one by one.
    bool flushEach_ = true;
    std::vector<StagedMove> moves_;
    std::vector<std::string> createdFolders_;
    std::set<std::string> touchedFolders_;
    // The receipt's list of files, kept on disk as files are staged.
    ReceiptSpool spool_;
    bool receiptUnwritable_ = false;  // A path XML cannot hold: no receipt can be written.
    std::mutex spoolMutex_;            // The digest readers fill in the spool side by side.
    int spoolError_ = 0;               // Why a late digest could not go into the spool.
    Receipt receipt_;
    // Big files copied in the kernel and files moved from the payload, whose digests are read
    // back from staging.
    struct LaterDigest {
        std::size_t index = 0;  // In the listing.
        std::uint64_t size = 0;
        std::uint64_t spoolAt = 0;
    };
    std::vector<LaterDigest> digestLater_;
    std::vector<bool> taken_;  // By listing position: moved from the payload, not copied.
    // Folders moved whole from the payload, and below them every folder with how many
    // entries the listing gives it (checked once all are staged).
    std::set<std::string> takenFolders_;
    std::map<std::string, std::size_t> takenChildren_;
    bool journaled_ = false;
    const uid_t writer_ = ::geteuid();  // Asked once: every staged file is checked against it.
    InstallProgress progress_;
    std::uint64_t lastToldBytes_ = 0;
    Clock::time_point lastTold_ = Clock::now();
};

bool PayloadInstaller::failText(std::string text) {
    if (report_.error.empty()) report_.error = std::move(text);
    return false;
}

bool PayloadInstaller::fail(std::string_view key, const std::string& path, int error) {
    return failText(Words::ForUser().text(key, {{"path", path}, {"reason", Reason(error)}}));
}

std::string PayloadInstaller::destinationPath(const std::string& relative) const {
    return relative.empty() ? request_.destination : request_.destination + "/" + relative;
}

void PayloadInstaller::tell(const std::string& current) {
    progress_.currentFile = current;
    lastToldBytes_ = progress_.bytesDone;
    lastTold_ = Clock::now();
    if (request_.progress) request_.progress(progress_);
}

void PayloadInstaller::tellWhenDue(const std::string& current) {
    if (progress_.bytesDone - lastToldBytes_ >= kProgressEvery || Clock::now() - lastTold_ >= kProgressPause) {
        tell(current);
    }
}

void PayloadInstaller::phase(std::string_view name, std::size_t step) const {
    if (request_.phaseReached) request_.phaseReached(name, step);
}

void PayloadInstaller::reading(const std::function<void()>& read) const {
    if (request_.asPayloadReader) {
        request_.asPayloadReader(read);
    } else {
        read();
    }
}

bool PayloadInstaller::prepare() {
    if (!IsReceiptIdentifier(request_.pack.identifier)) {
        return failText(Words::ForUser().text("install.error.identifier",
                                              {{"identifier", request_.pack.identifier}}));
    }
    int payloadError = 0;
    reading([&] {
        listing_ = ListPayload(request_.payloadPath);
        payload_ = FolderHandle(platform::OpenRetrying(request_.payloadPath.c_str(),
                                                       O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        payloadError = errno;
    });
    if (!listing_.error.empty()) return failText(listing_.error);
    if (!payload_.valid()) return fail("install.error.read", request_.payloadPath, payloadError);
    std::size_t smallFiles = 0;
    for (const PayloadFile& entry : listing_.files) {
        if (entry.folder()) continue;
        ++progress_.filesTotal;
        if (entry.size < kOwnFlushBytes) ++smallFiles;
    }
    flushEach_ = smallFiles <= kFlushEachUpTo && progress_.filesTotal - smallFiles <= kFlushEachUpTo / 8;
    progress_.bytesTotal = listing_.totalBytes;
    destination_ = OpenFolderNoFollow(request_.destination);
    if (!destination_.valid()) return fail("install.error.destination", request_.destination, errno);
    if (platform::Posix().fstat(destination_.fd(), &destinationInfo_) != 0) {
        return fail("install.error.destination", request_.destination, errno);
    }
    SweepAbandonedStages({destination_.fd(), request_.destination, request_.home});
    receiptPath_ = ReceiptPathFor(request_.home, request_.pack.identifier, request_.destination);
    earlier_ = ReadReceiptStreaming(receiptPath_, {});
    return true;
}

bool PayloadInstaller::checkVersion() {
    if (!earlier_ || CompareVersions(request_.pack.version, earlier_->version) >= 0) return true;
    if (request_.allowDowngrade) return true;
    const Words& words = Words::ForUser();
    const WordFields fields{{"pack", request_.pack.title},
                            {"version", request_.pack.version},
                            {"installed", earlier_->version},
                            {"path", request_.destination}};
    if (request_.confirm && request_.confirm(words.text("install.ask.downgrade", fields))) {
        return true;
    }
    return failText(words.text("install.error.downgrade", fields));
}

bool PayloadInstaller::checkSpace() {
    struct statvfs info {};
    if (platform::Posix().fstatvfs(destination_.fd(), &info) != 0) {
        return fail("install.error.destination", request_.destination, errno);
    }
    const std::uint64_t free = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    const std::uint64_t needed = listing_.totalBytes + kRoomPerEntry * listing_.files.size();
    if (free >= needed) return true;
    return failText(Words::ForUser().text(
        "install.error.space",
        {{"path", request_.destination}, {"needed", SizeText(needed)}, {"free", SizeText(free)}}));
}

bool PayloadInstaller::makeStage() {
    const auto& posix = platform::Posix();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = kStagePrefix + std::to_string(::getpid());
        if (attempt > 0) name += "-" + std::to_string(attempt);
        if (posix.mkdirat(destination_.fd(), name.c_str(), 0700) == 0) {
            stageName_ = name;
            break;
        }
        if (errno != EEXIST) return fail("install.error.write", destinationPath(name), errno);
    }
    if (stageName_.empty()) return fail("install.error.write", request_.destination, EEXIST);
    stage_ = OpenBelow(destination_.fd(), {stageName_}, false);
    if (!stage_.valid()) return fail("install.error.write", stagePath(), errno);
    // Taken before anything is staged, so no other run's sweep mistakes this folder for one
    // abandoned.
    LockStage(stage_.fd());
    for (const char* part : {kStagedNew, kStagedOld}) {
        if (posix.mkdirat(stage_.fd(), part, 0700) != 0) {
            return fail("install.error.write", stagePath() + "/" + part, errno);
        }
    }
    if (!spool_.open(stage_.fd())) return fail("install.error.write", stagePath(), errno);
    stagedNew_ = OpenBelow(stage_.fd(), {kStagedNew}, false);
    stagedOld_ = OpenBelow(stage_.fd(), {kStagedOld}, false);
    if (!stagedNew_.valid() || !stagedOld_.valid()) {
        return fail("install.error.write", stagePath(), errno);
    }
    return true;
}

bool PayloadInstaller::isSignedDigest(const std::string& relative, const std::string& sha256) const {
    if (!request_.expectedSha256) return true;
    const auto expected = request_.expectedSha256->find(relative);
    return expected != request_.expectedSha256->end() && expected->second == sha256;
}

bool PayloadInstaller::checkDigest(const PayloadFile& entry, const std::string& sha256) {
    if (isSignedDigest(entry.relativePath, sha256)) return true;
    return failText(Words::ForUser().text(
        "install.error.digest", {{"path", request_.payloadPath + "/" + entry.relativePath}}));
}

bool PayloadInstaller::mayTake(const struct stat& info) const {
    return request_.payloadIsOwn && info.st_uid == writer_ && info.st_nlink == 1 &&
           info.st_dev == destinationInfo_.st_dev;
}

// Moves the payload file open as `from` (named like the entry in `fromFolder`) into
// `toFolder`, and the staged name must lead to that same file afterwards. A small file's
// digest is taken from the open file and checked first; a big one's is read back from staging
// beside the flush, so its bytes are read once and the hashing overlaps the disk's work. Either
// way nothing is committed before the digest of what is staged was checked.
// Nothing when the two folders turn out to be on different mounts: the file is then copied.
std::optional<bool> PayloadInstaller::take(std::size_t index, int from, const struct stat& info, int fromFolder,
                            int toFolder) {
    const PayloadFile& entry = listing_.files[index];
    const std::string leaf = LeafName(entry.relativePath);
    const auto& posix = platform::Posix();
    if (posix.renameat(fromFolder, leaf.c_str(), toFolder, leaf.c_str()) != 0) {
        if (errno == EXDEV) return std::nullopt;
        return fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    taken_[index] = true;
    struct stat staged {};
    if (posix.fstatat(toFolder, leaf.c_str(), &staged, AT_SYMLINK_NOFOLLOW) != 0 ||
        staged.st_ino != info.st_ino || staged.st_dev != info.st_dev) {
        return fail("install.error.write", destinationPath(entry.relativePath), EBUSY);
    }
    return adoptTaken(index, from, staged);
}

// A file now in staging, open as `fd`, that was moved there from the payload (by itself or
// with its folder). Its digest is read back beside the flush, which mostly waits on the disk:
// the hashing takes processors the flush leaves idle, and the bytes, just unpacked by this
// run, are read from memory. Nothing is committed before it is checked.
bool PayloadInstaller::adoptTaken(std::size_t index, int fd, const struct stat& staged) {
    const PayloadFile& entry = listing_.files[index];
    if (!finishStagedFile(fd, entry, staged.st_mode)) return false;
    const auto size = static_cast<std::uint64_t>(staged.st_size);
    progress_.bytesDone += size;
    return listFile(index, {entry.relativePath, size, ""}, true);
}

// Whether the payload folder at `index` may move into staging whole: every entry below it,
// as listed, is the writer's, and no file has a second name that would let it change later.
bool PayloadInstaller::mayTakeFolder(std::size_t index) const {
    const PayloadFile& folder = listing_.files[index];
    if (!request_.payloadIsOwn || folder.owner != writer_) return false;
    // What lies below a folder comes together in name order, though not always right after it
    // ("a-b" sorts between "a" and "a/b").
    const std::string prefix = folder.relativePath + "/";
    const auto before = [](const PayloadFile& file, const std::string& path) { return file.relativePath < path; };
    auto it = std::lower_bound(listing_.files.begin(), listing_.files.end(), prefix, before);
    for (; it != listing_.files.end() && it->relativePath.starts_with(prefix); ++it) {
        if (it->owner != writer_ || it->hardLinked) return false;
    }
    return true;
}

// Moves the payload folder at `index` into staging whole: one rename instead of one per file.
// What it holds is checked file by file as the listing reaches it (checkTakenFile), and its
// folders against the listing once everything is staged. Nothing when the two folders are on
// different mounts: the folder is then staged entry by entry.
std::optional<bool> PayloadInstaller::takeFolder(std::size_t index, int fromFolder, int toFolder) {
    const PayloadFile& entry = listing_.files[index];
    const std::string leaf = LeafName(entry.relativePath);
    if (platform::Posix().renameat(fromFolder, leaf.c_str(), toFolder, leaf.c_str()) != 0) {
        if (errno == EXDEV) return std::nullopt;
        return fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    taken_[index] = true;
    takenFolders_.insert(entry.relativePath);
    takenChildren_[entry.relativePath];
    return true;
}

// A file that came into staging with its folder: it must still be a regular file of the
// writer's with one name, on the template folder's file system, as the listing saw it.
bool PayloadInstaller::checkTakenFile(std::size_t index, const FolderHandle& stagedParent) {
    const PayloadFile& entry = listing_.files[index];
    const std::string changed = Words::ForUser().text(
        "install.error.changed", {{"path", request_.payloadPath + "/" + entry.relativePath}});
    const std::string leaf = LeafName(entry.relativePath);
    const int fd = stagedParent.valid()
                       ? platform::OpenAtRetrying(stagedParent.fd(), leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)
                       : -1;
    if (fd < 0) {
        if (errno == ENOENT || errno == ELOOP) return failText(changed);
        return fail("install.error.read", destinationPath(entry.relativePath), errno);
    }
    struct stat info {};
    const bool same = platform::Posix().fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && mayTake(info);
    const bool good = same ? adoptTaken(index, fd, info) : failText(changed);
    if (platform::CloseOnce(fd) != 0 && good) {
        return fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    return good;
}

// A folder moved whole may have gained entries since the listing was taken; those would be
// installed unchecked, so each staged folder below must hold exactly what the listing gives it.
bool PayloadInstaller::takenFoldersHoldOnlyTheListed() {
    for (const auto& [folder, listed] : takenChildren_) {
        const FolderHandle staged = OpenBelow(stagedNew_.fd(), Names(folder), false);
        const std::optional<std::size_t> held = staged.valid() ? EntriesIn(staged.fd()) : std::nullopt;
        if (!held) return fail("install.error.read", destinationPath(folder), errno);
        if (*held != listed) {
            return failText(Words::ForUser().text("install.error.changed",
                                                  {{"path", request_.payloadPath + "/" + folder}}));
        }
    }
    return true;
}

// After a failure (and the rollback, which brings every placed file back into staging):
// the files moved from the payload go back to it.
void PayloadInstaller::giveBack() {
    FolderCache sources(payload_);
    FolderCache staged(stagedNew_);
    for (std::size_t i = 0; i < taken_.size(); ++i) {
        if (!taken_[i]) continue;
        const std::string parentPath = ParentPath(listing_.files[i].relativePath);
        const std::string leaf = LeafName(listing_.files[i].relativePath);
        const FolderHandle& from = staged.at(parentPath);
        const FolderHandle& to = sources.at(parentPath);
        if (from.valid() && to.valid()) {
            platform::Posix().renameat(from.fd(), leaf.c_str(), to.fd(), leaf.c_str());
        }
    }
}

// Sets the staged file's permissions and, when files are flushed one by one, flushes a small
// one now (a big one later, with the others).
bool PayloadInstaller::finishStagedFile(int to, const PayloadFile& entry, mode_t current) {
    const mode_t wanted = (entry.mode & 0777) | 0400;
    // A file moved from the payload mostly has its permissions already: one call less per file.
    if ((current & 07777) != wanted && platform::Posix().fchmod(to, wanted) != 0) {
        return fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    if (!flushEach_) return true;
    if (entry.size >= kOwnFlushBytes) {
        ownFlush_.push_back(entry.relativePath);
    } else if (platform::FsyncRetrying(to) != 0) {
        return fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    return true;
}

// Adds a staged file to the receipt's list. A path XML cannot hold fails the install when the
// receipt is written, as it always has.
bool PayloadInstaller::listFile(std::size_t index, const ReceiptFile& file, bool digestPending) {
    const std::optional<std::uint64_t> at = spool_.add(file, digestPending);
    if (!at && errno == EILSEQ) {
        receiptUnwritable_ = true;
        return true;
    }
    if (!at) return fail("install.error.write", stagePath(), errno);
    if (digestPending) digestLater_.push_back({index, file.size, *at});
    return true;
}

bool PayloadInstaller::stageAll() {
    const auto& posix = platform::Posix();
    FolderCache sources(payload_);
    FolderCache staged(stagedNew_);
    // A big file takes a while to copy on a slow disk: progress is told during its copy too.
    std::string copying;
    StagedCopier copier([this, &copying](std::uint64_t bytes) {
        progress_.bytesDone += bytes;
        tellWhenDue(copying);
    });
    std::size_t step = 0;
    taken_.assign(listing_.files.size(), false);
    // With many small files, making them is most of the install: two writers make them side
    // by side. With few, each is flushed by itself as it is staged, so they are made here.
    std::optional<SmallFileWriters> writers;
    if (!flushEach_) writers.emplace(kSmallFileWriters, kSmallFileQueueBytes, stagedNew_.fd());
    for (std::size_t index = 0; index < listing_.files.size(); ++index) {
        const PayloadFile& entry = listing_.files[index];
        const std::string parentPath = ParentPath(entry.relativePath);
        const std::string leaf = LeafName(entry.relativePath);
        const FolderHandle& stagedParent = staged.at(parentPath);
        const bool inTakenFolder = BelowAny(takenFolders_, entry.relativePath);
        if (inTakenFolder) ++takenChildren_[parentPath];
        if (entry.folder()) {
            if (inTakenFolder) {
                takenChildren_[entry.relativePath];
                stagedFolders_.push_back(entry.relativePath);
                continue;
            }
            if (mayTakeFolder(index) && stagedParent.valid()) {
                int from = -1;
                reading([&] { from = sources.at(parentPath).fd(); });
                const std::optional<bool> taken = takeFolder(index, from, stagedParent.fd());
                if (taken && !*taken) return false;
                if (taken) {
                    stagedFolders_.push_back(entry.relativePath);
                    continue;
                }
            }
            // The folder's own permissions, and always the writer's way in, since the install
            // writes into it (the staging folder above keeps it private until committed).
            const mode_t mode = (entry.mode & 0777) | 0700;
            if (!stagedParent.valid() || posix.mkdirat(stagedParent.fd(), leaf.c_str(), mode) != 0) {
                return fail("install.error.write", destinationPath(entry.relativePath), errno);
            }
            stagedFolders_.push_back(entry.relativePath);
            continue;
        }
        phase("stage", step++);
        if (inTakenFolder) {
            if (!checkTakenFile(index, stagedParent)) return false;
            ++progress_.filesDone;
            tellWhenDue(entry.relativePath);
            continue;
        }
        const std::string source = request_.payloadPath + "/" + entry.relativePath;
        int from = -1;
        int error = 0;
        reading([&] {
            const FolderHandle& parent = sources.at(parentPath);
            from = parent.valid() ? platform::OpenAtRetrying(parent.fd(), leaf.c_str(),
                                                             O_RDONLY | O_NOFOLLOW | O_CLOEXEC)
                                  : -1;
            error = errno;
        });
        if (from < 0) return fail("install.error.read", source, error);
        struct stat info {};
        if (posix.fstat(from, &info) != 0 || !S_ISREG(info.st_mode)) {
            error = errno != 0 ? errno : EINVAL;
            platform::CloseOnce(from);
            return fail("install.error.read", source, error);
        }
        // Staged another way than copied here (moved, or queued for the writers); nothing when
        // it is to be copied after all.
        std::optional<bool> movedOrQueued;
        if (mayTake(info) && stagedParent.valid()) {
            movedOrQueued = take(index, from, info, sources.at(parentPath).fd(), stagedParent.fd());
        }
        if (!movedOrQueued && writers && entry.size < kDigestLaterFrom && stagedParent.valid()) {
            movedOrQueued = queueSmallFile(index, from, *writers);
            if (!movedOrQueued && lseek(from, 0, SEEK_SET) != 0) movedOrQueued = fail("install.error.read", source, errno);
        }
        if (movedOrQueued) {
            platform::CloseOnce(from);
            if (!*movedOrQueued) return false;
            ++progress_.filesDone;
            tellWhenDue(entry.relativePath);
            continue;
        }
        const int to = stagedParent.valid()
                           ? platform::OpenAtRetrying(stagedParent.fd(), leaf.c_str(),
                                                      O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)
                           : -1;
        if (to < 0) {
            error = errno;
            platform::CloseOnce(from);
            return fail("install.error.write", destinationPath(entry.relativePath), error);
        }
        copying = entry.relativePath;
        const CopyResult copied = copier.copy(from, to, entry.size);
        platform::CloseOnce(from);
        bool good = copied.copied;
        if (!good) {
            fail(copied.readFailed ? "install.error.read" : "install.error.write",
                 copied.readFailed ? source : destinationPath(entry.relativePath), copied.error);
        }
        good = good && (copied.digestPending || checkDigest(entry, copied.sha256)) &&
               finishStagedFile(to, entry);
        if (platform::CloseOnce(to) != 0 && good) {
            good = fail("install.error.write", destinationPath(entry.relativePath), errno);
        }
        if (!good) return false;
        if (!listFile(index, {entry.relativePath, copied.bytes, copied.sha256}, copied.digestPending)) return false;
        ++progress_.filesDone;
        tellWhenDue(entry.relativePath);
    }
    if (writers && !writersDone(*writers)) return false;
    if (!takenFoldersHoldOnlyTheListed()) return false;
    tell("");
    return true;
}

// Reads the small file open as `from` whole, checks its digest and queues it for the writers,
// which make it in staging with its final permissions. Nothing when it holds more than a
// small file may (it grew since it was listed: it is then copied as any other).
std::optional<bool> PayloadInstaller::queueSmallFile(std::size_t index, int from, SmallFileWriters& writers) {
    const PayloadFile& entry = listing_.files[index];
    std::vector<char> bytes(static_cast<std::size_t>(entry.size) + 1);
    std::size_t held = 0;
    for (;;) {
        if (held == bytes.size()) {
            if (held > kDigestLaterFrom) return std::nullopt;
            bytes.resize(std::min<std::size_t>(held * 2, kDigestLaterFrom + 1));
        }
        const ssize_t got = platform::ReadRetrying(from, bytes.data() + held, bytes.size() - held);
        if (got < 0) return fail("install.error.read", request_.payloadPath + "/" + entry.relativePath, errno);
        if (got == 0) break;
        held += static_cast<std::size_t>(got);
    }
    bytes.resize(held);
    Sha256 sha;
    sha.add(bytes.data(), held);
    const std::string digest = sha.hex();
    if (!checkDigest(entry, digest)) return false;
    const mode_t mode = (entry.mode & 0777) | 0400;
    if (!writers.write(ParentPath(entry.relativePath), LeafName(entry.relativePath), mode, std::move(bytes),
                       entry.relativePath)) {
        writersDone(writers);  // A file queued earlier failed: this names it.
        return false;
    }
    progress_.bytesDone += held;
    return listFile(index, {entry.relativePath, held, digest}, false);
}

// Waits for the writers, telling progress meanwhile: false (the install failed) when a file
// could not be written.
bool PayloadInstaller::writersDone(SmallFileWriters& writers) {
    // The last report may be most of a pause old already, so the wait is checked often.
    while (!writers.idleWithin(kProgressPause / 5)) tellWhenDue("");
    const std::optional<SmallFileWriteFailure> failed = writers.finish();
    return !failed || fail("install.error.write", destinationPath(failed->entry), failed->error);
}

// Flushes the staged file `relative`; 0, or the error.
int PayloadInstaller::flushStagedFile(const std::string& relative) const {
    const FolderHandle parent = OpenBelow(stagedNew_.fd(), Names(ParentPath(relative)), false);
    const int fd = parent.valid() ? platform::OpenAtRetrying(parent.fd(), LeafName(relative).c_str(),
                                                             O_RDONLY | O_NOFOLLOW | O_CLOEXEC)
                                  : -1;
    const bool flushed = fd >= 0 && platform::FsyncRetrying(fd) == 0;
    const int error = flushed ? 0 : (errno != 0 ? errno : EIO);
    if (fd >= 0) platform::CloseOnce(fd);
    return error;
}

// What the flush of everything staged does, in whichever thread runs it.
bool PayloadInstaller::flushEverything() {
    std::atomic<std::size_t> next{0};
    std::vector<int> errors(ownFlush_.size(), 0);
    auto flushSome = [&] {
        for (std::size_t i = next++; i < ownFlush_.size(); i = next++) {
            errors[i] = flushStagedFile(ownFlush_[i]);
            if (errors[i] != 0) next = ownFlush_.size();
        }
    };
    std::vector<std::future<void>> flushers;
    for (std::size_t i = 0; i < std::min(kFlushers, ownFlush_.size()); ++i) {
        flushers.push_back(std::async(std::launch::async, flushSome));
    }
    for (auto& flusher : flushers) flusher.get();
    for (std::size_t i = 0; i < errors.size(); ++i) {
        if (errors[i] != 0) return fail("install.error.write", destinationPath(ownFlush_[i]), errors[i]);
    }
    if (!flushEach_) {
        if (FlushFileSystem(stage_.fd()) != 0) return fail("install.error.write", stagePath(), errno);
        return true;
    }
    std::vector<std::string> folders{""};
    folders.insert(folders.end(), stagedFolders_.begin(), stagedFolders_.end());
    for (const std::string& folder : folders) {
        const FolderHandle handle = OpenBelow(stagedNew_.fd(), Names(folder), false);
        if (!handle.valid() || FlushFolder(handle.fd()) != 0) {
            return fail("install.error.write", stagePath(), errno);
        }
    }
    if (FlushFolder(stage_.fd()) != 0) return fail("install.error.write", request_.destination, errno);
    return true;
}

// Reads back big staged files for their digests, those at `first`, `first + stride`, ... of
// digestLater_: the first of them whose digest cannot be read or is not the signed one, or
// nothing. Readers run beside the flush, which mostly waits on the disk, so hashing takes
// the processors the flush leaves idle.
std::optional<std::size_t> PayloadInstaller::digestStaged(std::size_t first, std::size_t stride) {
    FolderCache staged(stagedNew_);
    for (std::size_t i = first; i < digestLater_.size(); i += stride) {
        const LaterDigest& file = digestLater_[i];
        const std::string& path = listing_.files[file.index].relativePath;
        const FolderHandle& parent = staged.at(ParentPath(path));
        const bool pastCache = taken_[file.index] && file.size > kUnpackedPastCacheBytes;
        const auto digest = parent.valid() ? DigestOfFileAt(parent.fd(), LeafName(path), pastCache) : std::nullopt;
        if (!digest || digest->size != file.size || !isSignedDigest(path, digest->sha256)) return i;
        const std::lock_guard<std::mutex> hold(spoolMutex_);
        if (!spool_.setDigest(file.spoolAt, digest->sha256)) {
            spoolError_ = errno;
            return i;
        }
    }
    return std::nullopt;
}

// The flush may wait on the disk for seconds; progress is told meanwhile so the person
// waiting sees the install is alive.
bool PayloadInstaller::flushStage() {
    phase("flush");
    auto flushing = std::async(std::launch::async, [this] { return flushEverything(); });
    std::vector<std::future<std::optional<std::size_t>>> digesting;
    for (std::size_t reader = 0; reader < kDigestReaders; ++reader) {
        digesting.push_back(std::async(std::launch::async, [this, reader] {
            return digestStaged(reader, kDigestReaders);
        }));
    }
    // Each wait is for one unfinished task at most one pause long, so progress is told at
    // least that often however many tasks are left.
    const auto waitedOn = [](auto& future) {
        if (future.wait_for(std::chrono::seconds(0)) == std::future_status::ready) return false;
        future.wait_for(kProgressPause);
        return true;
    };
    while (waitedOn(flushing) || std::any_of(digesting.begin(), digesting.end(), waitedOn)) tell("");
    std::optional<std::size_t> mismatch;
    for (auto& reader : digesting) {
        const std::optional<std::size_t> found = reader.get();
        if (found && (!mismatch || *found < *mismatch)) mismatch = found;
    }
    if (!flushing.get()) return false;
    if (!mismatch) return true;
    if (spoolError_ != 0) return fail("install.error.write", stagePath(), spoolError_);
    return failText(Words::ForUser().text(
        "install.error.digest",
        {{"path", request_.payloadPath + "/" + listing_.files[digestLater_[*mismatch].index].relativePath}}));
}

// The template folder may have been removed, or a link put in its place, while the files
// were staged; the install then stops rather than write anywhere else.
bool PayloadInstaller::destinationUnchanged() {
    const FolderHandle again = OpenFolderNoFollow(request_.destination);
    // Gone or a link: replaced. Any other failure is told as it is.
    if (!again.valid() && errno != ENOENT && errno != ELOOP && errno != ENOTDIR) {
        return fail("install.error.destination", request_.destination, errno);
    }
    struct stat info {};
    const bool same = again.valid() && platform::Posix().fstat(again.fd(), &info) == 0 &&
                      info.st_dev == destinationInfo_.st_dev &&
                      info.st_ino == destinationInfo_.st_ino;
    if (same) return true;
    return failText(Words::ForUser().text("install.error.replaced", {{"path", request_.destination}}));
}

// Plans one entry's move: a folder the template folder lacks moves whole (with everything
// in it); a file goes into a folder that is there, moving aside a file of the same name.
bool PayloadInstaller::planEntry(const PayloadFile& entry, std::set<std::string>& movedFolders) {
    if (BelowAny(movedFolders, entry.relativePath)) {
        if (entry.folder()) createdFolders_.push_back(entry.relativePath);
        return true;
    }
    const std::string parentPath = ParentPath(entry.relativePath);
    const FolderHandle parent = OpenBelow(destination_.fd(), Names(parentPath), false);
    if (!parent.valid()) return fail("install.error.write", destinationPath(entry.relativePath), errno);
    const std::string leaf = LeafName(entry.relativePath);
    struct stat info {};
    const bool there = platform::Posix().fstatat(parent.fd(), leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (!there && errno != ENOENT) return fail("install.error.write", destinationPath(entry.relativePath), errno);
    if (there && S_ISDIR(info.st_mode) != entry.folder()) {
        return failText(Words::ForUser().text("install.error.in_way", {{"path", destinationPath(entry.relativePath)}}));
    }
    if (entry.folder()) {
        if (there) return true;
        movedFolders.insert(entry.relativePath);
        createdFolders_.push_back(entry.relativePath);
        moves_.push_back({StagedMove::Kind::Folder, entry.relativePath, ""});
    } else {
        const std::string backup = there ? std::to_string(moves_.size()) : "";
        moves_.push_back({StagedMove::Kind::File, entry.relativePath, backup});
    }
    touchedFolders_.insert(parentPath);
    return true;
}

// After an upgrade: the earlier version's files this one no longer carries are moved aside
// with the rest (and so come back on a rollback), unless they were changed since: those are
// kept and reported.
bool PayloadInstaller::planDropped() {
    if (!earlier_) return true;
    // The earlier receipt is read again one entry at a time, so its list is never held whole.
    bool good = true;
    ReadReceiptStreaming(receiptPath_, [&](const ReceiptFile& old) {
        if (!good || Names(old.path).empty()) return;
        const std::optional<bool> carried = isStagedFile(old.path);
        if (!carried) good = fail("install.error.write", destinationPath(old.path), errno);
        if (!carried || *carried) return;
        const FolderHandle parent = OpenBelow(destination_.fd(), Names(ParentPath(old.path)), false);
        if (!parent.valid()) return;
        const auto digest = DigestOfFileAt(parent.fd(), LeafName(old.path));
        if (!digest) return;  // Already gone.
        if (digest->sha256 != old.sha256 || digest->size != old.size) {
            report_.keptFiles.push_back(old.path);
            return;
        }
        moves_.push_back({StagedMove::Kind::Drop, old.path, std::to_string(moves_.size())});
        touchedFolders_.insert(ParentPath(old.path));
    });
    return good;
}

// Whether this pack carries the file `relative` (everything it carries is staged by now);
// nothing (errno set) when that cannot be told, so a file is never dropped on a guess.
std::optional<bool> PayloadInstaller::isStagedFile(const std::string& relative) const {
    const FolderHandle parent = OpenBelow(stagedNew_.fd(), Names(ParentPath(relative)), false);
    if (!parent.valid()) {
        if (errno == ENOENT || errno == ENOTDIR) return false;
        return std::nullopt;
    }
    struct stat info {};
    if (platform::Posix().fstatat(parent.fd(), LeafName(relative).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return false;
        return std::nullopt;
    }
    return S_ISREG(info.st_mode);
}

bool PayloadInstaller::planMoves() {
    std::set<std::string> movedFolders;
    for (const PayloadFile& entry : listing_.files) {
        if (!planEntry(entry, movedFolders)) return false;
    }
    return planDropped();
}

// One receipt for the staged copy and the final one; its list of files stays in the spool,
// so a large install never holds it.
void PayloadInstaller::makeReceipt() {
    Receipt& receipt = receipt_;
    receipt.identifier = request_.pack.identifier;
    receipt.version = request_.pack.version;
    receipt.packTitle = request_.pack.title;
    receipt.signerKeyId = request_.signerKeyId;
    receipt.hostTitle = request_.hostTitle;
    receipt.hostKind = request_.hostKind;
    receipt.hostPath = request_.hostPath;
    receipt.destination = request_.destination;
    receipt.installedAt = SecondsSince2001Now();
    // Folders an earlier version created stay the pack's own.
    std::set<std::string> seen;
    if (earlier_) {
        for (const std::string& folder : earlier_->createdFolders) {
            if (seen.insert(folder).second) receipt.createdFolders.push_back(folder);
        }
    }
    for (const std::string& folder : createdFolders_) {
        if (seen.insert(folder).second) receipt.createdFolders.push_back(folder);
    }
}

// The receipt is staged with the journal, so a run killed after its last move can still be
// finished by the next one.
bool PayloadInstaller::writeJournal() {
    const std::string staged = stagePath() + "/" + kStagedReceipt;
    makeReceipt();
    const std::string error = receiptUnwritable_ ? staged + ": " + std::strerror(EIO)
                                                 : WriteReceiptFrom(receipt_, spool_, staged);
    if (!error.empty()) {
        return failText(Words::ForUser().text("install.error.receipt", {{"path", staged}, {"reason", error}}));
    }
    if (!WriteStageJournal(stage_.fd(), {receiptPath_, moves_})) {
        return fail("install.error.write", stagePath() + "/" + kJournalName, errno);
    }
    journaled_ = true;
    return true;
}

bool PayloadInstaller::commitMove(const StagedMove& move) {
    const auto& posix = platform::Posix();
    const std::string parentPath = ParentPath(move.path);
    const std::string leaf = LeafName(move.path);
    const FolderHandle parent = OpenBelow(destination_.fd(), Names(parentPath), false);
    if (!parent.valid()) return fail("install.error.write", destinationPath(move.path), errno);
    if (!move.backup.empty() &&
        posix.renameat(parent.fd(), leaf.c_str(), stagedOld_.fd(), move.backup.c_str()) != 0) {
        return fail("install.error.write", destinationPath(move.path), errno);
    }
    if (move.kind == StagedMove::Kind::Drop) return true;
    const FolderHandle staged = OpenBelow(stagedNew_.fd(), Names(parentPath), false);
    if (!staged.valid() || posix.renameat(staged.fd(), leaf.c_str(), parent.fd(), leaf.c_str()) != 0) {
        return fail("install.error.write", destinationPath(move.path), errno);
    }
    return true;
}

bool PayloadInstaller::commitAll() {
    for (std::size_t i = 0; i < moves_.size(); ++i) {
        phase("commit", i);
        if (!commitMove(moves_[i])) return false;
        tellWhenDue(moves_[i].path);
    }
    for (const std::string& folder : touchedFolders_) {
        const FolderHandle handle = OpenBelow(destination_.fd(), Names(folder), false);
        if (!handle.valid() || FlushFolder(handle.fd()) != 0) {
            return fail("install.error.write", destinationPath(folder), errno);
        }
    }
    return true;
}

bool PayloadInstaller::markCommitted() {
    const int fd = platform::OpenAtRetrying(stage_.fd(), kCommittedMark,
                                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return fail("install.error.write", stagePath() + "/" + kCommittedMark, errno);
    platform::CloseOnce(fd);
    if (FlushFolder(stage_.fd()) != 0) return fail("install.error.write", stagePath(), errno);
    phase("committed");
    return true;
}

bool PayloadInstaller::writeReceipt() {
    const std::string error = WriteReceiptFrom(receipt_, spool_, receiptPath_);
    if (error.empty()) return true;
    platform::Posix().unlinkat(stage_.fd(), kCommittedMark, 0);
    return failText(Words::ForUser().text("install.error.receipt", {{"path", receiptPath_}, {"reason", error}}));
}

void PayloadInstaller::rollBack() {
    if (journaled_) UndoStagedMoves(destination_.fd(), stage_.fd(), moves_);
}

// The staging folder goes in every case (after a success it holds only the replaced files),
// unless a file moved aside could not be put back: that stays for the next run's sweep.
void PayloadInstaller::removeStage() {
    if (stageName_.empty()) return;
    phase("clean");
    if (!report_.installed && stage_.valid() && !NothingSetAside(stage_.fd())) return;
    std::string name = stageName_;
    const std::string done = kDonePrefix + stageName_.substr(std::strlen(kStagePrefix));
    if (platform::Posix().renameat(destination_.fd(), name.c_str(), destination_.fd(), done.c_str()) == 0) {
        name = done;
    }
    RemoveTreeAt(destination_.fd(), name);
    FlushFolder(destination_.fd());
}

InstallReport PayloadInstaller::run() {
    report_ = ReportFor(request_);
    if (!prepare() || !checkVersion() || !checkSpace()) return report_;
    tell("");
    // Each step after staging may wait on the disk: progress is told between them when due.
    const auto thenTell = [this](bool done) {
        if (done) tellWhenDue("");
        return done;
    };
    const bool done = makeStage() && stageAll() && thenTell(flushStage()) && thenTell(destinationUnchanged()) &&
                      thenTell(planMoves()) && thenTell(writeJournal()) && thenTell(commitAll()) &&
                      thenTell(markCommitted()) && writeReceipt();
    if (!done) {
        report_.keptFiles.clear();
        rollBack();
        giveBack();
        removeStage();
        return report_;
    }
    report_.installed = true;
    removeStage();
    report_.files = progress_.filesTotal;
    report_.bytes = spool_.fileBytes();
    report_.receiptPath = receiptPath_;
    return report_;
}

}  // namespace

InstallReport InstallPayload(const InstallRequest& request) {
    return PayloadInstaller(request).run();
}

}  // namespace installer
