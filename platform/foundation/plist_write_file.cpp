// WriteDictionaryToFile: the XML text put on disk through the system-call seam.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "foundation/plist_write.h"
#include "system/file_write.h"
#include "system/posix_calls.h"

namespace foundation {
namespace {

// rw-r--r--, as macOS leaves preference files (mkstemp alone would give rw-------).
constexpr mode_t kFileMode = 0644;

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool WriteInPlace(const std::string& text, const std::string& path) {
    const int fd = platform::OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                                          kFileMode);
    if (fd < 0) return false;
    const bool written = platform::WriteAll(fd, Bytes(text));
    const bool closed = platform::CloseOnce(fd) == 0;
    return written && closed;
}

}  // namespace

bool WriteDictionaryToFile(const PlistDict& dict, const std::string& path, bool atomically) {
    if (path.empty() || !IsXmlWritable(PlistValue(dict))) return false;
    const std::string text = XmlPropertyListText(PlistValue(dict));
    if (!atomically) return WriteInPlace(text, path);
    return platform::WriteFileAtomically(path, kFileMode,
                                         [&](int fd) { return platform::WriteAll(fd, Bytes(text)); });
}

}  // namespace foundation
