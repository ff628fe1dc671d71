#include "system/system_info.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <mutex>
#include <vector>

#include "system/file_read.h"
#include "system/posix_calls.h"
#include "system/system_info_internal.h"

namespace platform {
namespace {

constexpr const char* kDmiUuidPath = "/sys/class/dmi/id/product_uuid";
constexpr const char* kMachineIdPath = "/etc/machine-id";
// Where D-Bus keeps the same identifier; machines without systemd may have only this one.
constexpr const char* kDbusMachineIdPath = "/var/lib/dbus/machine-id";
// The registry keeps the UUID in a 4096-byte buffer; anything longer is not a UUID.
constexpr std::size_t kMaxIdFileBytes = 4095;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char ToUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return std::string(text);
}

// The trimmed text of a small file; empty when it is unreadable or holds a NUL byte.
std::string TrimmedFileText(const char* path) {
    const auto bytes = ReadRegularFile(path, kMaxIdFileBytes);
    if (!bytes) return {};
    if (std::find(bytes->begin(), bytes->end(), std::uint8_t{0}) != bytes->end()) return {};
    return Trimmed(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

// "3d1219c7c4c5404aaa1f6d2a48adfda4" -> "3D1219C7-C4C5-404A-AA1F-6D2A48ADFDA4"; empty when
// the text is not exactly 32 hex digits.
std::string MachineIdAsUUID(const std::string& id) {
    if (id.size() != 32 || !std::all_of(id.begin(), id.end(), IsHexDigit)) return {};
    std::string uuid;
    for (std::size_t i = 0; i < id.size(); ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20) uuid += '-';
        uuid += ToUpper(id[i]);
    }
    return uuid;
}

struct UUIDOverride {
    std::mutex mutex;
    std::optional<std::string> uuid;
};

UUIDOverride& Override() {
    static UUIDOverride instance;
    return instance;
}

// Reads one number of the release text; a field with no digits, or one too large for an
// int, reads as 0. Answers whether digits were found (the release goes on after them).
bool ReadNumber(std::string_view& rest, int& out) {
    const auto digits =
        std::find_if(rest.begin(), rest.end(), [](char c) { return c < '0' || c > '9'; });
    const auto length = static_cast<std::size_t>(digits - rest.begin());
    if (length == 0) return false;
    int value = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + length, value);
    out = (error == std::errc()) ? value : 0;
    rest.remove_prefix(length);
    return true;
}

}  // namespace

namespace detail {

std::string PlatformUUIDFromFiles(const char* dmiUuidPath, const char* machineIdPath,
                                  const char* dbusMachineIdPath) {
    std::string uuid = TrimmedFileText(dmiUuidPath);
    if (!uuid.empty()) return uuid;
    uuid = MachineIdAsUUID(TrimmedFileText(machineIdPath));
    if (!uuid.empty()) return uuid;
    return MachineIdAsUUID(TrimmedFileText(dbusMachineIdPath));
}

SystemVersion ParseKernelRelease(std::string_view release) {
    SystemVersion version;
    int* fields[] = {&version.major, &version.minor, &version.bugFix};
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) {
            if (release.empty() || release.front() != '.') break;
            release.remove_prefix(1);
        }
        if (!ReadNumber(release, *fields[i])) break;
    }
    return version;
}

}  // namespace detail

std::string PlatformUUID() {
    {
        auto& state = Override();
        const std::lock_guard lock(state.mutex);
        if (state.uuid) return *state.uuid;
    }
    return detail::PlatformUUIDFromFiles(kDmiUuidPath, kMachineIdPath, kDbusMachineIdPath);
}

void SetPlatformUUIDOverride(std::optional<std::string> uuid) {
    auto& state = Override();
    const std::lock_guard lock(state.mutex);
    state.uuid = std::move(uuid);
}

SystemVersion QuerySystemVersion() {
    struct utsname name {};
    if (Posix().uname(&name) != 0) return {};
    return detail::ParseKernelRelease(name.release);
}

}  // namespace platform
