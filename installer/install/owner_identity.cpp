// The install step run with the right identity (payload_install.h, InstallPayloadAsOwner).
// Root writes into a user's home with that user's file-system identity (setfsuid and
// setfsgid act on this thread only, setgroups on the process), so permission checks on every
// level are the user's; the identity is restored afterwards.
#include <grp.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "installer/install/folder_handle.h"
#include "installer/install/payload_install.h"
#include "installer/words/words.h"
#include "system/posix_calls.h"

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
    InstallReport report;
    report.packIdentifier = request.pack.identifier;
    report.packVersion = request.pack.version;
    report.packTitle = request.pack.title;
    report.hostTitle = request.hostTitle;
    report.destination = request.destination;
    report.error = std::move(error);
    return report;
}

// Takes on `uid`/`gid` for file access while it lives.
class FileIdentity {
  public:
    FileIdentity(uid_t uid, gid_t gid) {
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

  private:
    std::vector<gid_t> groups_;
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
    return InstallPayload(request);
}

}  // namespace installer
