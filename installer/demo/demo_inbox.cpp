#include "installer/demo/demo_inbox.h"

#include <curl/curl.h>

#include <memory>
#include <utility>

#include "https_post.h"

namespace installer {
namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// "HOST:PORT" of an https address (PORT 443 when it names none); empty when it has no host.
std::string HostAndPort(const std::string& url) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return {};
    char* host = nullptr;
    char* port = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK) return {};
    curl_url_get(parsed.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT);
    std::string result = std::string(host) + ":" + (port != nullptr ? port : "443");
    curl_free(host);
    curl_free(port);
    return result;
}

}  // namespace

foundation::FeedbackPost DemoInboxPost(int port, std::string certificatePem) {
    return [port, certificatePem = std::move(certificatePem)](
               const std::string& url, const std::string& body, int timeoutSeconds) {
        const std::string from = HostAndPort(url);
        if (from.empty()) return false;
        setupnet::TestTls route;
        route.caPem = certificatePem;
        route.connectTo = from + ":127.0.0.1:" + std::to_string(port);
        const setupnet::HttpsPost post{url, body, 1000L * timeoutSeconds};
        return setupnet::PerformHttpsPost(post, route).has_value();
    };
}

}  // namespace installer
