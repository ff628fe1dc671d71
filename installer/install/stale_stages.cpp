#include "installer/install/stale_stages.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "installer/install/folder_handle.h"
#include "installer/install/receipt.h"
#include "installer/install/receipt_spool.h"
#include "installer/install/receipt_stream.h"
#include "installer/install/stage_journal.h"
#include "system/posix_calls.h"

namespace installer {
namespace {

std::vector<std::string> StageNames(int destination) {
    std::vector<std::string> names;
    const int fd = platform::OpenAtRetrying(destination, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return names;
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        platform::CloseOnce(fd);
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.starts_with(kStagePrefix) || name.starts_with(kDonePrefix)) names.push_back(name);
    }
    ::closedir(listing);
    return names;
}

bool Exists(int folder, const char* name) {
    struct stat info {};
    return platform::Posix().fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
}

// The killed run had placed everything: its receipt is written now, if it is the receipt of
// this template folder (a staging folder is in a folder the user may write, so nothing in
// it may send the receipt anywhere else).
void FinishCommitted(const StageSweep& sweep, const std::string& stageName, const StageJournal& journal) {
    const std::string staged = sweep.destinationPath + "/" + stageName + "/" + kStagedReceipt;
    const auto receipt = ReadReceiptStreaming(staged, {});
    if (!receipt || receipt->destination != sweep.destinationPath ||
        !IsReceiptIdentifier(receipt->identifier)) {
        return;
    }
    const std::string path = ReceiptPathFor(sweep.home, receipt->identifier, sweep.destinationPath);
    if (path == journal.receiptPath) CopyReceiptFile(staged, path);
}

bool CleanUp(const StageSweep& sweep, const std::string& name) {
    const FolderHandle stage = OpenBelow(sweep.destination, {name}, false);
    if (!stage.valid() || !LockStage(stage.fd())) return false;
    if (name.starts_with(kDonePrefix)) return RemoveTreeAt(sweep.destination, name);
    const auto journal = ReadStageJournal(stage.fd());
    const bool committed = journal && Exists(stage.fd(), kCommittedMark);
    if (committed) {
        FinishCommitted(sweep, name, *journal);
    } else if (journal) {
        UndoStagedMoves(sweep.destination, stage.fd(), journal->moves);
    }
    // Without a journal nothing had been moved into the template folder yet. A file still
    // aside after the undo is the user's: the folder stays for the next run (or a person).
    if (!committed && !NothingSetAside(stage.fd())) return false;
    return RemoveTreeAt(sweep.destination, name);
}

}  // namespace

bool LockStage(int stage) {
    int result = 0;
    do {
        result = ::flock(stage, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

int SweepAbandonedStages(const StageSweep& sweep) {
    int cleaned = 0;
    for (const std::string& name : StageNames(sweep.destination)) {
        if (CleanUp(sweep, name)) ++cleaned;
    }
    if (cleaned > 0) FlushFolder(sweep.destination);
    return cleaned;
}

}  // namespace installer
