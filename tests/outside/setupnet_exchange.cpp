#include "setupnet_exchange.h"

#include <array>
#include <chrono>

#include "setupnet/setupnet.h"

namespace packgate_test {

Exchange RunExchange(const std::wstring& url, const std::wstring& body, int timeoutSeconds) {
    Exchange result;
    result.created = CreateHttpRequest(url.c_str(), 1, timeoutSeconds);
    if (!result.created) return result;
    result.bodySet = SetHttpPostBody(body.c_str());
    if (!result.bodySet) return result;
    const auto start = std::chrono::steady_clock::now();
    result.sent = SendHttpRequest(0);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.sent) return result;
    std::array<wchar_t, SETUPNET_TEXT_CAPACITY> reply{};
    int length = 0;
    result.replyResult = GetRequestReturn(reply.data(), &length);
    result.reply.assign(reply.data(), static_cast<std::size_t>(length));
    return result;
}

}  // namespace packgate_test
