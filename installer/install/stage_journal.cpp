#include "installer/install/stage_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <span>

#include "installer/install/folder_handle.h"
#include "installer/install/relative_path.h"
#include "system/posix_calls.h"

namespace installer {
namespace {

// Records are NUL-separated fields, so any name a file system allows fits.
constexpr char kSeparator = '\0';
constexpr std::size_t kMaxJournalBytes = 256u << 20;

bool Exists(int folder, const std::string& name) {
    struct stat info {};
    return platform::Posix().fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool IsBackupName(const std::string& name) {
    return !name.empty() && name.size() < 20 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ReadWhole(int fd, std::string& text) {
    char buffer[65536];
    for (;;) {
        const ssize_t got = platform::ReadRetrying(fd, buffer, sizeof buffer);
        if (got < 0) return false;
        if (got == 0) return true;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > kMaxJournalBytes) return false;
    }
}

std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(kSeparator, start);
        if (end == std::string::npos) return {};  // Cut short: not a whole journal.
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

void UndoMove(int destination, int stagedNew, int stagedOld, const StagedMove& move) {
    const auto& posix = platform::Posix();
    const std::vector<std::string> parentNames =
        ParentPath(move.path).empty() ? std::vector<std::string>{} : PathNames(ParentPath(move.path));
    const FolderHandle placedIn = OpenBelow(destination, parentNames, false);
    if (!placedIn.valid()) return;
    const std::string leaf = LeafName(move.path);
    const bool asideExists = !move.backup.empty() && Exists(stagedOld, move.backup);
    if (move.kind != StagedMove::Kind::Drop) {
        const FolderHandle stagedIn = OpenBelow(stagedNew, parentNames, false);
        // Placed once its staged copy is gone; and a file put aside was always replaced.
        const bool placed = stagedIn.valid() && !Exists(stagedIn.fd(), leaf) &&
                            Exists(placedIn.fd(), leaf);
        if (placed) posix.renameat(placedIn.fd(), leaf.c_str(), stagedIn.fd(), leaf.c_str());
    }
    if (asideExists) posix.renameat(stagedOld, move.backup.c_str(), placedIn.fd(), leaf.c_str());
}

}  // namespace

bool WriteStageJournal(int stage, const StageJournal& journal) {
    std::string text = journal.receiptPath + kSeparator;
    for (const StagedMove& move : journal.moves) {
        text += static_cast<char>(move.kind);
        text += kSeparator;
        text += move.path + kSeparator + move.backup + kSeparator;
    }
    const int fd = platform::OpenAtRetrying(stage, kJournalName,
                                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    bool good = platform::WriteAll(fd, std::span<const std::uint8_t>(bytes, text.size())) &&
                platform::FsyncRetrying(fd) == 0;
    const int error = errno;
    if (platform::CloseOnce(fd) != 0 && good) return false;
    errno = error;
    return good && FlushFolder(stage) == 0;
}

std::optional<StageJournal> ReadStageJournal(int stage) {
    const int fd = platform::OpenAtRetrying(stage, kJournalName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    const bool read = ReadWhole(fd, text);
    platform::CloseOnce(fd);
    if (!read) return std::nullopt;
    const std::vector<std::string> fields = Fields(text);
    if (fields.empty() || (fields.size() - 1) % 3 != 0) return std::nullopt;
    StageJournal journal;
    journal.receiptPath = fields[0];
    for (std::size_t i = 1; i < fields.size(); i += 3) {
        StagedMove move;
        if (fields[i].size() != 1) return std::nullopt;
        move.kind = static_cast<StagedMove::Kind>(fields[i][0]);
        move.path = fields[i + 1];
        move.backup = fields[i + 2];
        const bool kindKnown = move.kind == StagedMove::Kind::Folder ||
                               move.kind == StagedMove::Kind::File ||
                               move.kind == StagedMove::Kind::Drop;
        const bool backupFits = move.backup.empty() ? move.kind != StagedMove::Kind::Drop
                                                    : IsBackupName(move.backup);
        if (!kindKnown || PathNames(move.path).empty() || !backupFits) return std::nullopt;
        journal.moves.push_back(std::move(move));
    }
    return journal;
}

bool NothingSetAside(int stage) {
    const FolderHandle old = OpenBelow(stage, {kStagedOld}, false);
    if (!old.valid()) return errno == ENOENT;
    const std::optional<std::size_t> entries = EntriesIn(old.fd());
    return entries && *entries == 0;
}

void UndoStagedMoves(int destination, int stage, const std::vector<StagedMove>& moves) {
    const FolderHandle stagedNew = OpenBelow(stage, {kStagedNew}, false);
    const FolderHandle stagedOld = OpenBelow(stage, {kStagedOld}, false);
    if (!stagedNew.valid() || !stagedOld.valid()) return;
    for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
        UndoMove(destination, stagedNew.fd(), stagedOld.fd(), *it);
    }
    FlushFolder(destination);
}

}  // namespace installer
