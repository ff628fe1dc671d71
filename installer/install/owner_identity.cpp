// The install step run with the right identity (payload_install.h, InstallPayloadAsOwner).
// Root writes into a user's home with that user's file-system identity (setfsuid and
// setfsgid act on this thread only, setgroups on the process), so permission checks on every
// level are the user's; the identity is restored afterwards. The payload is read with the
// program's own identity: an opened archive lies in a folder only root may enter, and the
// user gains nothing from it, since every file is read below the payload folder without
// following links.
#include <grp.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include "installer/install/folder_handle.h"
#include "installer/install/payload_install.h"
#include "installer/words/words.h"
#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {
namespace {

bool Inside(const std::string& path, const std::string& folder) {
    if (folder.empty() || folder == "/") return false;
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return path.size() > base.size() && path.compare(0, base.size(), base) == 0 &&
           path[base.size()] == '/' && path.find("/../") == std::string::npos &&
           !path.ends_with("/..");
}

InstallReport Refused(const InstallRequest& request, std::string error) {
    InstallReport report = ReportFor(request);
    report.error = std::move(error);
    return report;
}

// Takes on `uid`/`gid` for file access while it lives.
class FileIdentity {
  public:
    FileIdentity(uid_t uid, gid_t gid) : uid_(uid), gid_(gid) {
        const int count = ::getgroups(0, nullptr);
        if (count > 0) {
            groups_.resize(static_cast<std::size_t>(count));
            ::getgroups(count, groups_.data());
        }
        const gid_t only[] = {gid};
        if (::setgroups(1, only) != 0) return;
        ::setfsgid(gid);
        ::setfsuid(uid);
        // setfsuid answers the previous value, so a second call tells whether it took.
        ok_ = static_cast<uid_t>(::setfsuid(uid)) == uid && static_cast<gid_t>(::setfsgid(gid)) == gid;
    }
    ~FileIdentity() {
        ::setfsuid(0);
        ::setfsgid(0);
        ::setgroups(groups_.size(), groups_.data());
    }
    FileIdentity(const FileIdentity&) = delete;
    FileIdentity& operator=(const FileIdentity&) = delete;
    bool ok() const { return ok_; }

    // Runs `step` with root's file-system identity, then takes the user's on again.
    void asRoot(const std::function<void()>& step) const {
        ::setfsuid(0);
        ::setfsgid(0);
        step();
        const int error = errno;
        ::setfsgid(gid_);
        ::setfsuid(uid_);
        errno = error;
    }

  private:
    std::vector<gid_t> groups_;
    uid_t uid_;
    gid_t gid_;
    bool ok_ = false;
};

}  // namespace

InstallReport InstallPayloadAsOwner(const InstallRequest& request) {
    const Words& words = Words::ForUser();
    const bool inHome = Inside(request.destination, request.home);
    if (request.hostKind == "Store" && !inHome) {
        return Refused(request, words.text("install.error.outside_home",
                                           {{"path", request.destination}, {"home", request.home}}));
    }
    if (::geteuid() != 0 || !inHome) return InstallPayload(request);
    const FolderHandle home = OpenFolderNoFollow(request.home);
    struct stat owner {};
    if (!home.valid() || platform::Posix().fstat(home.fd(), &owner) != 0) {
        return Refused(request, words.text("install.error.destination",
                                           {{"path", request.home}, {"reason", std::strerror(errno)}}));
    }
    if (owner.st_uid == 0) return InstallPayload(request);
    const FileIdentity identity(owner.st_uid, owner.st_gid);
    if (!identity.ok()) {
        return Refused(request, words.text("install.error.owner", {{"path", request.home}}));
    }
    InstallRequest asUser = request;
    asUser.asPayloadReader = [&identity](const std::function<void()>& read) { identity.asRoot(read); };
    return InstallPayload(asUser);
}

}  // namespace installer
