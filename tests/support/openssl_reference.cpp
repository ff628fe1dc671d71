#include "openssl_reference.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rc4.h>

#include <cstdio>
#include <stdexcept>

namespace reference {

std::array<unsigned char, 16> Md5(const unsigned char* data, std::size_t length) {
    std::array<unsigned char, 16> digest{};
    unsigned int size = 0;
    if (EVP_Digest(data, length, digest.data(), &size, EVP_md5(), nullptr) != 1 || size != 16) {
        throw std::runtime_error("OpenSSL MD5 failed");
    }
    return digest;
}

std::string Md5Hex(const std::string& text) {
    const auto digest = Md5(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    std::string hex;
    for (unsigned char byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

namespace {

// RC4 lives in OpenSSL 3's legacy provider; loading a provider by hand stops the default one
// from loading by itself, so both are loaded. Null when the legacy provider is missing.
EVP_CIPHER* FetchRc4() {
    static EVP_CIPHER* const cipher = [] {
        if (OSSL_PROVIDER_load(nullptr, "legacy") == nullptr)
            return static_cast<EVP_CIPHER*>(nullptr);
        OSSL_PROVIDER_load(nullptr, "default");
        return EVP_CIPHER_fetch(nullptr, "RC4", nullptr);
    }();
    return cipher;
}

Bytes Rc4ThroughEvp(EVP_CIPHER* cipher, const Bytes& key, const Bytes& data) {
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    Bytes out(data.size() + 16);
    int written = 0;
    const bool ok = context != nullptr &&
                    EVP_EncryptInit_ex(context, cipher, nullptr, nullptr, nullptr) == 1 &&
                    EVP_CIPHER_CTX_set_key_length(context, static_cast<int>(key.size())) == 1 &&
                    EVP_EncryptInit_ex(context, nullptr, nullptr, key.data(), nullptr) == 1 &&
                    EVP_EncryptUpdate(context, out.data(), &written, data.data(),
                                      static_cast<int>(data.size())) == 1;
    EVP_CIPHER_CTX_free(context);
    if (!ok) throw std::runtime_error("OpenSSL RC4 failed");
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// Without the legacy provider only the deprecated low-level interface still offers RC4.
Bytes Rc4LowLevel(const Bytes& key, const Bytes& data) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    RC4_KEY schedule;
    RC4_set_key(&schedule, static_cast<int>(key.size()), key.data());
    Bytes out(data.size());
    RC4(&schedule, data.size(), data.data(), out.data());
#pragma GCC diagnostic pop
    return out;
}

}  // namespace

Bytes Rc4(const Bytes& key, const Bytes& data) {
    if (EVP_CIPHER* cipher = FetchRc4()) return Rc4ThroughEvp(cipher, key, data);
    return Rc4LowLevel(key, data);
}

std::string Hex(const Bytes& data) {
    std::string text(2 * data.size() + 1, '\0');
    std::size_t written = 0;
    if (OPENSSL_buf2hexstr_ex(text.data(), text.size(), &written, data.data(), data.size(),
                              '\0') != 1) {
        throw std::runtime_error("OpenSSL hex encoding failed");
    }
    text.resize(2 * data.size());
    return text;
}

bool FromHex(const std::string& hex, Bytes& out) {
    out.assign(hex.size() / 2 + 1, 0);
    std::size_t written = 0;
    if (OPENSSL_hexstr2buf_ex(out.data(), out.size(), &written, hex.c_str(), '\0') != 1) {
        return false;
    }
    out.resize(written);
    return true;
}

}  // namespace reference
