#include "installer/pane_host/pane_identity.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace installer::pane_host {
namespace {

// The user `uid` with the groups the system gives them.
std::optional<PaneIdentity> UserOf(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    PaneIdentity identity;
    identity.uid = entry.pw_uid;
    identity.gid = entry.pw_gid;
    identity.name = entry.pw_name != nullptr ? entry.pw_name : "";
    identity.home = entry.pw_dir != nullptr ? entry.pw_dir : "/";
    int count = 64;
    identity.groups.resize(64);
    if (getgrouplist(entry.pw_name, entry.pw_gid, identity.groups.data(), &count) < 0) {
        identity.groups.resize(static_cast<std::size_t>(count));
        getgrouplist(entry.pw_name, entry.pw_gid, identity.groups.data(), &count);
    }
    identity.groups.resize(static_cast<std::size_t>(count < 0 ? 0 : count));
    if (identity.groups.empty()) identity.groups.push_back(identity.gid);
    return identity;
}

std::optional<uid_t> UidFromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || value == 0 || value > 0xfffffffeUL) return std::nullopt;
    return static_cast<uid_t>(value);
}

std::optional<PaneIdentity> Nobody(const std::string& privateParent, std::string& error) {
    passwd* entry = getpwnam("nobody");
    if (entry == nullptr) {
        error = "there is no user nobody to run the pack's pane as";
        return std::nullopt;
    }
    const auto identity = UserOf(entry->pw_uid);
    if (!identity) {
        error = "there is no user nobody to run the pack's pane as";
        return std::nullopt;
    }
    std::string pattern = privateParent + "/packgate-pane-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr ||
        chown(pattern.c_str(), identity->uid, identity->gid) != 0) {
        error = "cannot make a private home for the pack's pane in " + privateParent + ": " +
                std::strerror(errno);
        return std::nullopt;
    }
    PaneIdentity nobody = *identity;
    nobody.groups = {nobody.gid};
    nobody.home = pattern;
    nobody.nobody = true;
    return nobody;
}

}  // namespace

std::optional<PaneIdentity> InvokingUser() {
    for (const char* variable : {"SUDO_UID", "PKEXEC_UID"}) {
        if (const auto uid = UidFromEnvironment(variable)) {
            if (auto user = UserOf(*uid)) return user;
        }
    }
    const passwd* entry = getpwnam("nobody");
    return entry != nullptr ? UserOf(entry->pw_uid) : std::nullopt;
}

bool GiveTree(const std::string& folder, const PaneIdentity& identity) {
    namespace fs = std::filesystem;
    bool all = lchown(folder.c_str(), identity.uid, identity.gid) == 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        all = lchown(it->path().c_str(), identity.uid, identity.gid) == 0 && all;
    }
    return all && !error;
}

std::optional<PaneIdentity> ChoosePaneIdentity(const std::string& home,
                                               const std::string& privateParent,
                                               std::string& error) {
    if (geteuid() != 0) return std::nullopt;
    struct stat owner {};
    if (stat(home.c_str(), &owner) == 0 && owner.st_uid != 0) {
        // An owner the user database does not know still gets the folder's own identity.
        PaneIdentity user = UserOf(owner.st_uid).value_or(
            PaneIdentity{owner.st_uid, owner.st_gid, {owner.st_gid}, std::to_string(owner.st_uid), home, false});
        user.home = home;
        return user;
    }
    for (const char* variable : {"SUDO_UID", "PKEXEC_UID"}) {
        if (const auto uid = UidFromEnvironment(variable)) {
            if (auto user = UserOf(*uid)) return user;
        }
    }
    return Nobody(privateParent, error);
}

}  // namespace installer::pane_host
