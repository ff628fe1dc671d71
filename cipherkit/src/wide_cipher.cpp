// The hex string cipher over wide strings (libcipherkit only).
#include <memory>
#include <string>

#include <cipherkit/string_cipher.h>
#include <cipherkit/utf8_convert.h>
#include <cipherkit/wide_cipher.h>

namespace {

using NarrowCipher = char* (*)(const char*, const char*);

// Both directions: convert text and passphrase to UTF-8, run `cipher`, convert back.
// ConvertToString stops at the first zero, so the UTF-8 forms hold no inner zero byte.
std::wstring RunWide(const wchar_t* text, const wchar_t* passphrase, NarrowCipher cipher) {
    if (text == nullptr || passphrase == nullptr) return {};
    const std::string narrowText = ConvertToString(text);
    const std::string narrowKey = ConvertToString(passphrase);
    if (narrowText.empty() || narrowKey.empty()) return {};
    const std::unique_ptr<char[]> result(cipher(narrowText.c_str(), narrowKey.c_str()));
    if (!result) return {};
    return ConvertToWstring(result.get());
}

}  // namespace

std::wstring EncryptStringRC4(const wchar_t* plainText, const wchar_t* passphrase) {
    return RunWide(plainText, passphrase, &Encrypt);
}

std::wstring DecryptStringRC4(const wchar_t* hexText, const wchar_t* passphrase) {
    return RunWide(hexText, passphrase, &Decrypt);
}
