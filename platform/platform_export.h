// Marks what libpackgate_platform exports. The library is built with hidden visibility, so a
// declaration without this mark stays inside it; exports.txt lists every exported symbol.
// libhostmark's private copy of the machine facts is built with PACKGATE_PLATFORM_STATIC and
// exports nothing.
#pragma once

#ifdef PACKGATE_PLATFORM_STATIC
#define PACKGATE_PLATFORM_API
#else
#define PACKGATE_PLATFORM_API __attribute__((visibility("default")))
#endif
