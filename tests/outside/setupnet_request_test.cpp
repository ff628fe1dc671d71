// libsetupnet's request calls: what they refuse, and that a send never outlasts its limit.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <string>

#include "child_process.h"
#include "setupnet/setupnet.h"
#include "setupnet/setupnet_test_hooks.h"
#include "setupnet_exchange.h"

namespace {

using packgate_test::RunExchange;

// A socket bound to a free port of 127.0.0.1; listening when asked.
class LoopbackSocket {
  public:
    explicit LoopbackSocket(bool listening) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0) return;
        if (listening && listen(fd_, 4) != 0) return;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackSocket() { Close(); }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    int port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

std::wstring EndpointAt(int port) {
    return L"https://installer-log.velmora.example:" + std::to_wstring(port) + L"/installer/log";
}

void ResolveToLoopback(int port) {
    const std::string entry =
        "installer-log.velmora.example:" + std::to_string(port) + ":127.0.0.1";
    SetupNetTestSetTLS(nullptr, entry.c_str());
}

TEST(SetupNetCreate, RefusesEverythingButAVerifiedHttpsAddressWithATimeLimit) {
    const wchar_t* https = L"https://installer-log.velmora.example/installer/log";
    EXPECT_TRUE(CreateHttpRequest(https, 1, 10));
    EXPECT_FALSE(CreateHttpRequest(L"http://installer-log.velmora.example/installer/log", 1, 10));
    EXPECT_FALSE(CreateHttpRequest(L"ftp://installer-log.velmora.example/log", 1, 10));
    EXPECT_FALSE(CreateHttpRequest(L"installer-log.velmora.example/installer/log", 1, 10));
    EXPECT_FALSE(CreateHttpRequest(L"", 1, 10));
    EXPECT_FALSE(CreateHttpRequest(nullptr, 1, 10));
    EXPECT_FALSE(CreateHttpRequest(https, 0, 10)) << "unverified requests are never made";
    EXPECT_FALSE(CreateHttpRequest(https, 2, 10));
    EXPECT_FALSE(CreateHttpRequest(https, 1, 0)) << "a request without a time limit";
    EXPECT_FALSE(CreateHttpRequest(https, 1, -1));
    const std::wstring surrogate = std::wstring(https) + L'\xD800';
    EXPECT_FALSE(CreateHttpRequest(surrogate.c_str(), 1, 10));
}

TEST(SetupNetBody, IsRefusedWhenNullOrNotEncodable) {
    ASSERT_TRUE(CreateHttpRequest(L"https://installer-log.velmora.example/installer/log", 1, 10));
    EXPECT_FALSE(SetHttpPostBody(nullptr));
    const wchar_t lone[] = {L'A', static_cast<wchar_t>(0xDC00), L'\0'};
    EXPECT_FALSE(SetHttpPostBody(lone));
    EXPECT_TRUE(SetHttpPostBody(L"ABCDEF"));
}

TEST(SetupNetSend, NeedsFlagsZeroAndABody) {
    ASSERT_TRUE(CreateHttpRequest(L"https://installer-log.velmora.example/installer/log", 1, 10));
    EXPECT_FALSE(SendHttpRequest(0)) << "no body yet";
    ASSERT_TRUE(SetHttpPostBody(L"ABCDEF"));
    EXPECT_FALSE(SendHttpRequest(1));
    std::array<wchar_t, SETUPNET_TEXT_CAPACITY> reply{};
    reply[0] = L'?';
    int length = -3;
    EXPECT_EQ(GetRequestReturn(reply.data(), &length), 0) << "nothing was sent";
    EXPECT_EQ(length, -3);
    EXPECT_EQ(reply[0], L'?');
    EXPECT_EQ(GetRequestReturn(nullptr, &length), 0);
    EXPECT_EQ(GetRequestReturn(reply.data(), nullptr), 0);
}

TEST(SetupNetSend, RefusedConnectionFailsAtOnceAndTheRequestIsSpent) {
    LoopbackSocket closed(false);
    const int port = closed.port();
    closed.Close();
    ResolveToLoopback(port);
    const auto exchange = RunExchange(EndpointAt(port), L"00FF", 10);
    EXPECT_TRUE(exchange.bodySet);
    EXPECT_FALSE(exchange.sent);
    EXPECT_LT(exchange.seconds, 2.0);
    EXPECT_FALSE(SendHttpRequest(0)) << "a request is sent once only";
    EXPECT_FALSE(SetHttpPostBody(L"00FF")) << "a sent request takes no new body";
    SetupNetTestSetTLS(nullptr, nullptr);
}

TEST(SetupNetSend, ServerThatNeverAnswersIsGivenUpWithinTheTimeLimit) {
    LoopbackSocket silent(true);  // the kernel completes the connection; nothing answers
    ResolveToLoopback(silent.port());
    const auto exchange = RunExchange(EndpointAt(silent.port()), L"00FF", 1);
    EXPECT_FALSE(exchange.sent);
    EXPECT_GE(exchange.seconds, 0.5) << "gave up before the server had a chance";
    EXPECT_LT(exchange.seconds, 1.0 + 2.0) << "the time limit was not kept";
    SetupNetTestSetTLS(nullptr, nullptr);
}

TEST(SetupNetSend, NameLookupThatNeverReturnsIsGivenUpWithinTheTimeLimit) {
    // The helper's lookup blocks for ever, so its send returns only if the time limit covers
    // the lookup too.
    constexpr int kTimeLimitSeconds = 1;
    constexpr int kGraceSeconds = 5;
    const auto helper = packgate_test::ChildProcess::Start(
        {"env", std::string("LD_PRELOAD=") + STUCK_LOOKUP_PRELOAD,
         // Under the sanitizers: the preload comes ahead of their runtime, which would refuse
         // it, and the lookup thread left behind on purpose is not a leak to report.
         "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0", SETUPNET_POST_ONCE,
         "https://installer-log.velmora.example/installer/log", std::to_string(kTimeLimitSeconds)});
    ASSERT_NE(helper, nullptr);
    const int waitMs = 1000 * (kTimeLimitSeconds + kGraceSeconds);
    EXPECT_EQ(helper->ReadLine(waitMs), "lookup started") << "the stuck lookup was not used";
    EXPECT_EQ(helper->ReadLine(waitMs), "sent 0") << "the send outlasted its time limit";
}

}  // namespace
