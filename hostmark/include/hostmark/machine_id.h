// Who the machine is: its platform UUID and its IPv4 addresses with their netmasks, written
// as plain text into buffers the caller provides. The KZUUID_ and Hostmark_ names behave
// identically (the Hostmark_ ones forward). No state is kept between calls; calls on separate
// buffers may run on several threads at once. Output pointers are not checked.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <hostmark/export.h>

extern "C" {

// Writes the platform UUID text into `output` (1024 bytes), zero-filled behind the text. A
// UUID that begins with "00000000-0000-1000-8000-" is written as its last group in lower
// case; any other is written as the system keeps it. A text longer than 1023 characters is
// cut there; when no UUID can be read, or what the system holds is not valid UTF-8, the text
// is empty. Always returns 1.
HOSTMARK_API int KZUUID_GetUUID(char* output);
HOSTMARK_API int Hostmark_GetUUID(char* output);

// Writes "a.b.c.d-m.m.m.m" for every interface address whose address and netmask are both
// IPv4, in the system's order, joined by "+", into `output` (2048 bytes), zero-filled behind
// the text. Loopback and interfaces that are down are listed too. An entry that would not fit
// in full, with its "+", ends the list there. Returns 1 when the list was written (an empty
// text when there is no IPv4 address), or 0 with `output` untouched when the system gave no
// interface list.
HOSTMARK_API int KZUUID_GetIPAddress(char* output);
HOSTMARK_API int Hostmark_GetIPAddress(char* output);

}  // extern "C"

// `address` viewed as an IPv4 socket address, or null when it is null or of another family.
HOSTMARK_API const sockaddr_in* castToIP4(const sockaddr* address);
