// The encode tool: RC4 cipher text in hex and a short MD5-derived code of a text.
#include <hostmark/encode_tool.h>
#include <hostmark/md5_text.h>

#include <cipherkit/string_cipher.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr const char* kPassphrase = "h%Lq3&w";
constexpr const char* kSalt = "=~T6!";
// The code is these ten digest characters; the first three are skipped.
constexpr std::size_t kCodeStart = 3;
constexpr std::size_t kCodeLength = 10;

}  // namespace

int Encrypt(char* text, char* hexOutput, char* codeOutput) {
    if (text == nullptr || hexOutput == nullptr || codeOutput == nullptr || text[0] == '\0') {
        return 0;
    }
    const std::unique_ptr<char[]> hex(Encrypt(text, kPassphrase));
    if (!hex) return 0;
    const std::string salted = std::string(hex.get()) + kSalt;
    const std::unique_ptr<char[]> digest(EncryptStringMD5(salted.c_str()));

    // Both outputs are written only once everything that can fail has run.
    std::strcpy(hexOutput, hex.get());
    std::memcpy(codeOutput, digest.get() + kCodeStart, kCodeLength);
    codeOutput[kCodeLength] = '\0';
    return 1;
}

extern "C" int KZUUID_Encrypt(char* text, char* hexOutput, char* codeOutput) {
    // Nothing may leave a C entry point as an exception; the outputs tell the caller anyway.
    try {
        Encrypt(text, hexOutput, codeOutput);
    } catch (...) {
    }
    return 1;
}

extern "C" int Hostmark_EncodeTool(char* text, char* hexOutput, char* codeOutput) {
    return KZUUID_Encrypt(text, hexOutput, codeOutput);
}
