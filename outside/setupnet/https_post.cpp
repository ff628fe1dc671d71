#include "https_post.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace setupnet {
namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

struct ReplySink {
    std::string bytes;
    bool capped = false;
};

// Failing the write past the cap stops a server that streams without end before the time
// limit has to.
std::size_t KeepReply(char* data, std::size_t size, std::size_t count, void* context) {
    auto* sink = static_cast<ReplySink*>(context);
    const std::size_t length = size * count;
    if (sink->bytes.size() + length > kMaxReplyBytes) {
        sink->bytes.append(data, kMaxReplyBytes - sink->bytes.size());
        sink->capped = true;
        return 0;
    }
    sink->bytes.append(data, length);
    return length;
}

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HeaderList MakeHeaders() {
    curl_slist* list = curl_slist_append(nullptr, "Content-Type: text/plain; charset=utf-8");
    if (list == nullptr) return nullptr;
    // An empty Expect header keeps libcurl from waiting on a 100-continue round trip.
    curl_slist* extended = curl_slist_append(list, "Expect:");
    if (extended == nullptr) {
        curl_slist_free_all(list);
        return nullptr;
    }
    return HeaderList(extended);
}

bool SetOptions(CURL* h, const HttpsPost& post, curl_slist* headers, ReplySink* sink) {
    bool ok = curl_easy_setopt(h, CURLOPT_URL, post.url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https") == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_PROXY, "") == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    // When the time limit ends a name lookup, libcurl would otherwise wait for its resolver
    // thread to come back from getaddrinfo, which a name server that never answers keeps for
    // half a minute or more. This way the thread is left to finish on its own and the send
    // returns at the limit.
    ok = ok && curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, post.timeoutMs) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, post.timeoutMs) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_POST, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                                static_cast<curl_off_t>(post.body.size())) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_POSTFIELDS, post.body.data()) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, KeepReply) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_WRITEDATA, sink) == CURLE_OK;
    return ok;
}

bool SetTestTls(CURL* h, const TestTls& tls, curl_slist* resolve, curl_slist* connectTo) {
    if (!tls.caFile.empty() &&
        curl_easy_setopt(h, CURLOPT_CAINFO, tls.caFile.c_str()) != CURLE_OK) {
        return false;
    }
    if (!tls.caPem.empty()) {
        curl_blob blob{const_cast<char*>(tls.caPem.data()), tls.caPem.size(), CURL_BLOB_COPY};
        if (curl_easy_setopt(h, CURLOPT_CAINFO_BLOB, &blob) != CURLE_OK) return false;
    }
    if (connectTo != nullptr && curl_easy_setopt(h, CURLOPT_CONNECT_TO, connectTo) != CURLE_OK) {
        return false;
    }
    return resolve == nullptr || curl_easy_setopt(h, CURLOPT_RESOLVE, resolve) == CURLE_OK;
}

}  // namespace

std::optional<std::string> PerformHttpsPost(const HttpsPost& post, const TestTls& tls) {
    InitialiseCurlOnce();
    EasyHandle handle(curl_easy_init());
    HeaderList headers = MakeHeaders();
    if (!handle || !headers) return std::nullopt;
    HeaderList resolve(tls.resolve.empty() ? nullptr
                                           : curl_slist_append(nullptr, tls.resolve.c_str()));
    if (!tls.resolve.empty() && !resolve) return std::nullopt;
    HeaderList connectTo(tls.connectTo.empty() ? nullptr
                                               : curl_slist_append(nullptr, tls.connectTo.c_str()));
    if (!tls.connectTo.empty() && !connectTo) return std::nullopt;

    ReplySink sink;
    if (!SetOptions(handle.get(), post, headers.get(), &sink)) return std::nullopt;
    if (!SetTestTls(handle.get(), tls, resolve.get(), connectTo.get())) return std::nullopt;

    const CURLcode result = curl_easy_perform(handle.get());
    long status = 0;
    curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &status);
    const bool complete = result == CURLE_OK || (result == CURLE_WRITE_ERROR && sink.capped);
    if (!complete || status == 0) return std::nullopt;
    return std::move(sink.bytes);
}

}  // namespace setupnet
