// The inbox's body reader with bodies from anyone. The first byte chooses what the rest is:
// even, the body itself (hex or not); odd, a plain text that is enciphered first, so the
// fuzzer reaches the JSON checks. Whatever the input, no crash, and an accepted body gives a
// report whose record reads back to the same report.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <cipherkit/string_cipher.h>

#include "feedback/record_passphrase.h"
#include "fuzz_check.h"
#include "inbox/body/report_body.h"

namespace {

std::string Enciphered(const std::string& plain) {
    const std::unique_ptr<char[]> cipher(Encrypt(plain.c_str(), feedback::kRecordPassphrase));
    return cipher ? std::string(cipher.get()) : std::string();
}

bool IsUpperHex(const std::string& text) {
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return text.size() % 2 == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool plainText = (data[0] & 1) != 0;
    // The cipher takes zero-terminated texts: a zero would cut the plain text short.
    if (plainText && rest.find('\0') != std::string::npos) return 0;
    const std::string body = plainText ? Enciphered(rest) : rest;
    const auto report = inbox::ReadReportBody(body);
    if (!report) return 0;

    FUZZ_CHECK(IsUpperHex(body));
    FUZZ_CHECK(report->record.size() * 2 == body.size());
    FUZZ_CHECK(report->record.find('\0') == std::string::npos);
    if (plainText) FUZZ_CHECK(report->record == rest);
    const auto again = inbox::ReadReportRecord(report->record);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->guid == report->guid && again->machineId == report->machineId &&
               again->serial == report->serial && again->productVersion == report->productVersion &&
               again->systemVersion == report->systemVersion && again->activity == report->activity);
    return 0;
}
