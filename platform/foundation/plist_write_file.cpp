// WriteDictionaryToFile: the XML text put on disk through the system-call seam.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "foundation/plist_write.h"
#include "system/posix_calls.h"

namespace foundation {
namespace {

// rw-r--r--, as macOS leaves preference files (mkstemp alone would give rw-------).
constexpr mode_t kFileMode = 0644;

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct PathParts {
    std::string folder;  // "" for the root folder
    std::string name;
};

PathParts SplitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

// Flushing the folder makes the rename itself survive a power cut. Best effort: some file
// systems refuse to sync a folder, and the file is already complete either way.
void FlushFolder(const std::string& folder) {
    const int fd = platform::OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    platform::FsyncRetrying(fd);
    platform::CloseOnce(fd);
}

bool WriteInPlace(const std::string& text, const std::string& path) {
    const int fd = platform::OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                                          kFileMode);
    if (fd < 0) return false;
    const bool written = platform::WriteAll(fd, Bytes(text));
    const bool closed = platform::CloseOnce(fd) == 0;
    return written && closed;
}

// A temporary file in the same folder, flushed, then renamed over `path`: readers see the
// earlier file or the new one, never a mixture or a truncated file.
bool WriteAtomically(const std::string& text, const std::string& path) {
    const PathParts parts = SplitPath(path);
    const std::string pattern = parts.folder + "/." + parts.name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');

    const int fd = platform::Posix().mkstemp(buffer.data());
    if (fd < 0) return false;
    const std::string temporary(buffer.data());

    const bool complete = platform::Posix().fchmod(fd, kFileMode) == 0 &&
                          platform::WriteAll(fd, Bytes(text)) && platform::FsyncRetrying(fd) == 0;
    const bool closed = platform::CloseOnce(fd) == 0;
    if (!complete || !closed || platform::Posix().rename(temporary.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        platform::Posix().unlink(temporary.c_str());
        errno = saved;
        return false;
    }
    FlushFolder(parts.folder.empty() ? "/" : parts.folder);
    return true;
}

}  // namespace

bool WriteDictionaryToFile(const PlistDict& dict, const std::string& path, bool atomically) {
    if (path.empty() || !IsXmlWritable(PlistValue(dict))) return false;
    const std::string text = XmlPropertyListText(PlistValue(dict));
    return atomically ? WriteAtomically(text, path) : WriteInPlace(text, path);
}

}  // namespace foundation
