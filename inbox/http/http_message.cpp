#include "inbox/http/http_message.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace inbox {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> Lines(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const auto end = head.find("\r\n");
        lines.push_back(head.substr(0, end));
        if (end == std::string_view::npos) break;
        head.remove_prefix(end + 2);
    }
    return lines;
}

bool IsToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isalnum(c) || std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) !=
                                      std::string_view::npos;
    });
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseQuery(std::string_view query, std::map<std::string, std::string>& into) {
    while (!query.empty()) {
        const auto end = query.find('&');
        const std::string_view pair = query.substr(0, end);
        const auto equals = pair.find('=');
        const auto name = DecodeQueryText(pair.substr(0, equals));
        const auto value = DecodeQueryText(
            equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
        if (!name || !value) return false;
        if (!name->empty()) into[*name] = *value;
        if (end == std::string_view::npos) break;
        query.remove_prefix(end + 1);
    }
    return true;
}

bool ParseRequestLine(std::string_view line, Request& request) {
    const auto firstSpace = line.find(' ');
    const auto lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || firstSpace == lastSpace) return false;
    request.method = std::string(line.substr(0, firstSpace));
    const std::string_view target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const std::string_view version = line.substr(lastSpace + 1);
    if (!IsToken(request.method) || target.empty() || target.front() != '/') return false;
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
    if (target.find_first_of(" \t") != std::string_view::npos) return false;
    const auto question = target.find('?');
    request.path = std::string(target.substr(0, question));
    return question == std::string_view::npos || ParseQuery(target.substr(question + 1), request.query);
}

}  // namespace

std::optional<std::string> DecodeQueryText(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
        } else if (text[i] != '%') {
            decoded += text[i];
        } else {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        }
    }
    return decoded;
}

std::optional<Request> ParseRequestHead(std::string_view head) {
    const auto lines = Lines(head);
    Request request;
    if (lines.empty() || !ParseRequestLine(lines.front(), request)) return std::nullopt;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto colon = lines[i].find(':');
        if (colon == std::string_view::npos || !IsToken(lines[i].substr(0, colon))) {
            return std::nullopt;
        }
        const std::string name = Lower(lines[i].substr(0, colon));
        const std::string_view value = Trim(lines[i].substr(colon + 1));
        if (value.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
        // Two lengths that disagree are how requests get smuggled: refuse them.
        if (name == "content-length" && request.headers.count(name) != 0 &&
            request.headers[name] != value) {
            return std::nullopt;
        }
        request.headers[name] = std::string(value);
    }
    return request;
}

const char* StatusText(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 408: return "Request Timeout";
        case 411: return "Length Required";
        case 413: return "Content Too Large";
        case 429: return "Too Many Requests";
        case 431: return "Request Header Fields Too Large";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Unknown";
    }
}

std::string FormatResponse(const Response& response) {
    std::string text = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       StatusText(response.status) + "\r\n";
    text += "Content-Type: " + response.contentType + "\r\n";
    text += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    text += "Connection: close\r\n";
    text += "Cache-Control: no-store\r\n";
    text += "X-Content-Type-Options: nosniff\r\n";
    for (const auto& [name, value] : response.headers) text += name + ": " + value + "\r\n";
    text += "\r\n";
    text += response.body;
    return text;
}

}  // namespace inbox
