// Writing a whole file through the system-call seam (posix_calls.h), so that readers see the
// earlier file or the new one, never a part of it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

#include "platform_export.h"

namespace platform {

// Makes a temporary file beside `path` with permissions `mode`, lets `fill` write it, flushes
// it, renames it over `path` and flushes the folder (best effort: some file systems refuse to
// sync a folder, and the file is complete either way). False (errno set) when any step
// fails; the temporary file is then removed and `path` is as it was.
PACKGATE_PLATFORM_API bool WriteFileAtomically(const std::string& path, mode_t mode,
                                               const std::function<bool(int fd)>& fill);

}  // namespace platform
