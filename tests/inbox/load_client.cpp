// Posts install reports to an inbox through the real libsetupnet, one after the other, the
// way the feedback log does (its cipher, its request, its reply), and prints one line per
// report: "ack GUID MICROSECONDS" when the inbox answered that it stored it, "fail GUID"
// otherwise. Many of these side by side are the concurrent clients of the tests and the
// benchmark (libsetupnet has one request per process).
//
//   inbox_load_client URL CA_FILE COUNT GUID_PREFIX [refused]
//
// With "refused" every body is hex that deciphers to no report: the inbox does all its work
// but the storing, the reference the benchmark measures against.
#include <chrono>
#include <cstdio>
#include <string>

#include "feedback/record_passphrase.h"
#include "feedback/wide_text.h"
#include "report_maker.h"
#include "setupnet/setupnet.h"
#include "setupnet/setupnet_test_hooks.h"
#include "setupnet_exchange.h"

namespace {

std::wstring Enciphered(const std::string& record) {
    const std::wstring plain = feedback::WideFromUtf8(record);
    const std::wstring passphrase = feedback::WideFromUtf8(feedback::kRecordPassphrase);
    std::wstring cipher(2 * record.size() + 1, L'\0');
    int length = 0;
    if (!EncryptWStringRC4(plain.c_str(), passphrase.c_str(), cipher.data(), &length)) return {};
    cipher.resize(static_cast<std::size_t>(length));
    return cipher;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && !(argc == 6 && std::string(argv[5]) == "refused")) {
        std::fprintf(stderr, "usage: inbox_load_client URL CA_FILE COUNT GUID_PREFIX [refused]\n");
        return 2;
    }
    const std::wstring url = feedback::WideFromUtf8(argv[1]);
    SetupNetTestSetTLS(argv[2], nullptr);
    const long count = std::stol(argv[3]);
    const std::string prefix = argv[4];
    const bool refused = argc == 6;
    for (long i = 0; i < count; ++i) {
        const std::string guid = prefix + "-" + std::to_string(i);
        const std::string activity = i % 2 == 0 ? "Resource-Step1" : "Resource-Step2";
        const auto start = std::chrono::steady_clock::now();
        const std::string record = inbox_test::SampleRecord(guid, activity);
        const std::wstring body = refused ? std::wstring(2 * record.size(), L'A') : Enciphered(record);
        const auto exchange = packgate_test::RunExchange(url, body, 10);
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count();
        const std::wstring expected = refused ? L"Bad Request\n" : L"stored\n";
        if (exchange.sent && exchange.reply == expected) {
            std::printf("ack %s %lld\n", guid.c_str(), static_cast<long long>(micros));
        } else {
            std::printf("fail %s\n", guid.c_str());
        }
        std::fflush(stdout);
    }
    return 0;
}
