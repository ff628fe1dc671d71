// What the inbox answers: POST /installer/log stores one report (200 only once it is
// durable), GET / is the read-only page behind the token, and everything else is refused
// with its status. Every refusal is counted and logged in one line on standard error.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "inbox/http/http_message.h"
#include "inbox/service/rate_limit.h"
#include "inbox/store/group_commit.h"

namespace inbox {

inline constexpr const char* kReportPath = "/installer/log";

struct ServiceSettings {
    std::string database;              // as OpenReportStore takes it; the page reads from it
    std::uint32_t reportsPerMinute = 0; // per client address; 0: no limit
    std::string token;                 // the page's token; empty: no page
};

// How each kind of request was answered since the start.
struct RequestCounts {
    std::atomic<std::uint64_t> stored{0};       // 200 on a report
    std::atomic<std::uint64_t> badReport{0};    // 400
    std::atomic<std::uint64_t> tooLarge{0};     // 413 (and 431 for a head)
    std::atomic<std::uint64_t> tooMany{0};      // 429
    std::atomic<std::uint64_t> notFound{0};     // 404
    std::atomic<std::uint64_t> wrongMethod{0};  // 405
    std::atomic<std::uint64_t> unauthorized{0}; // 401
    std::atomic<std::uint64_t> failed{0};       // 500: the database failed
    std::atomic<std::uint64_t> pages{0};        // 200 on the page
    // "stored 12, bad 1, too large 0, ..." in one line.
    std::string Line() const;
};

class InboxService {
  public:
    InboxService(ServiceSettings settings, std::unique_ptr<GroupCommit> commit);
    Response Handle(const Request& request);
    const RequestCounts& counts() const { return counts_; }

  private:
    Response Refuse(const Request& request, int status, std::atomic<std::uint64_t>& counter,
                    const std::string& why);
    Response PostReport(const Request& request);
    Response Page(const Request& request);
    bool HasToken(const Request& request) const;

    ServiceSettings settings_;
    std::unique_ptr<GroupCommit> commit_;
    RateLimit rate_;
    RequestCounts counts_;
};

}  // namespace inbox
