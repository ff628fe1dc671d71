// Install reports as the tests send them: records the feedback log's own builder makes,
// enciphered with OpenSSL's RC4 (not the project's), so the inbox's reader is checked
// against an independent cipher.
#pragma once

#include <string>

#include "feedback/feedback_record.h"

namespace inbox_test {

// A record with every field set; `guid` tells records apart, `activity` is its Name.
feedback::FeedbackRecordFields SampleFields(const std::string& guid,
                                            const std::string& activity = "Resource-Step1");
std::string SampleRecord(const std::string& guid, const std::string& activity = "Resource-Step1");

// `plain` enciphered under `passphrase` (the record passphrase by default) as upper-case hex.
std::string Encipher(const std::string& plain);
std::string EncipherWith(const std::string& plain, const std::string& passphrase);

}  // namespace inbox_test
