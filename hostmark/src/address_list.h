// The walk over an interface address list that KZUUID_GetIPAddress writes out. It takes the
// list as given, so tests can hand it lists that no real machine produces.
#pragma once

#include <ifaddrs.h>

#include <cstddef>

namespace hostmark {

// Size of the caller's address list buffer.
inline constexpr std::size_t kAddressBufferSize = 2048;

// Returns 0 with `output` untouched for an empty list (`head` null). Otherwise zeroes the
// kAddressBufferSize bytes of `output`, writes "a.b.c.d-m.m.m.m" for each entry whose address
// and netmask are both IPv4, joined by "+", and returns 1. The first entry that would not fit
// in full (with its "+" and the terminator) ends the list.
int WriteAddressList(const ifaddrs* head, char* output);

}  // namespace hostmark
