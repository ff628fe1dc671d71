#include "system/file_write.h"

#include <fcntl.h>

#include <cerrno>
#include <vector>

#include "system/posix_calls.h"

namespace platform {
namespace {

// Flushing the folder makes the rename itself survive a power cut.
void FlushFolder(const std::string& folder) {
    const int fd = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    FsyncRetrying(fd);
    CloseOnce(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, mode_t mode, const std::function<bool(int fd)>& fill) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string pattern = (slash == std::string::npos ? "." : path.substr(0, slash)) + "/." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');

    const int fd = Posix().mkstemp(buffer.data());
    if (fd < 0) return false;
    const std::string temporary(buffer.data());

    // mkstemp alone gives rw-------.
    errno = 0;
    const bool complete = Posix().fchmod(fd, mode) == 0 && fill(fd) && FsyncRetrying(fd) == 0;
    int error = complete ? 0 : (errno != 0 ? errno : EIO);
    if (CloseOnce(fd) != 0 && error == 0) error = errno;
    if (error == 0 && Posix().rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        Posix().unlink(temporary.c_str());
        errno = error;
        return false;
    }
    FlushFolder(folder);
    return true;
}

}  // namespace platform
