// Everything libhostmark exports under its own headers. The library also carries its own
// build of libcipherkit's MD5 functions (<cipherkit/md5.h>), of GetKey and RC4
// (<cipherkit/rc4.h>; its GetKey returns 1 on success), of ByteToHex (<cipherkit/hex.h>) and
// of the two-argument Encrypt (<cipherkit/string_cipher.h>); those headers install with it.
// It ships alone, so it keeps a private static copy of the little of the Packgate platform
// library it needs (the platform UUID source and its file reads); nothing of that copy is
// exported, and settings made in libpackgate_platform do not reach it.
#pragma once

#include <hostmark/encode_tool.h>
#include <hostmark/machine_id.h>
#include <hostmark/md5_text.h>
