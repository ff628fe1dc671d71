// classKZFeedbackLog::FeedBackLog: enciphers a record and posts it through libsetupnet.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "feedback/kz_feedback_log.h"
#include "feedback/setupnet_seam.h"
#include "feedback/wide_text.h"

#ifndef PACKGATE_FEEDBACK_URL
#error "PACKGATE_FEEDBACK_URL must name the installer-log endpoint"
#endif

namespace {

constexpr const char* kPassphrase = "7k#Qw2-!mZ9x&p4@Lr";
constexpr const char* kEndpoint = PACKGATE_FEEDBACK_URL;
// libsetupnet writes cipher text and replies into buffers of this many wide characters.
constexpr std::size_t kOutputCapacity = 2048;
constexpr int kSecureRequest = 1;
constexpr int kTimeLimitSeconds = 10;
constexpr int kSendPlain = 0;

// The first `count` characters of `buffer`; a count the library got wrong cannot reach past it.
std::wstring Leading(const std::array<wchar_t, kOutputCapacity>& buffer, int count) {
    const auto length = std::min(static_cast<std::size_t>(std::max(count, 0)), buffer.size());
    return std::wstring(buffer.data(), length);
}

}  // namespace

bool classKZFeedbackLog::FeedBackLog(const std::string& record) {
    const SetupNetCalls& net = ActiveSetupNetCalls();
    const std::wstring recordText = feedback::WideFromUtf8(record);
    const std::wstring passphraseText = feedback::WideFromUtf8(kPassphrase);
    const std::wstring endpointText = feedback::WideFromUtf8(kEndpoint);

    std::array<wchar_t, kOutputCapacity> cipher{};
    int cipherLength = 0;
    const bool enciphered = net.EncryptWStringRC4(recordText.c_str(), passphraseText.c_str(),
                                                  cipher.data(), &cipherLength);
    const std::wstring body = Leading(cipher, cipherLength);
    if (!enciphered) return true;
    if (!net.CreateHttpRequest(endpointText.c_str(), kSecureRequest, kTimeLimitSeconds)) {
        return true;
    }
    if (!net.SetHttpPostBody(body.c_str())) return true;
    if (!net.SendHttpRequest(kSendPlain)) return true;

    // The reply is fetched so the exchange completes; nothing in it is used.
    std::array<wchar_t, kOutputCapacity> reply{};
    int replyLength = 0;
    net.GetRequestReturn(reply.data(), &replyLength);
    return true;
}
