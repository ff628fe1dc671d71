// libsetupnet against a local HTTPS endpoint: the certificate and host-name checks stay real;
// only the trusted certificate and the address the name resolves to are the test's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include <cipherkit/utf8_convert.h>

#include "child_process.h"
#include "scratch_folder.h"
#include "setupnet/setupnet.h"
#include "setupnet/setupnet_test_hooks.h"
#include "setupnet_exchange.h"

namespace {

using packgate_test::ChildProcess;
using packgate_test::RunExchange;
using packgate_test::RunProgram;

constexpr const char* kHost = "installer-log.velmora.example";
constexpr const wchar_t* kPassphrase = L"7k#Qw2-!mZ9x&p4@Lr";

class SetupNetHttps : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<packgate_test::ScratchFolder>("setupnet-https");
        cert_ = *folder_ / "cert.pem";
        const std::string key = *folder_ / "key.pem";
        ASSERT_EQ(RunProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                              "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-keyout",
                              key, "-out", cert_, "-subj", std::string("/CN=") + kHost, "-addext",
                              std::string("subjectAltName=DNS:") + kHost}),
                  0);
        server_ = ChildProcess::Start(
            {"python3", PACKGATE_HTTPS_LOG_SERVER, cert_, key, ConvertToString(kPassphrase)});
        ASSERT_NE(server_, nullptr);
        const auto port = server_->ReadLine(10000);
        ASSERT_TRUE(port.has_value()) << "the test server did not start";
        port_ = std::stoi(*port);
    }
    static void TearDownTestSuite() {
        server_.reset();
        SetupNetTestSetTLS(nullptr, nullptr);
        folder_.reset();
    }
    void SetUp() override { TrustTestServerAs(kHost); }

    static void TrustTestServerAs(const std::string& host) {
        const std::string resolve = host + ":" + std::to_string(port_) + ":127.0.0.1";
        SetupNetTestSetTLS(cert_.c_str(), resolve.c_str());
    }
    static std::wstring Url(const std::string& host, const std::string& path) {
        return ConvertToWstring("https://" + host + ":" + std::to_string(port_) + path);
    }
    static nlohmann::json Report(const std::wstring& reply) {
        return nlohmann::json::parse(ConvertToString(reply));
    }
    static std::wstring Encipher(const std::wstring& record) {
        std::wstring cipher(2 * ConvertToString(record).size() + 1, L'\0');
        int length = 0;
        if (!EncryptWStringRC4(record.c_str(), kPassphrase, cipher.data(), &length)) return {};
        cipher.resize(static_cast<std::size_t>(length));
        return cipher;
    }

    static inline std::unique_ptr<packgate_test::ScratchFolder> folder_;
    static inline std::string cert_;
    static inline std::unique_ptr<ChildProcess> server_;
    static inline int port_ = 0;
};

TEST_F(SetupNetHttps, ServerDeciphersExactlyTheRecordThatWasPosted) {
    const std::wstring record =
        L"{\"UserActivityInfo\":{\"GUID\":\"0\",\"MachineID\":\"ABC\",\"APType\":0},"
        L"\"UserActivityLog\":{\"GUID\":\"0\",\"APType\":0,\"Name\":\"Resource-Step1\","
        L"\"Description\":\"d\u00e9j\u00e0 \u2713\"}}";
    const std::wstring body = Encipher(record);
    ASSERT_FALSE(body.empty());
    const auto exchange = RunExchange(Url(kHost, "/installer/log"), body, 10);
    ASSERT_TRUE(exchange.sent);
    EXPECT_EQ(exchange.replyResult, 1);
    const auto report = Report(exchange.reply);
    EXPECT_EQ(report["method"], "POST");
    EXPECT_EQ(report["path"], "/installer/log");
    EXPECT_EQ(report["contentType"], "text/plain; charset=utf-8");
    EXPECT_TRUE(report["expect"].is_null()) << report["expect"];
    EXPECT_EQ(report["body"], ConvertToString(body));
    EXPECT_EQ(report["plain"], ConvertToString(record));
}

TEST_F(SetupNetHttps, RedirectIsReportedAsTheReplyAndNotFollowed) {
    const auto redirected = RunExchange(Url(kHost, "/redirect"), L"00", 10);
    ASSERT_TRUE(redirected.sent) << "a 302 is a reply";
    const auto report = Report(redirected.reply);
    EXPECT_EQ(report["path"], "/redirect");
    const auto next = RunExchange(Url(kHost, "/installer/log"), L"00", 10);
    ASSERT_TRUE(next.sent);
    EXPECT_EQ(Report(next.reply)["count"], report["count"].get<int>() + 1)
        << "the redirect was followed";
}

TEST_F(SetupNetHttps, CertificateNotTrustedMeansNoReply) {
    const std::string resolve = std::string(kHost) + ":" + std::to_string(port_) + ":127.0.0.1";
    SetupNetTestSetTLS(nullptr, resolve.c_str());  // system trust store only
    EXPECT_FALSE(RunExchange(Url(kHost, "/installer/log"), L"00", 10).sent);
}

// Sends share their TLS sessions: the second resumes the first's. A session is only ever
// resumed under the trust it was made with, so a send that does not trust the server is
// still refused.
TEST_F(SetupNetHttps, ALaterSendResumesTheSessionButTrustIsStillChecked) {
    // A session is kept per trust setting, so the same certificate under a file name of its
    // own starts without one, whatever the sends before this test left.
    const std::string cert = *folder_ / "resume-cert.pem";
    std::filesystem::copy_file(cert_, cert, std::filesystem::copy_options::overwrite_existing);
    const std::string resolve = std::string(kHost) + ":" + std::to_string(port_) + ":127.0.0.1";
    SetupNetTestSetTLS(cert.c_str(), resolve.c_str());
    const auto first = RunExchange(Url(kHost, "/installer/log"), L"00", 10);
    ASSERT_TRUE(first.sent);
    EXPECT_EQ(Report(first.reply)["sessionReused"], false);
    const auto second = RunExchange(Url(kHost, "/installer/log"), L"00", 10);
    ASSERT_TRUE(second.sent);
    EXPECT_EQ(Report(second.reply)["sessionReused"], true);

    SetupNetTestSetTLS(nullptr, resolve.c_str());  // system trust store only
    EXPECT_FALSE(RunExchange(Url(kHost, "/installer/log"), L"00", 10).sent);
}

// Sends without routed names share the thread's own handle. What one send trusted must not
// carry over to the next: a refused send leaves the next one able to succeed, and a trusted
// send leaves the next one, which no longer trusts the server, refused.
TEST_F(SetupNetHttps, TheThreadsHandleKeepsNothingOfTheLastSendsTrust) {
    const std::string cert = *folder_ / "localhost-cert.pem";
    const std::string key = *folder_ / "localhost-key.pem";
    ASSERT_EQ(RunProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                          "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-keyout", key,
                          "-out", cert, "-subj", "/CN=localhost", "-addext",
                          "subjectAltName=DNS:localhost"}),
              0);
    const auto server = ChildProcess::Start(
        {"python3", PACKGATE_HTTPS_LOG_SERVER, cert, key, ConvertToString(kPassphrase)});
    ASSERT_NE(server, nullptr);
    const auto port = server->ReadLine(10000);
    ASSERT_TRUE(port.has_value()) << "the test server did not start";
    const auto url = ConvertToWstring("https://localhost:" + *port + "/installer/log");

    SetupNetTestSetTLS(nullptr, nullptr);  // system trust store only
    EXPECT_FALSE(RunExchange(url, L"00", 10).sent);
    SetupNetTestSetTLS(cert.c_str(), nullptr);
    EXPECT_TRUE(RunExchange(url, L"00", 10).sent) << "a refused send spoiled the next one";
    SetupNetTestSetTLS(nullptr, nullptr);
    EXPECT_FALSE(RunExchange(url, L"00", 10).sent) << "the last send's trust carried over";
}

TEST_F(SetupNetHttps, CertificateForAnotherHostNameMeansNoReply) {
    TrustTestServerAs("other.velmora.example");
    EXPECT_FALSE(RunExchange(Url("other.velmora.example", "/installer/log"), L"00", 10).sent);
}

TEST_F(SetupNetHttps, LongReplyIsCutTo2047Characters) {
    const auto exchange = RunExchange(Url(kHost, "/large"), L"00", 10);
    ASSERT_TRUE(exchange.sent);
    EXPECT_EQ(exchange.reply, std::wstring(2047, L'A'));
}

TEST_F(SetupNetHttps, ReplyIsDecodedFromUtf8UpToAnInvalidByte) {
    const auto exchange = RunExchange(Url(kHost, "/mixed"), L"00", 10);
    ASSERT_TRUE(exchange.sent);
    EXPECT_EQ(exchange.reply, L"h\u00e9llo \u2713");
}

TEST_F(SetupNetHttps, ErrorStatusIsStillAReply) {
    const auto exchange = RunExchange(Url(kHost, "/missing"), L"00", 10);
    ASSERT_TRUE(exchange.sent);
    EXPECT_EQ(Report(exchange.reply)["path"], "/missing");
}

}  // namespace
