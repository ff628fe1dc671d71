// The feedback endpoint misbehaving, through the real libsetupnet against local servers on
// 127.0.0.x: refusing, resetting, never answering, answering byte by byte, answering without
// end, redirecting. Every exchange returns within the request's time limit, and nothing but
// the one POST leaves: the server counts connections and requests, and a redirect is never
// followed.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "fault_tally.h"
#include "feedback/kz_feedback_log.h"
#include "log_capture.h"
#include "scratch_folder.h"
#include "setupnet/setupnet.h"
#include "setupnet/setupnet_test_hooks.h"

namespace packgate_reliability {
namespace {

using packgate_test::ChildProcess;
using packgate_test::RunProgram;
using Clock = std::chrono::steady_clock;

constexpr const char* kFamily = "feedback endpoint";
constexpr const char* kHost = "installer-log.velmora.example";
constexpr int kTimeLimitSeconds = 1;
// Beyond the time limit: libcurl's own bookkeeping, a loaded machine, the sanitizers.
constexpr double kLateness = 2.0;
// The feedback log's own time limit for its post.
constexpr double kFeedbackTimeLimit = 10.0;

// What a server printed about one exchange.
struct Traffic {
    int connections = 0;
    std::vector<std::string> requests;  // "METHOD PATH"
};

struct Exchange {
    bool sent = false;
    int replyResult = 0;
    int replyLength = 0;
    double seconds = 0;
};

// The host and port of the feedback log's endpoint, from the address it was built with.
struct Endpoint {
    std::string host;
    std::string port = "443";
};

Endpoint FeedbackEndpoint() {
    std::string rest = std::string(PACKGATE_FEEDBACK_URL).substr(std::string("https://").size());
    rest = rest.substr(0, rest.find('/'));
    Endpoint endpoint{rest};
    if (const auto colon = rest.find(':'); colon != std::string::npos) {
        endpoint = {rest.substr(0, colon), rest.substr(colon + 1)};
    }
    return endpoint;
}

// "127.a.b.", with a and b taken from the process id.
std::string LoopbackNetworkOfThisProcess() {
    const auto pid = static_cast<unsigned>(getpid());
    return "127." + std::to_string(1 + (pid >> 8) % 254) + "." + std::to_string(pid % 256) + ".";
}

class EndpointFaults : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<packgate_test::ScratchFolder>("packgate-endpoint");
        cert_ = *folder_ / "cert.pem";
        const std::string key = *folder_ / "key.pem";
        const Endpoint feedback = FeedbackEndpoint();
        ASSERT_EQ(
            RunProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-keyout", key,
                        "-out", cert_, "-subj", std::string("/CN=") + kHost, "-addext",
                        "subjectAltName=DNS:" + std::string(kHost) + ",DNS:" + feedback.host}),
            0);
        std::vector<std::string> command = {"python3", RELIABILITY_HOSTILE_SERVER, cert_, key};
        for (const char* mode : {"refuse", "reset", "silent", "plain", "stall", "slow", "huge",
                                 "redirect", "repost", "garbage"}) {
            command.push_back(std::string(mode) + "=127.0.0.1:0");
        }
        // The feedback log posts to its built-in port: one loopback address per mode there,
        // in a part of 127/8 of this process's own, so test programs running side by side
        // (each test case is one) do not compete for them.
        const std::string network = LoopbackNetworkOfThisProcess();
        int host = 2;
        refusingAddress_ = network + "1";
        for (const char* mode : {"reset", "plain", "huge", "redirect", "repost", "garbage"}) {
            feedbackAddress_[mode] = network + std::to_string(host++);
            command.push_back(std::string("feedback-") + mode + "=" + feedbackAddress_[mode] + ":" +
                              feedback.port);
        }
        server_ = ChildProcess::Start(command);
        ASSERT_NE(server_, nullptr);
        for (;;) {
            const auto line = server_->ReadLine(10000);
            ASSERT_TRUE(line.has_value()) << "the hostile server did not start";
            if (*line == "ready") break;
            const auto space = line->find(' ');
            const std::string mode = line->substr(0, space);
            const std::string port = line->substr(space + 1);
            if (port != "error") ports_[mode] = port;
        }
    }

    static void TearDownTestSuite() {
        server_.reset();
        SetupNetTestSetTLS(nullptr, nullptr);
        folder_.reset();
    }

    // Everything the server has printed since the last call. The server prints each
    // connection and request before it answers or stalls, so by the time an exchange has
    // returned its lines are on their way; a short wait catches them.
    static Traffic TrafficSince() {
        Traffic traffic;
        while (const auto line = server_->ReadLine(100)) {
            if (line->starts_with("connection ")) ++traffic.connections;
            if (line->starts_with("request ")) {
                const std::string rest = line->substr(line->find(' ', 8) + 1);
                traffic.requests.push_back(rest);
            }
        }
        return traffic;
    }

    // One exchange in the feedback log's order: create, body, send, reply.
    static Exchange Post(const std::string& mode) {
        const std::string resolve = std::string(kHost) + ":" + ports_[mode] + ":127.0.0.1";
        SetupNetTestSetTLS(cert_.c_str(), resolve.c_str());
        const std::string url =
            "https://" + std::string(kHost) + ":" + ports_[mode] + "/installer/log";
        const std::wstring wideUrl(url.begin(), url.end());
        Exchange exchange;
        const auto start = Clock::now();
        if (CreateHttpRequest(wideUrl.c_str(), 1, kTimeLimitSeconds) &&
            SetHttpPostBody(L"0123456789ABCDEF")) {
            exchange.sent = SendHttpRequest(0);
            std::array<wchar_t, SETUPNET_TEXT_CAPACITY> reply{};
            if (exchange.sent) {
                exchange.replyResult = GetRequestReturn(reply.data(), &exchange.replyLength);
            }
        }
        exchange.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return exchange;
    }

    static inline std::unique_ptr<packgate_test::ScratchFolder> folder_;
    static inline std::string cert_;
    static inline std::unique_ptr<ChildProcess> server_;
    static inline std::map<std::string, std::string> ports_;
    static inline std::map<std::string, std::string> feedbackAddress_;
    static inline std::string refusingAddress_;
};

struct HostileEndpoint {
    std::string mode;
    bool replied;     // whether an HTTP reply counts as having arrived
    int connections;  // connections the server must see
    int requests;     // requests it must see (each the one POST)
};

TEST_F(EndpointFaults, EveryHostileServerIsLeftWithinTheTimeLimitAfterOnePost) {
    const std::vector<HostileEndpoint> endpoints = {
        {"refuse", false, 0, 0},  {"reset", false, 1, 0},   {"silent", false, 1, 0},
        {"plain", false, 1, 0},   {"stall", false, 1, 1},   {"slow", false, 1, 1},
        {"huge", true, 1, 1},     {"redirect", true, 1, 1}, {"repost", true, 1, 1},
        {"garbage", false, 1, 1},
    };
    for (const HostileEndpoint& endpoint : endpoints) {
        FaultCase fault(kFamily, "server that does " + endpoint.mode);
        ASSERT_TRUE(ports_.count(endpoint.mode)) << endpoint.mode;
        const Exchange exchange = Post(endpoint.mode);
        const Traffic traffic = TrafficSince();
        EXPECT_LE(exchange.seconds, kTimeLimitSeconds + kLateness) << endpoint.mode;
        EXPECT_EQ(exchange.sent, endpoint.replied) << endpoint.mode;
        EXPECT_EQ(exchange.replyResult, endpoint.replied ? 1 : 0) << endpoint.mode;
        EXPECT_LT(exchange.replyLength, SETUPNET_TEXT_CAPACITY) << endpoint.mode;
        EXPECT_EQ(traffic.connections, endpoint.connections) << endpoint.mode;
        EXPECT_EQ(traffic.requests.size(), static_cast<std::size_t>(endpoint.requests))
            << endpoint.mode;
        for (const std::string& request : traffic.requests) {
            EXPECT_EQ(request, "POST /installer/log") << endpoint.mode << ": something else left";
        }
    }
}

TEST_F(EndpointFaults, FeedbackLogReturnsAtOnceFromHostileEndpointsAndKeepsItsRecord) {
    const Endpoint feedback = FeedbackEndpoint();
    const packgate_test::LogCapture quiet(false);
    struct Case {
        std::string mode;
        int requests;
    };
    const std::vector<Case> cases = {{"refuse", 0},   {"reset", 0},  {"plain", 0},  {"huge", 1},
                                     {"redirect", 1}, {"repost", 1}, {"garbage", 1}};
    for (const Case& c : cases) {
        if (c.mode != "refuse" && !ports_.count("feedback-" + c.mode)) {
            GTEST_SKIP() << "cannot listen on port " << feedback.port
                         << " of the loopback range (needs root)";
        }
    }
    for (const Case& c : cases) {
        // Nothing listens at an address of the loopback range that no mode took.
        const std::string address =
            c.mode == "refuse" ? refusingAddress_ : feedbackAddress_[c.mode];
        FaultCase fault(kFamily, "feedback log against a server that does " + c.mode);
        const std::string resolve = feedback.host + ":" + feedback.port + ":" + address;
        SetupNetTestSetTLS(cert_.c_str(), resolve.c_str());
        classKZFeedbackLog feedbackLog;
        const auto start = Clock::now();
        EXPECT_TRUE(feedbackLog.CollectLog("Resource-Step1", "", 0));
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const Traffic traffic = TrafficSince();
        EXPECT_LE(seconds, kLateness) << c.mode << ": the pane waited for a broken endpoint";
        EXPECT_LT(seconds, kFeedbackTimeLimit) << c.mode;
        EXPECT_TRUE(feedbackLog.GetUserLog().has_value()) << c.mode << ": the record was lost";
        EXPECT_EQ(traffic.requests.size(), static_cast<std::size_t>(c.requests)) << c.mode;
        for (const std::string& request : traffic.requests) {
            EXPECT_EQ(request, "POST /installer/log") << c.mode;
        }
    }
}

}  // namespace
}  // namespace packgate_reliability
