#include "composed_baseline.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <memory>

#include "openssl_baseline.h"

namespace baseline {

namespace {

using NarrowCipher = char* (*)(const char*, const char*);

std::string ToMultibyte(const wchar_t* text) {
    const std::size_t room = 4 * std::wcslen(text) + 4;
    const auto bytes = std::make_unique<char[]>(room);
    std::wcstombs(bytes.get(), text, room);
    return bytes.get();
}

std::wstring ToWide(const char* text) {
    const std::size_t room = std::strlen(text) + 1;
    const auto wide = std::make_unique<wchar_t[]>(room);
    std::mbstowcs(wide.get(), text, room);
    return wide.get();
}

std::wstring RunWide(const wchar_t* text, const wchar_t* passphrase, NarrowCipher cipher) {
    if (text == nullptr || passphrase == nullptr) return {};
    const std::string narrowText = ToMultibyte(text);
    const std::string narrowKey = ToMultibyte(passphrase);
    if (narrowText.empty() || narrowKey.empty()) return {};
    const std::unique_ptr<char[]> result(cipher(narrowText.c_str(), narrowKey.c_str()));
    return result ? ToWide(result.get()) : std::wstring();
}

}  // namespace

bool UseUtf8Locale() {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return utf8 != nullptr && uselocale(utf8) != nullptr;
}

char* Encrypt(const char* plainText, const char* passphrase) {
    const std::size_t length = std::strlen(plainText);
    const auto work = std::make_unique_for_overwrite<unsigned char[]>(length);
    Rc4(reinterpret_cast<const unsigned char*>(passphrase),
        static_cast<int>(std::strlen(passphrase)),
        reinterpret_cast<const unsigned char*>(plainText), length, work.get());
    char* text = new char[2 * length + 1];
    ToHex(work.get(), length, text);
    return text;
}

char* Decrypt(const char* hexText, const char* passphrase) {
    const std::size_t length = std::strlen(hexText) / 2;
    const auto bytes = std::make_unique_for_overwrite<unsigned char[]>(length);
    if (!FromHex(hexText, bytes.get(), length)) return nullptr;
    auto plain = std::make_unique<char[]>(length + 1);
    Rc4(reinterpret_cast<const unsigned char*>(passphrase),
        static_cast<int>(std::strlen(passphrase)), bytes.get(), length,
        reinterpret_cast<unsigned char*>(plain.get()));
    return plain.release();
}

std::wstring EncryptStringRC4(const wchar_t* plainText, const wchar_t* passphrase) {
    return RunWide(plainText, passphrase, &Encrypt);
}

std::wstring DecryptStringRC4(const wchar_t* hexText, const wchar_t* passphrase) {
    return RunWide(hexText, passphrase, &Decrypt);
}

}  // namespace baseline
