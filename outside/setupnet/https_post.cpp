#include "https_post.h"

#include <curl/curl.h>

#include <array>
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

// What every send of the process shares: TLS sessions, so that a later send to the same
// server resumes its session instead of a full handshake. libcurl asks for a lock around each
// kind of data it shares.
std::array<std::mutex, CURL_LOCK_DATA_LAST> gShareLocks;

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) {
    gShareLocks[static_cast<std::size_t>(data)].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void*) {
    gShareLocks[static_cast<std::size_t>(data)].unlock();
}

// Made once and kept for the life of the process: sends on any thread may use it until the
// end.
CURLSH* Share() {
    static CURLSH* const share = [] {
        CURLSH* made = curl_share_init();
        if (made == nullptr) return made;
        const bool ok = curl_share_setopt(made, CURLSHOPT_LOCKFUNC, LockShare) == CURLSHE_OK &&
                        curl_share_setopt(made, CURLSHOPT_UNLOCKFUNC, UnlockShare) == CURLSHE_OK &&
                        curl_share_setopt(made, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) == CURLSHE_OK;
        if (!ok) {
            curl_share_cleanup(made);
            return static_cast<CURLSH*>(nullptr);
        }
        return made;
    }();
    return share;
}

// Each thread keeps its handle from send to send (its options cleared each time): the
// handle's cache of the certificate authorities then loads their file once, not on every
// send. Sends that route names take a handle of their own, since a handle keeps the names it
// was told to resolve.
CURL* HandleFor(const TestTls& tls, EasyHandle& own) {
    if (!tls.resolve.empty() || !tls.connectTo.empty()) {
        own.reset(curl_easy_init());
        return own.get();
    }
    thread_local EasyHandle handle(curl_easy_init());
    if (handle) curl_easy_reset(handle.get());
    return handle.get();
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
    // Trusted instead of the system's authorities: the system's folder of them is not read
    // beside the file (which also lets the handle keep the file's certificates loaded).
    if (!tls.caFile.empty() && (curl_easy_setopt(h, CURLOPT_CAINFO, tls.caFile.c_str()) != CURLE_OK ||
                                curl_easy_setopt(h, CURLOPT_CAPATH, nullptr) != CURLE_OK)) {
        return false;
    }
    if (!tls.caPem.empty()) {
        // Only these are trusted: neither the file nor the system's list is loaded beside them.
        curl_blob blob{const_cast<char*>(tls.caPem.data()), tls.caPem.size(), CURL_BLOB_COPY};
        if (curl_easy_setopt(h, CURLOPT_CAINFO_BLOB, &blob) != CURLE_OK ||
            curl_easy_setopt(h, CURLOPT_CAINFO, nullptr) != CURLE_OK ||
            curl_easy_setopt(h, CURLOPT_CAPATH, nullptr) != CURLE_OK) {
            return false;
        }
    }
    if (connectTo != nullptr && curl_easy_setopt(h, CURLOPT_CONNECT_TO, connectTo) != CURLE_OK) {
        return false;
    }
    return resolve == nullptr || curl_easy_setopt(h, CURLOPT_RESOLVE, resolve) == CURLE_OK;
}

}  // namespace

std::optional<std::string> PerformHttpsPost(const HttpsPost& post, const TestTls& tls) {
    InitialiseCurlOnce();
    EasyHandle own;
    CURL* handle = HandleFor(tls, own);
    HeaderList headers = MakeHeaders();
    if (handle == nullptr || !headers) return std::nullopt;
    HeaderList resolve(tls.resolve.empty() ? nullptr
                                           : curl_slist_append(nullptr, tls.resolve.c_str()));
    if (!tls.resolve.empty() && !resolve) return std::nullopt;
    HeaderList connectTo(tls.connectTo.empty() ? nullptr
                                               : curl_slist_append(nullptr, tls.connectTo.c_str()));
    if (!tls.connectTo.empty() && !connectTo) return std::nullopt;

    ReplySink sink;
    if (!SetOptions(handle, post, headers.get(), &sink)) return std::nullopt;
    if (!SetTestTls(handle, tls, resolve.get(), connectTo.get())) return std::nullopt;
    if (CURLSH* share = Share(); share != nullptr) curl_easy_setopt(handle, CURLOPT_SHARE, share);

    const CURLcode result = curl_easy_perform(handle);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    const bool complete = result == CURLE_OK || (result == CURLE_WRITE_ERROR && sink.capped);
    if (!complete || status == 0) return std::nullopt;
    return std::move(sink.bytes);
}

}  // namespace setupnet
