// libmachinetag: the maker's machine identifier.
//
// The identifier is 12 upper-case hex digits: the first six bytes of the MD5 digest of the
// platform UUID. It is stable for the life of the machine's UUID, and the UUID itself never
// leaves the machine through it. Plain C entry point; safe on several threads at once.
#pragma once

#define MACHINETAG_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

// The identifier's length in characters, without its terminating zero byte.
enum { MTAG_ID_LENGTH = 12 };

// Writes the identifier and a zero byte into `buffer`, never more than `size` bytes: with
// `size` below 13 only its first `size` - 1 characters are written. Writes nothing when
// `buffer` is null or `size` is 0 or less, and an empty text when the machine has no
// platform UUID. Returns 1 when the whole identifier was written, otherwise 0.
MACHINETAG_API int MTAGGetID(char* buffer, int size);

#ifdef __cplusplus
}
#endif
