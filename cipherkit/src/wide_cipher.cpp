// The hex string cipher over wide strings (libcipherkit only).
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

#include <cipherkit/string_cipher.h>
#include <cipherkit/wide_cipher.h>

#include "utf8_text.h"

namespace {

using NarrowCipher = char* (*)(const char*, const char*);

// Both directions: convert text and passphrase to UTF-8, run `cipher`, convert back. The
// conversions read the caller's C strings in place; the UTF-8 forms hold no inner zero byte,
// as conversion stops at the first zero. A hex cipher text is ASCII, which the way back
// widens in whole blocks.
std::wstring RunWide(const wchar_t* text, const wchar_t* passphrase, NarrowCipher cipher) {
    if (text == nullptr || passphrase == nullptr) return {};
    const std::string narrowText = cipherkit::Utf8FromWide(text, std::wcslen(text));
    const std::string narrowKey = cipherkit::Utf8FromWide(passphrase, std::wcslen(passphrase));
    if (narrowText.empty() || narrowKey.empty()) return {};
    const std::unique_ptr<char[]> result(cipher(narrowText.c_str(), narrowKey.c_str()));
    if (!result) return {};
    return cipherkit::WideFromUtf8(result.get(), std::strlen(result.get()));
}

}  // namespace

std::wstring EncryptStringRC4(const wchar_t* plainText, const wchar_t* passphrase) {
    return RunWide(plainText, passphrase, &Encrypt);
}

std::wstring DecryptStringRC4(const wchar_t* hexText, const wchar_t* passphrase) {
    return RunWide(hexText, passphrase, &Decrypt);
}
