// EncryptWStringRC4: libcipherkit's wide-string cipher, written into the caller's buffer.
#include <cstddef>
#include <string>

#include <cipherkit/wide_cipher.h>

#include "setupnet/setupnet.h"

namespace {

void Clear(wchar_t* output, int* outputLength) {
    if (output != nullptr) output[0] = L'\0';
    if (outputLength != nullptr) *outputLength = 0;
}

}  // namespace

extern "C" bool EncryptWStringRC4(const wchar_t* plainText, const wchar_t* passphrase,
                                  wchar_t* output, int* outputLength) {
    Clear(output, outputLength);
    if (plainText == nullptr || passphrase == nullptr || output == nullptr ||
        outputLength == nullptr) {
        return false;
    }
    // Two digits a byte: the limit on the digits is the limit on the plain text's UTF-8 form.
    const std::wstring cipher = EncryptStringRC4(plainText, passphrase);
    constexpr std::size_t kMaxDigits = 2 * std::size_t{SETUPNET_MAX_PLAIN_BYTES};
    if (cipher.empty() || cipher.size() > kMaxDigits) return false;
    cipher.copy(output, cipher.size());
    output[cipher.size()] = L'\0';
    *outputLength = static_cast<int>(cipher.size());
    return true;
}
