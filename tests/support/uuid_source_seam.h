// The platform UUID's sources answered from files a test chooses, through the system-call
// seam: while an object lives, opening one of the system's source paths opens the file mapped
// to it, or fails with ENOENT when none is, so a case sees the machine it describes whatever
// the machine running it holds. Other paths reach the real open().
#pragma once

#include <cerrno>
#include <cstring>
#include <map>
#include <string>

#include "system/posix_calls.h"

namespace platform_test {

inline constexpr const char* kDmiUuidSource = "/sys/class/dmi/id/product_uuid";
inline constexpr const char* kMachineIdSource = "/etc/machine-id";
inline constexpr const char* kDbusMachineIdSource = "/var/lib/dbus/machine-id";

class UUIDSourceFiles {
  public:
    UUIDSourceFiles() : scoped_(Redirecting()) { Mapped().clear(); }
    ~UUIDSourceFiles() { Mapped().clear(); }
    UUIDSourceFiles(const UUIDSourceFiles&) = delete;
    UUIDSourceFiles& operator=(const UUIDSourceFiles&) = delete;

    // Opening `source` opens `file` from now on.
    void Map(const char* source, const std::string& file) { Mapped()[source] = file; }

  private:
    static std::map<std::string, std::string>& Mapped() {
        static std::map<std::string, std::string> mapped;
        return mapped;
    }

    static bool IsSource(const char* path) {
        for (const char* source : {kDmiUuidSource, kMachineIdSource, kDbusMachineIdSource}) {
            if (std::strcmp(path, source) == 0) return true;
        }
        return false;
    }

    static int Open(const char* path, int flags, mode_t mode) {
        const platform::PosixCalls real = platform::RealPosixCalls();
        if (!IsSource(path)) return real.open(path, flags, mode);
        const auto found = Mapped().find(path);
        if (found == Mapped().end()) {
            errno = ENOENT;
            return -1;
        }
        return real.open(found->second.c_str(), flags, mode);
    }

    static platform::PosixCalls Redirecting() {
        platform::PosixCalls calls = platform::RealPosixCalls();
        calls.open = Open;
        return calls;
    }

    platform::ScopedPosixCalls scoped_;
};

}  // namespace platform_test
