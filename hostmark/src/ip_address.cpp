// IPv4 address list entry points.
#include <ifaddrs.h>

#include <hostmark/machine_id.h>

#include "address_list.h"

extern "C" int KZUUID_GetIPAddress(char* output) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return 0;
    const int result = hostmark::WriteAddressList(list, output);
    freeifaddrs(list);
    return result;
}

extern "C" int Hostmark_GetIPAddress(char* output) {
    return KZUUID_GetIPAddress(output);
}
