#include "inbox/http/self_signed.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <string>

namespace inbox {
namespace {

struct KeyDeleter { void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); } };
struct CertDeleter { void operator()(X509* cert) const { X509_free(cert); } };
struct BioDeleter { void operator()(BIO* bio) const { BIO_free(bio); } };
struct ExtDeleter { void operator()(X509_EXTENSION* ext) const { X509_EXTENSION_free(ext); } };

constexpr long kOneYearSeconds = 365L * 24 * 60 * 60;

bool IsAddress(const std::string& name) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, name.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, name.c_str(), bytes) == 1;
}

std::string AltNames(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        if (!list.empty()) list += ',';
        list += (IsAddress(name) ? "IP:" : "DNS:") + name;
    }
    return list;
}

bool AddExtension(X509* cert, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    std::unique_ptr<X509_EXTENSION, ExtDeleter> ext(
        X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

bool SetSerial(X509* cert) {
    unsigned char random[16];
    if (RAND_bytes(random, sizeof random) != 1) return false;
    random[0] &= 0x7F;  // a positive serial number
    BIGNUM* number = BN_bin2bn(random, sizeof random, nullptr);
    const bool ok = number != nullptr && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert));
    BN_free(number);
    return ok;
}

std::optional<std::string> BioText(BIO* bio) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    if (length <= 0 || data == nullptr) return std::nullopt;
    return std::string(data, static_cast<std::size_t>(length));
}

bool FillCertificate(X509* cert, EVP_PKEY* key, const std::vector<std::string>& names) {
    const std::string commonName = names.empty() ? "localhost" : names.front();
    X509_NAME* subject = X509_get_subject_name(cert);
    return X509_set_version(cert, 2) == 1 && SetSerial(cert) &&
           X509_gmtime_adj(X509_getm_notBefore(cert), -60) != nullptr &&
           X509_gmtime_adj(X509_getm_notAfter(cert), kOneYearSeconds) != nullptr &&
           X509_set_pubkey(cert, key) == 1 &&
           X509_NAME_add_entry_by_txt(
               subject, "CN", MBSTRING_UTF8,
               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) == 1 &&
           X509_set_issuer_name(cert, subject) == 1 &&
           AddExtension(cert, NID_basic_constraints, "critical,CA:TRUE") &&
           (names.empty() || AddExtension(cert, NID_subject_alt_name, AltNames(names))) &&
           X509_sign(cert, key, EVP_sha256()) > 0;
}

}  // namespace

std::optional<PemPair> MakeSelfSignedPair(const std::vector<std::string>& names) {
    std::unique_ptr<EVP_PKEY, KeyDeleter> key(EVP_EC_gen("P-256"));
    std::unique_ptr<X509, CertDeleter> cert(X509_new());
    if (!key || !cert || !FillCertificate(cert.get(), key.get(), names)) return std::nullopt;

    std::unique_ptr<BIO, BioDeleter> certBio(BIO_new(BIO_s_mem()));
    std::unique_ptr<BIO, BioDeleter> keyBio(BIO_new(BIO_s_mem()));
    if (!certBio || !keyBio || PEM_write_bio_X509(certBio.get(), cert.get()) != 1 ||
        PEM_write_bio_PrivateKey(keyBio.get(), key.get(), nullptr, nullptr, 0, nullptr,
                                 nullptr) != 1) {
        return std::nullopt;
    }
    auto certificate = BioText(certBio.get());
    auto privateKey = BioText(keyBio.get());
    if (!certificate || !privateKey) return std::nullopt;
    return PemPair{std::move(*certificate), std::move(*privateKey)};
}

}  // namespace inbox
