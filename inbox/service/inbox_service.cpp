#include "inbox/service/inbox_service.h"

#include <openssl/crypto.h>

#include <cstdio>
#include <utility>

#include "inbox/body/report_body.h"
#include "inbox/stats/utc_time.h"
#include "inbox/web/report_page.h"

namespace inbox {
namespace {

constexpr std::size_t kPageRows = 500;
constexpr std::size_t kMaxLoggedPath = 120;
constexpr const char* kPagePolicy =
    "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; frame-ancestors 'none'";

// A path as it may stand in a log line: printable ASCII only, and not too long.
std::string LoggedPath(const std::string& path) {
    std::string shown;
    for (const char c : path.substr(0, kMaxLoggedPath)) {
        shown += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    if (path.size() > kMaxLoggedPath) shown += "...";
    return shown;
}

std::string LoggedMethod(const Request& request) {
    return request.method.empty() ? "-" : LoggedPath(request.method);
}

std::string Value(const Request& request, const char* name) {
    const auto found = request.query.find(name);
    return found == request.query.end() ? std::string() : found->second;
}

}  // namespace

std::string RequestCounts::Line() const {
    return "stored " + std::to_string(stored.load()) + ", bad 400: " +
           std::to_string(badReport.load()) + ", too large 413: " +
           std::to_string(tooLarge.load()) + ", too many 429: " + std::to_string(tooMany.load()) +
           ", not found 404: " + std::to_string(notFound.load()) + ", wrong method 405: " +
           std::to_string(wrongMethod.load()) + ", no token 401: " +
           std::to_string(unauthorized.load()) + ", failed 500: " + std::to_string(failed.load()) +
           ", pages: " + std::to_string(pages.load());
}

InboxService::InboxService(ServiceSettings settings, std::unique_ptr<GroupCommit> commit)
    : settings_(std::move(settings)), commit_(std::move(commit)),
      rate_(settings_.reportsPerMinute) {}

Response InboxService::Refuse(const Request& request, int status,
                              std::atomic<std::uint64_t>& counter, const std::string& why) {
    ++counter;
    std::fprintf(stderr, "packgate-inbox: %d %s for %s: %s %s: %s\n", status, StatusText(status),
                 request.clientAddress.c_str(), LoggedMethod(request).c_str(),
                 LoggedPath(request.path).c_str(), why.c_str());
    Response response;
    response.status = status;
    response.body = std::string(StatusText(status)) + "\n";
    return response;
}

Response InboxService::Handle(const Request& request) {
    switch (request.problem) {
        case RequestProblem::MalformedHead:
            return Refuse(request, 400, counts_.badReport, "not an HTTP/1.1 request");
        case RequestProblem::HeadTooLarge:
            return Refuse(request, 431, counts_.tooLarge, "request head over its limit");
        case RequestProblem::BodyTooLarge:
            return Refuse(request, 413, counts_.tooLarge, "body over 64 KiB");
        case RequestProblem::NoLength:
            return Refuse(request, 400, counts_.badReport, "body without a usable Content-Length");
        case RequestProblem::None:
            break;
    }
    if (request.path == kReportPath) {
        if (request.method == "POST") return PostReport(request);
        Response refused = Refuse(request, 405, counts_.wrongMethod, "reports are POSTed");
        refused.headers["Allow"] = "POST";
        return refused;
    }
    if (request.path == "/") {
        if (request.method == "GET") return Page(request);
        Response refused = Refuse(request, 405, counts_.wrongMethod, "the page is read only");
        refused.headers["Allow"] = "GET";
        return refused;
    }
    return Refuse(request, 404, counts_.notFound, "no such path");
}

Response InboxService::PostReport(const Request& request) {
    if (!rate_.Allow(request.clientAddress, NowMs())) {
        return Refuse(request, 429, counts_.tooMany, "more reports than this address may send");
    }
    auto report = ReadReportBody(request.body);
    if (!report) {
        return Refuse(request, 400, counts_.badReport,
                      "the body is not an enciphered install report (" +
                          std::to_string(request.body.size()) + " bytes)");
    }
    Arrival arrival{NowMs(), request.clientAddress, std::move(*report)};
    if (!commit_->Store(std::move(arrival))) {
        return Refuse(request, 500, counts_.failed, "the database did not take the report");
    }
    ++counts_.stored;
    Response stored;
    stored.body = "stored\n";
    return stored;
}

bool InboxService::HasToken(const Request& request) const {
    std::string given = Value(request, "token");
    const auto header = request.headers.find("authorization");
    if (header != request.headers.end() && header->second.starts_with("Bearer ")) {
        given = header->second.substr(7);
    }
    return !settings_.token.empty() && given.size() == settings_.token.size() &&
           CRYPTO_memcmp(given.data(), settings_.token.data(), given.size()) == 0;
}

Response InboxService::Page(const Request& request) {
    if (settings_.token.empty()) return Refuse(request, 404, counts_.notFound, "the page is off");
    if (!HasToken(request)) return Refuse(request, 401, counts_.unauthorized, "no or wrong token");

    PageContent content;
    content.token = settings_.token;
    content.filters = {Value(request, "since"), Value(request, "machine"), Value(request, "serial"),
                       Value(request, "version")};
    ReportFilter filter;
    filter.machineId = content.filters.machine;
    filter.serial = content.filters.serial;
    filter.productVersion = content.filters.version;
    if (!content.filters.since.empty()) {
        filter.sinceMs = ParseUtc(content.filters.since);
        if (!filter.sinceMs) content.problem = "Since must read YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ; it is not applied.";
    }
    std::string error;
    const auto store = OpenReportStore(settings_.database, OpenMode::CreateIfMissing, &error);
    const auto found = store ? store->Find(filter) : std::nullopt;
    if (!found) {
        return Refuse(request, 500, counts_.failed,
                      "the database cannot be read: " + (store ? store->error() : error));
    }
    content.stats = ComputeStats(*found);
    const std::size_t first = found->size() > kPageRows ? found->size() - kPageRows : 0;
    content.shown.assign(found->begin() + static_cast<std::ptrdiff_t>(first), found->end());
    content.counters = "Since this server started: " + counts_.Line() + ".";
    ++counts_.pages;

    Response page;
    page.contentType = "text/html; charset=utf-8";
    page.body = RenderReportPage(content);
    page.headers["Content-Security-Policy"] = kPagePolicy;
    page.headers["Referrer-Policy"] = "no-referrer";
    return page;
}

}  // namespace inbox
