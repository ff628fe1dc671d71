// MD5 digest of a text as lower-case hex (libhostmark only). MD5 is broken for collision
// resistance: a check value, not a signature.
#pragma once

#include <hostmark/export.h>

// The 32 lower-case hex digits of the MD5 digest of the strlen(`text`) bytes of `text`, in a
// new 33-byte array the caller releases with delete[]. `text` must be a valid string.
HOSTMARK_API char* EncryptStringMD5(const char* text);
