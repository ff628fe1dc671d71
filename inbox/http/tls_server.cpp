#include "inbox/http/tls_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <chrono>
#include <cstring>

namespace inbox {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kListenBacklog = 1024;
constexpr std::size_t kMaxQueuedConnections = 4096;
// What is read and dropped after an early answer, so the close does not reset the
// connection before the peer has read the answer.
constexpr std::size_t kMaxDrainBytes = 1 << 20;
constexpr int kDrainMs = 1000;

struct BioDeleter { void operator()(BIO* bio) const { BIO_free(bio); } };
struct CertDeleter { void operator()(X509* cert) const { X509_free(cert); } };
struct KeyDeleter { void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); } };
struct SslDeleter { void operator()(SSL* ssl) const { SSL_free(ssl); } };

std::string OpenSslError() {
    const unsigned long code = ERR_get_error();
    if (code == 0) return "unknown TLS error";
    std::array<char, 256> text{};
    ERR_error_string_n(code, text.data(), text.size());
    return text.data();
}

bool UsePemPair(SSL_CTX* context, const std::string& certificatePem, const std::string& keyPem) {
    std::unique_ptr<BIO, BioDeleter> certs(
        BIO_new_mem_buf(certificatePem.data(), static_cast<int>(certificatePem.size())));
    if (!certs) return false;
    std::unique_ptr<X509, CertDeleter> leaf(PEM_read_bio_X509(certs.get(), nullptr, nullptr, nullptr));
    if (!leaf || SSL_CTX_use_certificate(context, leaf.get()) != 1) return false;
    // The rest of the file is the chain up to the authority.
    while (X509* extra = PEM_read_bio_X509(certs.get(), nullptr, nullptr, nullptr)) {
        if (SSL_CTX_add_extra_chain_cert(context, extra) != 1) {
            X509_free(extra);
            return false;
        }
    }
    ERR_clear_error();
    std::unique_ptr<BIO, BioDeleter> keys(
        BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size())));
    if (!keys) return false;
    std::unique_ptr<EVP_PKEY, KeyDeleter> key(
        PEM_read_bio_PrivateKey(keys.get(), nullptr, nullptr, nullptr));
    return key && SSL_CTX_use_PrivateKey(context, key.get()) == 1 &&
           SSL_CTX_check_private_key(context) == 1;
}

SSL_CTX* MakeContext(const std::string& certificatePem, const std::string& keyPem,
                     std::string* error) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr) {
        *error = OpenSslError();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_SERVER);
    if (!UsePemPair(context, certificatePem, keyPem)) {
        *error = "certificate or key not usable: " + OpenSslError();
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

// "ADDRESS:PORT" or "[ADDRESS]:PORT" split; nothing when it has another form.
std::optional<std::pair<std::string, std::string>> SplitListen(const std::string& listen) {
    const auto colon = listen.rfind(':');
    if (colon == std::string::npos || colon + 1 == listen.size()) return std::nullopt;
    std::string host = listen.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    return std::make_pair(host, listen.substr(colon + 1));
}

int BindListener(const std::string& listen, int* port, std::string* error) {
    const auto parts = SplitListen(listen);
    if (!parts) {
        *error = "listen address must be ADDRESS:PORT: " + listen;
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(parts->first.c_str(), parts->second.c_str(), &hints, &found) != 0) {
        *error = "not a numeric address and port: " + listen;
        return -1;
    }
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const bool bound = fd >= 0 && bind(fd, found->ai_addr, found->ai_addrlen) == 0 &&
                       ::listen(fd, kListenBacklog) == 0;
    freeaddrinfo(found);
    if (!bound) {
        *error = "cannot listen on " + listen + ": " + std::strerror(errno);
        if (fd >= 0) close(fd);
        return -1;
    }
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    *port = ntohs(local.ss_family == AF_INET6
                      ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                      : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
    return fd;
}

std::string PeerAddress(const sockaddr_storage& peer) {
    std::array<char, INET6_ADDRSTRLEN> text{};
    const void* address = peer.ss_family == AF_INET6
                              ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_addr)
                              : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(&peer)->sin_addr);
    if (inet_ntop(peer.ss_family, address, text.data(), text.size()) == nullptr) return "unknown";
    std::string result = text.data();
    // An IPv4 client of a dual-stack socket is counted by its IPv4 address.
    if (result.starts_with("::ffff:") && result.find('.') != std::string::npos) {
        result = result.substr(7);
    }
    return result;
}

// One connection's reads and writes under its deadline.
class Exchange {
  public:
    Exchange(int socket, SSL* ssl, Clock::time_point deadline)
        : socket_(socket), ssl_(ssl), deadline_(deadline) {}

    bool Handshake() { return Retry([&] { return SSL_accept(ssl_); }) == 1; }

    // Appends what arrives to `buffer`: false at the end, on error or past the deadline.
    bool ReadSome(std::string& buffer) {
        std::array<char, 16384> chunk{};
        const int got = Retry([&] { return SSL_read(ssl_, chunk.data(), static_cast<int>(chunk.size())); });
        if (got <= 0) return false;
        buffer.append(chunk.data(), static_cast<std::size_t>(got));
        return true;
    }

    bool WriteAll(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const int wrote = Retry([&] {
                return SSL_write(ssl_, text.data() + done, static_cast<int>(text.size() - done));
            });
            if (wrote <= 0) return false;
            done += static_cast<std::size_t>(wrote);
        }
        return true;
    }

  private:
    // Runs `step` on the non-blocking socket, waiting for it to be ready until the deadline.
    template <typename Step>
    int Retry(Step step) {
        for (;;) {
            // SSL_get_error reads this thread's error queue: only this step's errors may be in it.
            ERR_clear_error();
            const int result = step();
            if (result > 0) return result;
            const int reason = SSL_get_error(ssl_, result);
            short events = 0;
            if (reason == SSL_ERROR_WANT_READ) events = POLLIN;
            if (reason == SSL_ERROR_WANT_WRITE) events = POLLOUT;
            if (events == 0) return result;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
            if (left <= 0) return -1;
            pollfd wait{socket_, events, 0};
            if (poll(&wait, 1, static_cast<int>(left)) <= 0) return -1;
        }
    }

    int socket_;
    SSL* ssl_;
    Clock::time_point deadline_;
};

// The length a request's head gives its body, or nothing when it gives none usable.
std::optional<std::size_t> ContentLength(const Request& request) {
    const auto found = request.headers.find("content-length");
    if (found == request.headers.end() || found->second.empty() || found->second.size() > 18) {
        return std::nullopt;
    }
    std::size_t length = 0;
    for (const char c : found->second) {
        if (c < '0' || c > '9') return std::nullopt;
        length = length * 10 + static_cast<std::size_t>(c - '0');
    }
    return length;
}

// Reads the request: head, then body. Nothing when the peer went quiet or away before it
// was whole; a request that breaks a limit comes back with its problem set.
std::optional<Request> ReadRequest(Exchange& exchange, const ServerLimits& limits) {
    std::string buffer;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > limits.maxHeadBytes) {
            Request tooLarge;
            tooLarge.problem = RequestProblem::HeadTooLarge;
            return tooLarge;
        }
        if (!exchange.ReadSome(buffer)) return std::nullopt;
    }
    auto request = ParseRequestHead(std::string_view(buffer).substr(0, headEnd));
    if (!request || headEnd > limits.maxHeadBytes) {
        Request malformed;
        malformed.problem = request ? RequestProblem::HeadTooLarge : RequestProblem::MalformedHead;
        return malformed;
    }
    const bool chunked = request->headers.count("transfer-encoding") != 0;
    const auto length = ContentLength(*request);
    const bool hasLengthHeader = request->headers.count("content-length") != 0;
    if (chunked || (hasLengthHeader && !length)) {
        request->problem = RequestProblem::NoLength;
        return request;
    }
    const std::size_t bodyLength = length.value_or(0);
    if (bodyLength > limits.maxBodyBytes) {
        request->problem = RequestProblem::BodyTooLarge;
        return request;
    }
    std::string body = buffer.substr(headEnd + 4);
    const auto expect = request->headers.find("expect");
    if (expect != request->headers.end() && body.size() < bodyLength &&
        !exchange.WriteAll("HTTP/1.1 100 Continue\r\n\r\n")) {
        return std::nullopt;
    }
    while (body.size() < bodyLength) {
        if (!exchange.ReadSome(body)) return std::nullopt;
    }
    body.resize(bodyLength);
    request->body = std::move(body);
    return request;
}

// Reads and drops what the peer still sends, for a moment, after the answer went out.
void Drain(int socket) {
    shutdown(socket, SHUT_WR);
    std::array<char, 16384> chunk{};
    std::size_t dropped = 0;
    const auto until = Clock::now() + std::chrono::milliseconds(kDrainMs);
    while (dropped < kMaxDrainBytes) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        pollfd wait{socket, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0) return;
        const ssize_t got = recv(socket, chunk.data(), chunk.size(), 0);
        if (got <= 0) return;
        dropped += static_cast<std::size_t>(got);
    }
}

}  // namespace

std::unique_ptr<TlsServer> TlsServer::Start(const std::string& listen,
                                            const std::string& certificatePem,
                                            const std::string& keyPem, ServerLimits limits,
                                            RequestHandler handler, std::string* error) {
    SSL_CTX* context = MakeContext(certificatePem, keyPem, error);
    if (context == nullptr) return nullptr;
    int port = 0;
    const int listener = BindListener(listen, &port, error);
    if (listener < 0) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return std::unique_ptr<TlsServer>(
        new TlsServer(context, listener, port, limits, std::move(handler)));
}

TlsServer::TlsServer(SSL_CTX* context, int listener, int port, ServerLimits limits,
                     RequestHandler handler)
    : context_(context), listener_(listener), port_(port), limits_(limits),
      handler_(std::move(handler)) {
    if (pipe2(stopPipe_, O_CLOEXEC) != 0) stopPipe_[0] = stopPipe_[1] = -1;
    acceptor_ = std::thread([this] { AcceptLoop(); });
    for (std::size_t i = 0; i < limits_.workers; ++i) {
        workers_.emplace_back([this] { WorkerLoop(); });
    }
}

TlsServer::~TlsServer() {
    Stop();
    Wait();
    close(listener_);
    close(stopPipe_[0]);
    close(stopPipe_[1]);
    SSL_CTX_free(context_);
}

void TlsServer::Stop() {
    const char byte = 0;
    [[maybe_unused]] const ssize_t wrote = write(stopPipe_[1], &byte, 1);
}

void TlsServer::Wait() {
    if (acceptor_.joinable()) acceptor_.join();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    for (auto& worker : workers_) {
        if (worker.joinable()) worker.join();
    }
}

void TlsServer::AcceptLoop() {
    for (;;) {
        std::array<pollfd, 2> waits{{{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}}};
        if (poll(waits.data(), waits.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (waits[1].revents != 0) return;
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int connection = accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length,
                                       SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0) continue;
        // The answer goes out as soon as it is written: otherwise it waits behind the session
        // tickets sent just before it until the client acknowledges them, which a client that
        // delays its acknowledgements makes tens of milliseconds.
        const int yes = 1;
        setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::lock_guard lock(mutex_);
        // Past this many waiting connections the newest are turned away at once.
        if (queue_.size() >= kMaxQueuedConnections) {
            close(connection);
            continue;
        }
        queue_.push_back({connection, PeerAddress(peer)});
        queued_.notify_one();
    }
}

void TlsServer::WorkerLoop() {
    for (;;) {
        Accepted next;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        Serve(next.socket, next.address);
        close(next.socket);
    }
}

void TlsServer::Serve(int connection, const std::string& clientAddress) {
    std::unique_ptr<SSL, SslDeleter> ssl(SSL_new(context_));
    if (!ssl || SSL_set_fd(ssl.get(), connection) != 1) return;
    Exchange exchange(connection, ssl.get(),
                      Clock::now() + std::chrono::seconds(limits_.exchangeSeconds));
    if (!exchange.Handshake()) return;
    auto request = ReadRequest(exchange, limits_);
    if (!request) return;
    request->clientAddress = clientAddress;
    const Response response = handler_(*request);
    if (!exchange.WriteAll(FormatResponse(response))) return;
    SSL_shutdown(ssl.get());
    if (request->problem != RequestProblem::None) Drain(connection);
}

}  // namespace inbox
