#include "raw_https.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <memory>

namespace inbox_test {
namespace {

struct ContextDeleter { void operator()(SSL_CTX* context) const { SSL_CTX_free(context); } };
struct SslDeleter { void operator()(SSL* ssl) const { SSL_free(ssl); } };

int Connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::optional<RawReply> SendRaw(int port, const std::string& request) {
    std::unique_ptr<SSL_CTX, ContextDeleter> context(SSL_CTX_new(TLS_client_method()));
    const int fd = Connect(port);
    if (!context || fd < 0) return std::nullopt;
    std::unique_ptr<SSL, SslDeleter> ssl(SSL_new(context.get()));
    SSL_set_fd(ssl.get(), fd);
    std::string answer;
    if (SSL_connect(ssl.get()) == 1) {
        // A server that answers early may stop reading; what it answered still counts.
        SSL_write(ssl.get(), request.data(), static_cast<int>(request.size()));
        char buffer[16384];
        int got = 0;
        while ((got = SSL_read(ssl.get(), buffer, sizeof buffer)) > 0) {
            answer.append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(fd);
    const auto headEnd = answer.find("\r\n\r\n");
    if (!answer.starts_with("HTTP/1.1 ") || headEnd == std::string::npos) return std::nullopt;
    RawReply reply;
    reply.status = std::stoi(answer.substr(9, 3));
    reply.head = answer.substr(0, headEnd);
    reply.body = answer.substr(headEnd + 4);
    return reply;
}

std::string PostRequest(const std::string& path, const std::string& body) {
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace inbox_test
