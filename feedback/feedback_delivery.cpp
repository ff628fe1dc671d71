// classKZFeedbackLog::FeedBackLog: enciphers a record and posts it through libsetupnet.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "feedback/kz_feedback_log.h"
#include "feedback/record_passphrase.h"
#include "feedback/setupnet_seam.h"
#include "feedback/wide_text.h"
#include "foundation/feedback_post.h"
#include "foundation/system_log.h"
#include "setupnet/setupnet.h"

#ifndef PACKGATE_FEEDBACK_URL
#error "PACKGATE_FEEDBACK_URL must name the installer-log endpoint"
#endif

namespace {

constexpr const char* kEndpoint = PACKGATE_FEEDBACK_URL;
// Records are counted in characters (code points, one wide character each), not in UTF-8
// bytes. A character takes at most four bytes, so every record within this limit is within
// what libsetupnet enciphers; real records are a few hundred characters.
constexpr std::size_t kMaxRecordCharacters = SETUPNET_MAX_PLAIN_BYTES / 4 - 1;
static_assert(4 * kMaxRecordCharacters <= SETUPNET_MAX_PLAIN_BYTES);
static_assert(kMaxRecordCharacters >= 2047, "every record shorter than 2048 characters posts");
constexpr int kSecureRequest = 1;
constexpr int kTimeLimitSeconds = 10;
constexpr int kSendPlain = 0;

// Room for the cipher text of a record whose UTF-8 form is `utf8Bytes` long: two hex digits
// a byte and the terminator.
std::size_t CipherCapacity(std::size_t utf8Bytes) {
    return 2 * utf8Bytes + 1;
}

// The first `count` characters of `buffer`; a count the library got wrong cannot reach past it.
std::wstring Leading(const std::vector<wchar_t>& buffer, int count) {
    const auto length = std::min(static_cast<std::size_t>(std::max(count, 0)), buffer.size());
    return std::wstring(buffer.data(), length);
}

}  // namespace

bool classKZFeedbackLog::FeedBackLog(const std::string& record) {
    const SetupNetCalls& net = ActiveSetupNetCalls();
    const std::wstring recordText = feedback::WideFromUtf8(record);
    if (recordText.size() > kMaxRecordCharacters) {
        foundation::NSLog("Feedback record of %lu characters not posted: the limit is %lu",
                          recordText.size(), kMaxRecordCharacters);
        return true;
    }
    const std::wstring passphraseText = feedback::WideFromUtf8(feedback::kRecordPassphrase);
    const std::wstring endpointText = feedback::WideFromUtf8(kEndpoint);

    // The wide text is the decoding of `record` up to its end or its first invalid byte, and
    // each of its characters came from at most four bytes: its UTF-8 form is never longer
    // than either bound.
    const std::size_t utf8Bytes = std::min(record.size(), 4 * recordText.size());
    std::vector<wchar_t> cipher(CipherCapacity(utf8Bytes), L'\0');
    int cipherLength = 0;
    const bool enciphered = net.EncryptWStringRC4(recordText.c_str(), passphraseText.c_str(),
                                                  cipher.data(), &cipherLength);
    const std::wstring body = Leading(cipher, cipherLength);
    if (!enciphered) return true;
    // The demo machine's host sends reports to its own local inbox (foundation/feedback_post.h).
    if (const auto hostPost = foundation::HostFeedbackPost()) {
        hostPost(kEndpoint, std::string(body.begin(), body.end()), kTimeLimitSeconds);
        return true;
    }
    if (!net.CreateHttpRequest(endpointText.c_str(), kSecureRequest, kTimeLimitSeconds)) {
        return true;
    }
    if (!net.SetHttpPostBody(body.c_str())) return true;
    if (!net.SendHttpRequest(kSendPlain)) return true;

    // The reply is fetched so the exchange completes; nothing in it is used.
    std::array<wchar_t, SETUPNET_TEXT_CAPACITY> reply{};
    int replyLength = 0;
    net.GetRequestReturn(reply.data(), &replyLength);
    return true;
}
