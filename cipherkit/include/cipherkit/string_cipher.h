// RC4 over zero-terminated byte strings, with the cipher text written as upper-case hex.
// The key is the passphrase's bytes unchanged, and there is no nonce: one passphrase always
// turns one plain text into the same cipher text. This obscures texts; it does not protect
// them. An empty passphrase is refused. Returned texts are allocated with new[]; the caller
// releases them with delete[]. Safe on several threads at once.
#pragma once

#include <cipherkit/export.h>

// A new text of 2 * strlen(`plainText`) upper-case hex digits (empty for an empty plain
// text), or null when an argument is null or the passphrase is empty.
CIPHERKIT_API char* Encrypt(const char* plainText, const char* passphrase);
// The new zero-terminated plain text of `hexText`, or null when an argument is null, the
// passphrase is empty, or `hexText` is empty, of odd length or holds a character other than
// 0-9 and A-F. A deciphered zero byte ends the text early for callers that use strlen.
// libcipherkit only.
CIPHERKIT_API char* Decrypt(const char* hexText, const char* passphrase);
// Deciphers the strlen(`input`) raw bytes of `input` with RC4 under a 16-byte key: the MD5
// digest of `passphrase`. `output` receives the deciphered bytes followed by a zero byte (it
// needs strlen(`input`) + 1 bytes; it may be `input` itself) and `*outputLength` the number
// of deciphered bytes. Returns true, or false with nothing written when a pointer is null.
// libcipherkit only.
CIPHERKIT_API bool DecryptString(unsigned char* input, unsigned char* output,
                                 unsigned long* outputLength, char* passphrase);
