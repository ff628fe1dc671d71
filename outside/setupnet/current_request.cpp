// The library's one current request and the four HTTP entry points that drive it.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include <curl/curl.h>

#include <cipherkit/utf8_convert.h>

#include "https_post.h"
#include "setupnet/setupnet.h"

namespace setupnet {
namespace {

struct CurrentRequest {
    HttpsPost post;
    bool hasBody = false;
    bool sent = false;
    std::optional<std::string> reply;
};

struct LibraryState {
    std::mutex mutex;
    std::optional<CurrentRequest> request;
    TestTls tls;
};

LibraryState& State() {
    static LibraryState state;
    return state;
}

// The UTF-8 form of `text`, or nothing when some character of it has none.
std::optional<std::string> Utf8Whole(const wchar_t* text) {
    const std::wstring wide(text);
    std::string utf8 = ConvertToString(wide);
    if (ConvertToWstring(utf8) != wide) return std::nullopt;
    return utf8;
}

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

bool IsHttpsAddress(const std::string& url) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return false;
    }
    char* scheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return false;
    const bool https = std::string(scheme) == "https";
    curl_free(scheme);
    return https;
}

}  // namespace
}  // namespace setupnet

using setupnet::State;

extern "C" bool CreateHttpRequest(const wchar_t* url, int secure, int timeoutSeconds) {
    if (url == nullptr || secure != 1 || timeoutSeconds <= 0) return false;
    const auto address = setupnet::Utf8Whole(url);
    if (!address || !setupnet::IsHttpsAddress(*address)) return false;

    std::lock_guard lock(State().mutex);
    State().request.emplace();
    State().request->post.url = *address;
    State().request->post.timeoutMs = 1000L * timeoutSeconds;
    return true;
}

extern "C" bool SetHttpPostBody(const wchar_t* body) {
    if (body == nullptr) return false;
    const auto utf8 = setupnet::Utf8Whole(body);
    if (!utf8) return false;

    std::lock_guard lock(State().mutex);
    auto& request = State().request;
    if (!request || request->sent) return false;
    request->post.body = *utf8;
    request->hasBody = true;
    return true;
}

extern "C" bool SendHttpRequest(int flags) {
    std::lock_guard lock(State().mutex);
    auto& request = State().request;
    if (flags != 0 || !request || !request->hasBody || request->sent) return false;
    // A request is sent once only, whatever the outcome.
    request->sent = true;
    request->reply = setupnet::PerformHttpsPost(request->post, State().tls);
    return request->reply.has_value();
}

extern "C" int GetRequestReturn(wchar_t* reply, int* replyLength) {
    if (reply == nullptr || replyLength == nullptr) return 0;
    std::lock_guard lock(State().mutex);
    const auto& request = State().request;
    if (!request || !request->reply) return 0;

    const std::wstring wide = ConvertToWstring(*request->reply);
    const std::size_t count = std::min<std::size_t>(wide.size(), SETUPNET_TEXT_CAPACITY - 1);
    wide.copy(reply, count);
    reply[count] = L'\0';
    *replyLength = static_cast<int>(count);
    return 1;
}

void setupnet::SetTestTls(TestTls tls) {
    std::lock_guard lock(State().mutex);
    State().tls = std::move(tls);
}
