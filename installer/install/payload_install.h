// The install step: copies a pack's payload into the chosen copy's template folder, whole or
// not at all, and writes the receipt.
//
// It checks the free space first, stages every file in a hidden folder inside the template
// folder (so the final moves are renames on one file system), taking each file's digest as it
// is copied (or, for an archive unpacked for this run, moved instead of copied, a folder whole
// when everything in it may move; a big file's digest is read back from its staged copy while
// the flush runs), makes everything staged durable at once (one flush of the file system when
// there are many files, so thousands of files cost no more than one), checks that the template
// folder is still the one it opened, writes the journal of its moves, then renames each file
// (or each folder the template folder lacks, whole) into place, moving aside a file of the
// same name. Any failure puts everything back: the template folder is left as it was, and the
// report says what failed, with the path and the reason. A run that is killed is undone (or,
// once committed, finished) by the next install into the same folder (stale_stages.h).
// Files the pack does not carry are never touched (an upgrade removes the files the earlier
// version installed and this one lacks, unless they were changed since). No link is followed
// on the way into the template folder or inside it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "installer/install/install_report.h"
#include "installer/pack/pack.h"

namespace installer {

struct InstallRequest {
    PackIdentity pack;
    std::string payloadPath;
    std::string destination;  // The template folder, absolute.
    std::string hostTitle;
    std::string hostKind;     // The handoff list's PRODUCT_TYPE.
    std::string hostPath;     // The handoff list's ContInstallPath.
    std::string home;         // The user's home: its Library holds the receipts.
    bool allowDowngrade = false;
    std::string signerKeyId{};  // Kept in the receipt; empty for an unsigned pack.
    // Asked before an older version replaces a newer one (without it, or on no, the install
    // is refused unless allowDowngrade).
    std::function<bool(const std::string& question)> confirm;
    // Told as the files are copied (every few MiB and at least every 50 ms while there is
    // progress, and during the final flush), and once every file is staged.
    std::function<void(const InstallProgress&)> progress;
    // Runs `read` (listing the payload, opening its folders and files) with the identity
    // that may read the payload; unset, with the current one. Files are always written with
    // the current one.
    std::function<void(const std::function<void()>& read)> asPayloadReader;
    // When set, the SHA-256 (lower-case hex) each payload file must have, by its path from the
    // payload folder; a file whose copied bytes differ, or that is not listed, fails the install.
    std::optional<std::map<std::string, std::string>> expectedSha256;
    // The payload folder is this run's own (an archive unpacked for it): a file of it that is
    // the writer's, with one name, on the template folder's file system is moved into staging
    // instead of copied (its digest still taken from the file moved), a folder of such files
    // whole, and moved back if the install fails, so the payload is whole again for another
    // attempt.
    bool payloadIsOwn = false;
    // Told as the install reaches each of its phases ("stage", "flush", "commit",
    // "committed", "clean"), with the step within it (each file staged, each move made).
    std::function<void(std::string_view phase, std::size_t step)> phaseReached;
};

// The report of an install of `request` that has not happened (yet): the pack, the copy and
// the destination filled in, nothing installed.
InstallReport ReportFor(const InstallRequest& request);

// Runs the install step as the current user.
InstallReport InstallPayload(const InstallRequest& request);

// Runs the install step as the right user: an App Store copy's template folder must lie in
// the user's home (refused otherwise, whoever runs); when the program runs as root and the
// destination lies in the user's home, the files are written with the home owner's identity,
// so a record the user can write never makes root write anywhere that user could not. The
// payload is still read as root: an archive is opened into a folder only root may enter.
InstallReport InstallPayloadAsOwner(const InstallRequest& request);

}  // namespace installer
