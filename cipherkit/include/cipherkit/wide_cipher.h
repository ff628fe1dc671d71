// The hex string cipher over wide strings: texts and passphrases are converted to UTF-8,
// enciphered or deciphered with Encrypt / Decrypt, and the result converted back. The key is
// thus the UTF-8 bytes of the passphrase, and the cipher text has two upper-case hex digits
// per UTF-8 byte of the plain text. The locale is never touched; safe on several threads.
// libcipherkit only.
#pragma once

#include <string>

#include <cipherkit/export.h>

// The upper-case hex cipher text, or an empty string when either argument is null or
// converts to an empty text.
CIPHERKIT_API std::wstring EncryptStringRC4(const wchar_t* plainText, const wchar_t* passphrase);
// The plain text, or an empty string on any refusal (null or empty argument, odd length, a
// character other than 0-9 and A-F). A wrong passphrase is not detected: the result is then
// whatever part of the deciphered bytes reads as UTF-8.
CIPHERKIT_API std::wstring DecryptStringRC4(const wchar_t* hexText, const wchar_t* passphrase);
