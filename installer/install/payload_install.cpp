#include "installer/install/payload_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "installer/install/file_digest.h"
#include "installer/install/folder_handle.h"
#include "installer/install/receipt.h"
#include "installer/install/size_text.h"
#include "installer/pack/payload_listing.h"
#include "installer/words/words.h"
#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {
namespace {

constexpr std::size_t kCopyBuffer = 1 << 20;
constexpr std::uint64_t kProgressEvery = 4u << 20;
constexpr std::uint64_t kRoomPerEntry = 4096;  // A folder entry and an inode, roughly.
constexpr const char* kStagePrefix = ".packgate-stage-";

std::string Reason(int error) {
    return std::strerror(error);
}

std::string Parent(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? "" : relative.substr(0, slash);
}

std::string Leaf(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? relative : relative.substr(slash + 1);
}

std::vector<std::string> Names(const std::string& relative) {
    return relative.empty() ? std::vector<std::string>{} : PathNames(relative);
}

// A file moved into place, and what it replaced (moved aside under `backup`).
struct Placed {
    std::string path;
    std::optional<std::string> backup;
    bool moved = false;
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
    bool stageFile(const PayloadFile& entry);
    bool copyBytes(int from, int to, const PayloadFile& entry);
    bool flushStage();
    bool destinationUnchanged();
    bool commitAll();
    bool commitFolder(const PayloadFile& entry);
    bool commitFile(const PayloadFile& entry);
    bool writeReceipt();
    void removeDropped();
    void rollBack();
    void removeStage();
    void tell(const std::string& current);
    void reading(const std::function<void()>& read) const;
    int openSource(const std::string& relative) const;
    std::string destinationPath(const std::string& relative) const;

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
    std::vector<std::string> stagedFiles_;
    std::vector<std::string> createdFolders_;
    std::vector<Placed> placed_;
    std::vector<ReceiptFile> files_;
    std::set<std::string> touchedFolders_;
    InstallProgress progress_;
    std::uint64_t lastTold_ = 0;
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
    lastTold_ = progress_.bytesDone;
    if (request_.progress) request_.progress(progress_);
}

void PayloadInstaller::reading(const std::function<void()>& read) const {
    if (request_.asPayloadReader) {
        request_.asPayloadReader(read);
    } else {
        read();
    }
}

// Opens the payload file `relative` below the payload folder, following no link on the way.
int PayloadInstaller::openSource(const std::string& relative) const {
    int fd = -1;
    int error = 0;
    reading([&] {
        const FolderHandle parent = OpenBelow(payload_.fd(), Names(Parent(relative)), false);
        fd = parent.valid() ? platform::OpenAtRetrying(parent.fd(), Leaf(relative).c_str(),
                                                       O_RDONLY | O_NOFOLLOW | O_CLOEXEC)
                            : -1;
        error = errno;
    });
    errno = error;
    return fd;
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
    for (const PayloadFile& entry : listing_.files) {
        if (!entry.folder()) ++progress_.filesTotal;
    }
    progress_.bytesTotal = listing_.totalBytes;
    destination_ = OpenFolderNoFollow(request_.destination);
    if (!destination_.valid()) return fail("install.error.destination", request_.destination, errno);
    if (platform::Posix().fstat(destination_.fd(), &destinationInfo_) != 0) {
        return fail("install.error.destination", request_.destination, errno);
    }
    receiptPath_ = ReceiptPathFor(request_.home, request_.pack.identifier, request_.destination);
    earlier_ = ReadReceipt(receiptPath_);
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
    if (!stage_.valid()) return fail("install.error.write", destinationPath(stageName_), errno);
    for (const char* part : {"new", "old"}) {
        if (posix.mkdirat(stage_.fd(), part, 0700) != 0) {
            return fail("install.error.write", destinationPath(stageName_ + "/" + part), errno);
        }
    }
    stagedNew_ = OpenBelow(stage_.fd(), {"new"}, false);
    stagedOld_ = OpenBelow(stage_.fd(), {"old"}, false);
    if (!stagedNew_.valid() || !stagedOld_.valid()) {
        return fail("install.error.write", destinationPath(stageName_), errno);
    }
    return true;
}

bool PayloadInstaller::copyBytes(int from, int to, const PayloadFile& entry) {
    std::vector<std::uint8_t> buffer(kCopyBuffer);
    Sha256 sha;
    std::uint64_t copied = 0;
    for (;;) {
        const ssize_t got = platform::ReadRetrying(from, buffer.data(), buffer.size());
        if (got < 0) {
            return fail("install.error.read", request_.payloadPath + "/" + entry.relativePath, errno);
        }
        if (got == 0) break;
        const std::span<const std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(got));
        if (!platform::WriteAll(to, bytes)) {
            return fail("install.error.write", destinationPath(entry.relativePath), errno);
        }
        sha.add(bytes.data(), bytes.size());
        copied += bytes.size();
        progress_.bytesDone += bytes.size();
        if (progress_.bytesDone - lastTold_ >= kProgressEvery) tell(entry.relativePath);
    }
    files_.push_back({entry.relativePath, copied, sha.hex()});
    return true;
}

bool PayloadInstaller::stageFile(const PayloadFile& entry) {
    const std::string source = request_.payloadPath + "/" + entry.relativePath;
    const int from = openSource(entry.relativePath);
    if (from < 0) return fail("install.error.read", source, errno);
    struct stat info {};
    if (platform::Posix().fstat(from, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno != 0 ? errno : EINVAL;
        platform::CloseOnce(from);
        return fail("install.error.read", source, error);
    }
    const FolderHandle parent = OpenBelow(stagedNew_.fd(), Names(Parent(entry.relativePath)), false);
    const std::string leaf = Leaf(entry.relativePath);
    const int to = parent.valid() ? platform::OpenAtRetrying(
                                        parent.fd(), leaf.c_str(),
                                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)
                                  : -1;
    if (to < 0) {
        const int error = errno;
        platform::CloseOnce(from);
        return fail("install.error.write", destinationPath(entry.relativePath), error);
    }
    stagedFiles_.push_back(entry.relativePath);
    bool good = copyBytes(from, to, entry);
    platform::CloseOnce(from);
    if (good && platform::Posix().fchmod(to, (entry.mode & 0777) | 0400) != 0) {
        good = fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    if (good && platform::FsyncRetrying(to) != 0) {
        good = fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    if (platform::CloseOnce(to) != 0 && good) {
        good = fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    if (!good) return false;
    ++progress_.filesDone;
    tell(entry.relativePath);
    return true;
}

bool PayloadInstaller::stageAll() {
    for (const PayloadFile& entry : listing_.files) {
        if (!entry.folder()) {
            if (!stageFile(entry)) return false;
            continue;
        }
        const FolderHandle parent = OpenBelow(stagedNew_.fd(), Names(Parent(entry.relativePath)), false);
        if (!parent.valid() ||
            platform::Posix().mkdirat(parent.fd(), Leaf(entry.relativePath).c_str(), 0700) != 0) {
            return fail("install.error.write", destinationPath(entry.relativePath), errno);
        }
        stagedFolders_.push_back(entry.relativePath);
    }
    return true;
}

bool PayloadInstaller::flushStage() {
    std::vector<std::string> folders{""};
    folders.insert(folders.end(), stagedFolders_.begin(), stagedFolders_.end());
    for (const std::string& folder : folders) {
        const FolderHandle handle = OpenBelow(stagedNew_.fd(), Names(folder), false);
        if (!handle.valid() || FlushFolder(handle.fd()) != 0) {
            return fail("install.error.write", destinationPath(stageName_), errno);
        }
    }
    if (FlushFolder(stage_.fd()) != 0) return fail("install.error.write", request_.destination, errno);
    return true;
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

bool PayloadInstaller::commitFolder(const PayloadFile& entry) {
    const FolderHandle parent = OpenBelow(destination_.fd(), Names(Parent(entry.relativePath)), false);
    if (!parent.valid()) return fail("install.error.write", destinationPath(entry.relativePath), errno);
    const std::string leaf = Leaf(entry.relativePath);
    struct stat info {};
    if (platform::Posix().fstatat(parent.fd(), leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        return failText(Words::ForUser().text("install.error.in_way", {{"path", destinationPath(entry.relativePath)}}));
    }
    if (errno != ENOENT) return fail("install.error.write", destinationPath(entry.relativePath), errno);
    if (platform::Posix().mkdirat(parent.fd(), leaf.c_str(), (entry.mode & 0777) | 0700) != 0) {
        return fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    createdFolders_.push_back(entry.relativePath);
    touchedFolders_.insert(Parent(entry.relativePath));
    return true;
}

bool PayloadInstaller::commitFile(const PayloadFile& entry) {
    const std::string parentPath = Parent(entry.relativePath);
    const FolderHandle parent = OpenBelow(destination_.fd(), Names(parentPath), false);
    const FolderHandle staged = OpenBelow(stagedNew_.fd(), Names(parentPath), false);
    if (!parent.valid() || !staged.valid()) {
        return fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    const auto& posix = platform::Posix();
    const std::string leaf = Leaf(entry.relativePath);
    Placed placed{entry.relativePath, std::nullopt, false};
    struct stat info {};
    if (posix.fstatat(parent.fd(), leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return failText(Words::ForUser().text("install.error.in_way", {{"path", destinationPath(entry.relativePath)}}));
        }
        const std::string backup = std::to_string(placed_.size());
        if (posix.renameat(parent.fd(), leaf.c_str(), stagedOld_.fd(), backup.c_str()) != 0) {
            return fail("install.error.write", destinationPath(entry.relativePath), errno);
        }
        placed.backup = backup;
    } else if (errno != ENOENT) {
        return fail("install.error.write", destinationPath(entry.relativePath), errno);
    }
    const int moved = posix.renameat(staged.fd(), leaf.c_str(), parent.fd(), leaf.c_str());
    const int error = errno;
    placed.moved = moved == 0;
    placed_.push_back(placed);
    if (moved != 0) return fail("install.error.write", destinationPath(entry.relativePath), error);
    touchedFolders_.insert(parentPath);
    return true;
}

bool PayloadInstaller::commitAll() {
    for (const PayloadFile& entry : listing_.files) {
        if (!(entry.folder() ? commitFolder(entry) : commitFile(entry))) return false;
    }
    for (const std::string& folder : touchedFolders_) {
        const FolderHandle handle = OpenBelow(destination_.fd(), Names(folder), false);
        if (!handle.valid() || FlushFolder(handle.fd()) != 0) {
            return fail("install.error.write", destinationPath(folder), errno);
        }
    }
    return true;
}

bool PayloadInstaller::writeReceipt() {
    Receipt receipt;
    receipt.identifier = request_.pack.identifier;
    receipt.version = request_.pack.version;
    receipt.packTitle = request_.pack.title;
    receipt.hostTitle = request_.hostTitle;
    receipt.hostKind = request_.hostKind;
    receipt.hostPath = request_.hostPath;
    receipt.destination = request_.destination;
    receipt.files = files_;
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
    const std::string error = WriteReceipt(receipt, receiptPath_);
    if (error.empty()) return true;
    return failText(Words::ForUser().text("install.error.receipt", {{"path", receiptPath_}, {"reason", error}}));
}

// After an upgrade: the earlier version's files this one no longer carries go, unless they
// were changed since (those are kept and reported).
void PayloadInstaller::removeDropped() {
    if (!earlier_) return;
    std::set<std::string> current;
    for (const ReceiptFile& file : files_) current.insert(file.path);
    for (const ReceiptFile& old : earlier_->files) {
        if (current.count(old.path) != 0) continue;
        const FolderHandle parent = OpenBelow(destination_.fd(), Names(Parent(old.path)), false);
        if (!parent.valid()) continue;
        const std::string leaf = Leaf(old.path);
        const auto digest = DigestOfFileAt(parent.fd(), leaf);
        if (!digest) continue;  // Already gone.
        if (digest->sha256 != old.sha256 || digest->size != old.size ||
            platform::Posix().unlinkat(parent.fd(), leaf.c_str(), 0) != 0) {
            report_.keptFiles.push_back(old.path);
        }
    }
}

void PayloadInstaller::rollBack() {
    const auto& posix = platform::Posix();
    for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) {
        const std::string parentPath = Parent(it->path);
        const FolderHandle parent = OpenBelow(destination_.fd(), Names(parentPath), false);
        const FolderHandle staged = OpenBelow(stagedNew_.fd(), Names(parentPath), false);
        const std::string leaf = Leaf(it->path);
        if (it->moved && parent.valid() && staged.valid()) {
            posix.renameat(parent.fd(), leaf.c_str(), staged.fd(), leaf.c_str());
        }
        if (it->backup && parent.valid()) {
            posix.renameat(stagedOld_.fd(), it->backup->c_str(), parent.fd(), leaf.c_str());
        }
    }
    for (auto it = createdFolders_.rbegin(); it != createdFolders_.rend(); ++it) {
        const FolderHandle parent = OpenBelow(destination_.fd(), Names(Parent(*it)), false);
        if (parent.valid()) posix.unlinkat(parent.fd(), Leaf(*it).c_str(), AT_REMOVEDIR);
    }
}

// The staging folder goes in every case: after a success it holds only the replaced files.
void PayloadInstaller::removeStage() {
    if (stageName_.empty()) return;
    const auto& posix = platform::Posix();
    // Made but never opened: only the empty folder itself is there.
    if (!stage_.valid()) {
        posix.unlinkat(destination_.fd(), stageName_.c_str(), AT_REMOVEDIR);
        return;
    }
    for (std::size_t i = 0; i < placed_.size(); ++i) {
        posix.unlinkat(stagedOld_.fd(), std::to_string(i).c_str(), 0);
    }
    for (const std::string& file : stagedFiles_) {
        const FolderHandle parent = OpenBelow(stagedNew_.fd(), Names(Parent(file)), false);
        if (parent.valid()) posix.unlinkat(parent.fd(), Leaf(file).c_str(), 0);
    }
    for (auto it = stagedFolders_.rbegin(); it != stagedFolders_.rend(); ++it) {
        const FolderHandle parent = OpenBelow(stagedNew_.fd(), Names(Parent(*it)), false);
        if (parent.valid()) posix.unlinkat(parent.fd(), Leaf(*it).c_str(), AT_REMOVEDIR);
    }
    posix.unlinkat(stage_.fd(), "new", AT_REMOVEDIR);
    posix.unlinkat(stage_.fd(), "old", AT_REMOVEDIR);
    posix.unlinkat(destination_.fd(), stageName_.c_str(), AT_REMOVEDIR);
    FlushFolder(destination_.fd());
}

InstallReport PayloadInstaller::run() {
    report_ = ReportFor(request_);
    if (!prepare() || !checkVersion() || !checkSpace()) return report_;
    tell("");
    const bool done = makeStage() && stageAll() && flushStage() && destinationUnchanged() &&
                      commitAll() && writeReceipt();
    if (!done) {
        rollBack();
        removeStage();
        return report_;
    }
    removeStage();
    removeDropped();
    report_.installed = true;
    report_.files = progress_.filesTotal;
    for (const ReceiptFile& file : files_) report_.bytes += file.size;
    report_.receiptPath = receiptPath_;
    return report_;
}

}  // namespace

InstallReport InstallPayload(const InstallRequest& request) {
    return PayloadInstaller(request).run();
}

}  // namespace installer
