// Cleaning up after an install that was killed: its staging folder is still in the template
// folder, unlocked. Before the template folder is used again, each such folder is undone
// (the journal's moves reversed, so the template folder holds what it held before) or, when
// the killed run had committed, finished (its staged receipt written); then it is removed.
// A staging folder whose run is still alive holds its lock and is left alone.
#pragma once

#include <string>

namespace installer {

// Where the install runs, as the sweep needs it: the open template folder and its path, and
// the user's home (whose receipts a finished install writes).
struct StageSweep {
    int destination = -1;
    std::string destinationPath;
    std::string home;
};

// Undoes or finishes every abandoned staging folder in the template folder, then removes it.
// Answers how many were cleaned up.
int SweepAbandonedStages(const StageSweep& sweep);

// Takes the lock that marks the staging folder `stage` as in use by this run (kept until the
// descriptor is closed). False when another live run holds it.
bool LockStage(int stage);

}  // namespace installer
