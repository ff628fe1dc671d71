// Everything libcipherkit exports: MD5, RC4, hex codecs, narrow and wide string ciphers.
#pragma once

#include <cipherkit/hex.h>
#include <cipherkit/md5.h>
#include <cipherkit/patch_query.h>
#include <cipherkit/rc4.h>
#include <cipherkit/string_cipher.h>
#include <cipherkit/utf8_convert.h>
#include <cipherkit/wide_cipher.h>
