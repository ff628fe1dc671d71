#include "address_list.h"

#include <hostmark/machine_id.h>

#include <cstdio>
#include <cstring>

const sockaddr_in* castToIP4(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) return nullptr;
    return reinterpret_cast<const sockaddr_in*>(address);
}

namespace hostmark {

namespace {

// "a.b.c.d-m.m.m.m" is at most 31 characters.
constexpr std::size_t kEntrySize = 32;

// The four bytes of an IPv4 address, most significant first (they are stored that way).
const unsigned char* Octets(const sockaddr_in* address) {
    return reinterpret_cast<const unsigned char*>(&address->sin_addr.s_addr);
}

std::size_t FormatEntry(const sockaddr_in* address, const sockaddr_in* netmask, char* entry) {
    const unsigned char* a = Octets(address);
    const unsigned char* m = Octets(netmask);
    const int length = std::snprintf(entry, kEntrySize, "%d.%d.%d.%d-%d.%d.%d.%d", a[0], a[1], a[2],
                                     a[3], m[0], m[1], m[2], m[3]);
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

}  // namespace

int WriteAddressList(const ifaddrs* head, char* output) {
    if (head == nullptr) return 0;
    std::memset(output, 0, kAddressBufferSize);
    std::size_t used = 0;
    for (const ifaddrs* entry = head; entry != nullptr; entry = entry->ifa_next) {
        const sockaddr_in* address = castToIP4(entry->ifa_addr);
        const sockaddr_in* netmask = castToIP4(entry->ifa_netmask);
        if (address == nullptr || netmask == nullptr) continue;

        char text[kEntrySize];
        const std::size_t length = FormatEntry(address, netmask, text);
        const std::size_t separator = used == 0 ? 0 : 1;
        if (used + separator + length >= kAddressBufferSize) break;  // keep the terminator
        if (separator != 0) output[used++] = '+';
        std::memcpy(output + used, text, length);
        used += length;
    }
    return 1;
}

}  // namespace hostmark
