// A small HTTPS server: one listening socket, a fixed pool of worker threads, one request
// per connection. Every connection has a time limit for the whole exchange, the request
// head and body have size limits, and a request that breaks them still gets an answer from
// the handler (see RequestProblem) unless the peer stops sending.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "inbox/http/http_message.h"

typedef struct ssl_ctx_st SSL_CTX;

namespace inbox {

struct ServerLimits {
    std::size_t maxHeadBytes = 8 * 1024;
    std::size_t maxBodyBytes = 64 * 1024;
    int exchangeSeconds = 10;  // handshake, request and answer together
    std::size_t workers = 32;
};

using RequestHandler = std::function<Response(const Request&)>;

class TlsServer {
  public:
    // Binds `listen` ("ADDRESS:PORT", "[V6]:PORT"; port 0 picks a free one) with the PEM
    // certificate chain and key. Null, with the reason in `*error`, when it cannot.
    static std::unique_ptr<TlsServer> Start(const std::string& listen,
                                            const std::string& certificatePem,
                                            const std::string& keyPem, ServerLimits limits,
                                            RequestHandler handler, std::string* error);
    // Stops accepting, finishes the connections under way and returns.
    ~TlsServer();
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    // The port it listens on.
    int port() const { return port_; }
    // Ends the accepting; safe from any thread and from a signal handler.
    void Stop();
    // Blocks until Stop().
    void Wait();

  private:
    TlsServer(SSL_CTX* context, int listener, int port, ServerLimits limits,
              RequestHandler handler);
    void AcceptLoop();
    void WorkerLoop();
    void Serve(int connection, const std::string& clientAddress);

    SSL_CTX* context_;
    int listener_;
    int port_;
    int stopPipe_[2] = {-1, -1};
    ServerLimits limits_;
    RequestHandler handler_;
    std::mutex mutex_;
    std::condition_variable queued_;
    struct Accepted {
        int socket;
        std::string address;
    };
    std::deque<Accepted> queue_;
    bool stopping_ = false;
    std::thread acceptor_;
    std::vector<std::thread> workers_;
};

}  // namespace inbox
