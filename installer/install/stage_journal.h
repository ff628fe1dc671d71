// The staging folder an install works in, inside the template folder, and the journal of its
// final moves. The journal is written (and flushed) before the first move into the template
// folder, so a run that is killed part way can be undone by the next one from what is on
// disk alone; a "committed" mark, made once every move is done, tells the next run to finish
// instead (write the staged receipt). The folder is locked (flock) while its run lives.
//
//   .packgate-stage-<pid>/new/            the pack's files and folders, staged
//   .packgate-stage-<pid>/old/<n>         files moved aside (replaced or dropped)
//   .packgate-stage-<pid>/journal         the planned moves, in order
//   .packgate-stage-<pid>/receipt.plist   the receipt the install writes once committed
//   .packgate-stage-<pid>/committed       present once every move is done
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace installer {

inline constexpr const char* kStagePrefix = ".packgate-stage-";
// A staging folder that is done with (its install committed, or wholly undone) is renamed to
// this prefix first, so that removing it, however far that gets, never looks like a run to undo.
inline constexpr const char* kDonePrefix = ".packgate-done-";
inline constexpr const char* kStagedNew = "new";
inline constexpr const char* kStagedOld = "old";
inline constexpr const char* kJournalName = "journal";
inline constexpr const char* kStagedReceipt = "receipt.plist";
inline constexpr const char* kCommittedMark = "committed";

// One move into (or out of) the template folder. `backup` names the file in old/ that the
// file of the same name was moved to, or is empty when there was none.
struct StagedMove {
    enum class Kind : char { Folder = 'F', File = 'P', Drop = 'D' };
    Kind kind = Kind::File;
    std::string path;  // Relative to the template folder.
    std::string backup;
    bool operator==(const StagedMove&) const = default;
};

struct StageJournal {
    std::string receiptPath;  // Where the committed install's receipt goes.
    std::vector<StagedMove> moves;
};

// Writes the journal into the staging folder `stage` and flushes it. False (errno set) on
// failure.
bool WriteStageJournal(int stage, const StageJournal& journal);

// The journal in `stage`; nothing when it is missing or not well formed (a path that is not
// a plain relative one, or a backup that is not a number, is not well formed).
std::optional<StageJournal> ReadStageJournal(int stage);

// Undoes `moves` whatever the point they reached: what was placed goes back into new/, what
// was moved aside comes back from old/. It goes by what is on disk, so it may run again
// after being interrupted itself.
void UndoStagedMoves(int destination, int stage, const std::vector<StagedMove>& moves);

// Whether old/ of the staging folder `stage` is empty (or missing): every file moved aside is
// back in place, so removing the folder loses nothing of the user's.
bool NothingSetAside(int stage);

}  // namespace installer
