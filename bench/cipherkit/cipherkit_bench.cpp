// Speed of every function libcipherkit exports for its callers, each measured beside OpenSSL
// (or the same work composed from OpenSSL's pieces) in the same run, at four sizes, and
// printed as one table of ratios. Sizes count the bytes a function enciphers, digests or
// encodes: the decoders read twice as many hex digits, and the wide functions take texts of
// that many UTF-8 bytes. The decoders get a different input on every call, so that no branch
// predictor learns one text by heart.
#include <benchmark/benchmark.h>

#include <cipherkit/hex.h>
#include <cipherkit/md5.h>
#include <cipherkit/rc4.h>
#include <cipherkit/string_cipher.h>
#include <cipherkit/wide_cipher.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "composed_baseline.h"
#include "interleaved_ratio.h"
#include "openssl_baseline.h"

namespace {

using interleaved::Case;

constexpr std::size_t kSizes[] = {64, 1024, 64 * 1024, 1024 * 1024};
const unsigned char kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const char kPassphrase[] = "installer-log-16";
const wchar_t kWidePassphrase[] = L"installer-log-16";

// As many distinct inputs as fit in about a mebibyte, at least two.
std::size_t PoolSize(std::size_t size) {
    return std::max<std::size_t>(2, std::min<std::size_t>(64, (1u << 20) / size));
}

// Bytes 1-255, so that the texts made of them have no inner zero.
std::string RandomText(std::mt19937& rng, std::size_t size) {
    std::string text(size, ' ');
    for (char& c : text) c = static_cast<char>(1 + rng() % 255);
    return text;
}

// Mostly ASCII with a two- or three-byte character now and then, `size` UTF-8 bytes long:
// the shape of the feedback records the wide cipher carries.
std::wstring RandomWideText(std::mt19937& rng, std::size_t size) {
    std::wstring text;
    std::size_t bytes = 0;
    while (bytes < size) {
        const std::size_t left = size - bytes;
        if (left >= 3 && rng() % 32 == 0) {
            const bool three = rng() % 2 == 0;
            text += three ? L'\u6F22' : L'\u00E9';
            bytes += three ? 3 : 2;
        } else {
            text += static_cast<wchar_t>(' ' + rng() % 95);
            bytes += 1;
        }
    }
    return text;
}

template <typename Item>
const Item& Pick(const std::vector<Item>& pool, std::size_t call) {
    return pool[call % pool.size()];
}

using SharedBytes = std::shared_ptr<const std::string>;

void RegisterDigestAndStream(std::size_t size, const SharedBytes& bytes) {
    // The calls keep `bytes`, and with it `data`, alive.
    const auto* data = reinterpret_cast<const unsigned char*>(bytes->data());
    interleaved::Register({"MD5", size,
                           [=, bytes = bytes](std::size_t) {
                               unsigned char digest[16];
                               MD5Context context;
                               MD5Init(&context);
                               MD5Update(&context, data, static_cast<unsigned int>(size));
                               MD5Final(&context, digest);
                               benchmark::DoNotOptimize(digest);
                           },
                           [=](std::size_t) {
                               unsigned char digest[16];
                               baseline::Md5(data, size, digest);
                               benchmark::DoNotOptimize(digest);
                           }});
    auto out = std::make_shared<std::vector<unsigned char>>(size);
    interleaved::Register({"RC4", size,
                           [=](std::size_t) {
                               unsigned int produced = 0;
                               RC4(data, static_cast<unsigned int>(size), kKey, sizeof kKey,
                                   out->data(), &produced);
                               benchmark::DoNotOptimize(out->data());
                           },
                           [=](std::size_t) {
                               baseline::Rc4(kKey, sizeof kKey, data, size, out->data());
                               benchmark::DoNotOptimize(out->data());
                           }});
}

void RegisterHex(std::size_t size, std::mt19937& rng, const SharedBytes& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes->data());
    interleaved::Register({"ByteToHex", size,
                           [=, bytes = bytes](std::size_t) {
                               const std::unique_ptr<char[]> text(
                                   ByteToHex(data, static_cast<unsigned int>(size)));
                               benchmark::DoNotOptimize(text.get());
                           },
                           [=](std::size_t) {
                               const std::unique_ptr<char[]> text(new char[2 * size + 1]);
                               baseline::ToHex(data, size, text.get());
                               benchmark::DoNotOptimize(text.get());
                           }});
    auto texts = std::make_shared<std::vector<std::string>>();
    for (std::size_t k = 0; k < PoolSize(size); ++k) {
        const std::string random = RandomText(rng, size);
        const std::unique_ptr<char[]> hex(
            ByteToHex(reinterpret_cast<const unsigned char*>(random.data()),
                      static_cast<unsigned int>(size)));
        texts->push_back(hex.get());
    }
    interleaved::Register({"HexToByte", size,
                           [=](std::size_t call) {
                               const std::unique_ptr<unsigned char[]> out(
                                   HexToByte(Pick(*texts, call).c_str()));
                               benchmark::DoNotOptimize(out.get());
                           },
                           [=](std::size_t call) {
                               const std::string& hex = Pick(*texts, call);
                               const std::size_t length = std::strlen(hex.c_str()) / 2;
                               const std::unique_ptr<unsigned char[]> out(
                                   new unsigned char[length]);
                               baseline::FromHex(hex.c_str(), out.get(), length);
                               benchmark::DoNotOptimize(out.get());
                           }});
}

void RegisterNarrowCipher(std::size_t size, std::mt19937& rng) {
    const auto plain = std::make_shared<std::string>(RandomText(rng, size));
    interleaved::Register({"Encrypt", size,
                           [=](std::size_t) {
                               const std::unique_ptr<char[]> hex(
                                   Encrypt(plain->c_str(), kPassphrase));
                               benchmark::DoNotOptimize(hex.get());
                           },
                           [=](std::size_t) {
                               const std::unique_ptr<char[]> hex(
                                   baseline::Encrypt(plain->c_str(), kPassphrase));
                               benchmark::DoNotOptimize(hex.get());
                           }});
    auto texts = std::make_shared<std::vector<std::string>>();
    for (std::size_t k = 0; k < PoolSize(size); ++k) {
        const std::unique_ptr<char[]> hex(Encrypt(RandomText(rng, size).c_str(), kPassphrase));
        texts->push_back(hex.get());
    }
    interleaved::Register({"Decrypt", size,
                           [=](std::size_t call) {
                               const std::unique_ptr<char[]> out(
                                   Decrypt(Pick(*texts, call).c_str(), kPassphrase));
                               benchmark::DoNotOptimize(out.get());
                           },
                           [=](std::size_t call) {
                               const std::unique_ptr<char[]> out(
                                   baseline::Decrypt(Pick(*texts, call).c_str(), kPassphrase));
                               benchmark::DoNotOptimize(out.get());
                           }});
}

void RegisterWideCipher(std::size_t size, std::mt19937& rng) {
    const auto plain = std::make_shared<std::wstring>(RandomWideText(rng, size));
    interleaved::Register({"EncryptStringRC4", size,
                           [=](std::size_t) {
                               auto hex = EncryptStringRC4(plain->c_str(), kWidePassphrase);
                               benchmark::DoNotOptimize(hex.data());
                           },
                           [=](std::size_t) {
                               auto hex = baseline::EncryptStringRC4(plain->c_str(),
                                                                     kWidePassphrase);
                               benchmark::DoNotOptimize(hex.data());
                           }});
    auto texts = std::make_shared<std::vector<std::wstring>>();
    for (std::size_t k = 0; k < PoolSize(size); ++k) {
        texts->push_back(
            EncryptStringRC4(RandomWideText(rng, size).c_str(), kWidePassphrase));
    }
    interleaved::Register({"DecryptStringRC4", size,
                           [=](std::size_t call) {
                               auto out =
                                   DecryptStringRC4(Pick(*texts, call).c_str(), kWidePassphrase);
                               benchmark::DoNotOptimize(out.data());
                           },
                           [=](std::size_t call) {
                               auto out = baseline::DecryptStringRC4(Pick(*texts, call).c_str(),
                                                                     kWidePassphrase);
                               benchmark::DoNotOptimize(out.data());
                           }});
}

}  // namespace

int main(int argc, char** argv) {
    if (!baseline::UseUtf8Locale()) {
        std::fprintf(stderr, "no C.UTF-8 locale for the wide references\n");
        return 1;
    }
    std::mt19937 rng(42);
    for (const std::size_t size : kSizes) {
        const auto bytes = std::make_shared<const std::string>(RandomText(rng, size));
        RegisterDigestAndStream(size, bytes);
        RegisterHex(size, rng, bytes);
        RegisterNarrowCipher(size, rng);
        RegisterWideCipher(size, rng);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    interleaved::PrintTable({{"MD5", ">= 0.95"},
                             {"RC4", ">= 1.00 (0.95 at 64 B)"},
                             {"ByteToHex", ">= 2.00"},
                             {"HexToByte", ">= 2.00"},
                             {"Encrypt", ">= 1.00"},
                             {"Decrypt", ">= 1.00"},
                             {"EncryptStringRC4", ">= 1.00"},
                             {"DecryptStringRC4", ">= 1.00"}});
    benchmark::Shutdown();
    return 0;
}
