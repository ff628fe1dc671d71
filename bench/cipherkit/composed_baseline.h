// The library's string ciphers composed from the reference pieces: OpenSSL's RC4 and hex
// helpers, and glibc's wcstombs / mbstowcs under a UTF-8 locale for the wide texts. Each does
// the same work as the library function of the same name (the same measuring of texts and the
// same new[] results) so that the benchmark compares like with like.
#pragma once

#include <string>

namespace baseline {

// Makes this thread's conversions use a UTF-8 locale (without touching the process locale);
// false when the system has none.
bool UseUtf8Locale();

char* Encrypt(const char* plainText, const char* passphrase);
char* Decrypt(const char* hexText, const char* passphrase);
std::wstring EncryptStringRC4(const wchar_t* plainText, const wchar_t* passphrase);
std::wstring DecryptStringRC4(const wchar_t* hexText, const wchar_t* passphrase);

}  // namespace baseline
