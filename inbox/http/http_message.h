// HTTP/1.1 requests and responses as the inbox's small server reads and writes them: one
// request per connection, a bounded head and a body of a stated length.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace inbox {

// Why a request could not be read whole; the handler still answers it.
enum class RequestProblem { None, MalformedHead, HeadTooLarge, BodyTooLarge, NoLength };

struct Request {
    std::string method;
    std::string path;                           // the target without its query, undecoded
    std::map<std::string, std::string> query;   // decoded query parameters (the last wins)
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    std::string clientAddress;
    RequestProblem problem = RequestProblem::None;
};

struct Response {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::map<std::string, std::string> headers;  // beyond the ones every response has
};

// The request line and headers of `head` (everything before the blank line), or nothing when
// it is not a well-formed HTTP/1.x head.
std::optional<Request> ParseRequestHead(std::string_view head);

// `text` with %XX escapes and '+' decoded; nothing when an escape is broken.
std::optional<std::string> DecodeQueryText(std::string_view text);

// The whole response, with Content-Length, Connection: close and the security headers.
std::string FormatResponse(const Response& response);

// The reason phrase of `status`.
const char* StatusText(int status);

}  // namespace inbox
