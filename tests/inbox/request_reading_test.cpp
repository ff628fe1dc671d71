// The pieces of the service that decide on a request before any report is read: the request
// head, the per-address rate, the times the filters take.
#include <gtest/gtest.h>

#include "inbox/http/http_message.h"
#include "inbox/service/rate_limit.h"
#include "inbox/stats/utc_time.h"

namespace {

using inbox::ParseRequestHead;

TEST(RequestHead, ReadsMethodPathQueryAndHeaders) {
    const auto request = ParseRequestHead(
        "GET /?token=a%20b&serial=EM2+1&empty=&=x HTTP/1.1\r\nHost: h\r\nX-Thing:  spaced  ");
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->method, "GET");
    EXPECT_EQ(request->path, "/");
    EXPECT_EQ(request->query.at("token"), "a b");
    EXPECT_EQ(request->query.at("serial"), "EM2 1");
    EXPECT_EQ(request->query.at("empty"), "");
    EXPECT_EQ(request->query.count(""), 0u);
    EXPECT_EQ(request->headers.at("x-thing"), "spaced");
}

TEST(RequestHead, RefusesWhatIsNotAnHttp1Head) {
    EXPECT_FALSE(ParseRequestHead(""));
    EXPECT_FALSE(ParseRequestHead("GET / HTTP/2"));
    EXPECT_FALSE(ParseRequestHead("GET index.html HTTP/1.1"));
    EXPECT_FALSE(ParseRequestHead("GET  / HTTP/1.1"));
    EXPECT_FALSE(ParseRequestHead("G(T / HTTP/1.1"));
    EXPECT_FALSE(ParseRequestHead("GET /?a=%4 HTTP/1.1"));
    EXPECT_FALSE(ParseRequestHead("GET /?a=%zz HTTP/1.1"));
    EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\nNo colon here"));
    EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\nBad Name: x"));
    // Two lengths that disagree: which one a proxy in front believed is unknowable.
    EXPECT_FALSE(ParseRequestHead("POST / HTTP/1.1\r\nContent-Length: 5\r\ncontent-length: 6"));
    EXPECT_TRUE(ParseRequestHead("POST / HTTP/1.1\r\nContent-Length: 5\r\ncontent-length: 5"));
}

TEST(RateLimit, LetsABurstThroughThenKeepsThePace) {
    inbox::RateLimit limit(60);  // one a second after a burst of 60
    int allowed = 0;
    for (int i = 0; i < 100; ++i) allowed += limit.Allow("10.0.0.1", 1000) ? 1 : 0;
    EXPECT_EQ(allowed, 60);
    EXPECT_TRUE(limit.Allow("10.0.0.2", 1000)) << "another address has its own bucket";
    EXPECT_FALSE(limit.Allow("10.0.0.1", 1500));
    EXPECT_TRUE(limit.Allow("10.0.0.1", 2000));
    EXPECT_FALSE(limit.Allow("10.0.0.1", 2000));
    EXPECT_FALSE(limit.Allow("10.0.0.1", 500)) << "a clock that steps back refills nothing";
    EXPECT_TRUE(inbox::RateLimit(0).Allow("10.0.0.1", 0));
}

TEST(RateLimit, ForgettingManyAddressesKeepsTheBusyOnesLimited) {
    inbox::RateLimit limit(2);
    EXPECT_TRUE(limit.Allow("busy", 0));
    EXPECT_TRUE(limit.Allow("busy", 0));
    for (int i = 0; i < 10001; ++i) limit.Allow("a" + std::to_string(i), 1);
    EXPECT_FALSE(limit.Allow("busy", 2));
}

TEST(UtcTime, ParsesDaysAndMomentsAndRefusesTheRest) {
    EXPECT_EQ(inbox::ParseUtc("2026-12-09"), 1796774400000);
    EXPECT_EQ(inbox::ParseUtc("2026-12-09T01:02:03Z"), 1796774400000 + 3723000);
    EXPECT_EQ(inbox::FormatUtc(1796774400000 + 3723004), "2026-12-09T01:02:03.004Z");
    EXPECT_EQ(inbox::DayOf(1796774400000 - 1), "2026-12-08");
    EXPECT_FALSE(inbox::ParseUtc("2026-02-30"));
    EXPECT_FALSE(inbox::ParseUtc("2026-12-09T24:00:00Z"));
    EXPECT_FALSE(inbox::ParseUtc("2026-12-9"));
    EXPECT_FALSE(inbox::ParseUtc("yesterday!"));
    EXPECT_FALSE(inbox::ParseUtc("2026-12-09T01:02:03"));
}

}  // namespace
