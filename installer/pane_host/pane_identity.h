// Who the pack's pane runs as. Run by root, the pane never keeps root: it takes the identity
// of the user who owns the home the run installs into (else the user who ran sudo or pkexec),
// with that user's groups; without such a user it runs as nobody in a private home.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace installer::pane_host {

struct PaneIdentity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    std::string name;
    std::string home;      // HOME in the pane's environment.
    bool nobody = false;   // No user was found; a private home was made for the pane.
};

// Nothing when the program does not run as root (the pane keeps the program's identity).
// As root: the owner of `home` unless that is root, else SUDO_UID, else PKEXEC_UID, else
// nobody with a fresh 0700 folder it owns under `privateParent`. Nothing with `error` set
// when none of these can be taken.
std::optional<PaneIdentity> ChoosePaneIdentity(const std::string& home,
                                               const std::string& privateParent,
                                               std::string& error);

// The user who ran sudo or pkexec, else nobody (in its own home); nothing when neither is
// known to the system.
std::optional<PaneIdentity> InvokingUser();

// Hands `folder` and everything in it (links themselves, never what they point to) to
// `identity`; no when some entry could not be handed over.
bool GiveTree(const std::string& folder, const PaneIdentity& identity);

}  // namespace installer::pane_host
