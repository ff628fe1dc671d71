// How long a record the feedback log posts: every record shorter than 2048 characters goes
// out whole, whatever its characters' UTF-8 lengths, through libsetupnet's own cipher; only
// an absurdly long one stays behind, with one log line.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include <cipherkit/utf8_convert.h>
#include <cipherkit/wide_cipher.h>

#include "feedback/kz_feedback_log.h"
#include "feedback_fixture.h"
#include "setupnet/setupnet.h"

namespace feedback_test {
namespace {

using Names = std::vector<std::string>;

// The exchange as recorded: the cipher is the library's own and is not recorded.
const Names kRecordedExchange = {"CreateHttpRequest", "SetHttpPostBody", "SendHttpRequest",
                                 "GetRequestReturn"};
constexpr const wchar_t* kPassphrase = L"7k#Qw2-!mZ9x&p4@Lr";
// The feedback log's limit, in characters.
constexpr std::size_t kLimit = SETUPNET_MAX_PLAIN_BYTES / 4 - 1;

// A JSON record of exactly `characters` characters, its value made of `filler` repeated.
std::string RecordOf(std::size_t characters, const std::wstring& filler) {
    const std::wstring head = L"{\"d\":\"";
    const std::wstring tail = L"\"}";
    std::wstring value;
    while (value.size() < characters - head.size() - tail.size()) {
        value.push_back(filler[value.size() % filler.size()]);
    }
    return ConvertToString(head + value + tail);
}

class RecordLength : public FeedbackLogTest {
  protected:
    void SetUp() override {
        FeedbackLogTest::SetUp();
        // The library's own cipher; the rest of the exchange is recorded.
        SetupNetCalls calls = ActiveSetupNetCalls();
        calls.EncryptWStringRC4 = &::EncryptWStringRC4;
        SetSetupNetCalls(calls);
    }

    // The record the body deciphers to, or nothing when the exchange did not reach the body.
    std::optional<std::string> PostedRecord() const {
        const auto bodies = net_.callsNamed("SetHttpPostBody");
        if (bodies.size() != 1) return std::nullopt;
        return ConvertToString(DecryptStringRC4(bodies[0].text.c_str(), kPassphrase));
    }
};

TEST_F(RecordLength, RecordsShorterThan2048CharactersArePostedWhole) {
    const std::vector<std::string> records = {
        RecordOf(1023, L"x"),
        RecordOf(1024, L"x"),
        RecordOf(2047, L"x"),
        RecordOf(1024, L"\u00e9"),                 // 2040 bytes
        RecordOf(2047, L"d\u00e9j\u00e0 \u2713"),  // 1, 2, 3-byte characters
        RecordOf(2047, L"\U0001F600"),             // 8164 bytes
    };
    for (const std::string& record : records) {
        net_.clear();
        classKZFeedbackLog log;
        EXPECT_TRUE(log.FeedBackLog(record));
        ASSERT_EQ(net_.names(), kRecordedExchange) << record.size() << " bytes";
        EXPECT_EQ(net_.calls()[1].text.size(), 2 * record.size()) << "two digits a byte";
        EXPECT_EQ(PostedRecord(), record) << record.size() << " bytes";
    }
    EXPECT_TRUE(logs_.empty());
}

TEST_F(RecordLength, LimitCountsCharactersNotBytes) {
    // Four bytes each: nearly SETUPNET_MAX_PLAIN_BYTES of UTF-8, still within the limit.
    const std::string record = RecordOf(kLimit, L"\U0001F600");
    classKZFeedbackLog log;
    log.FeedBackLog(record);
    ASSERT_EQ(net_.names(), kRecordedExchange);
    EXPECT_EQ(PostedRecord(), record);
}

TEST_F(RecordLength, RecordBeyondTheLimitIsNotPostedAndSaysSo) {
    classKZFeedbackLog log;
    EXPECT_TRUE(log.FeedBackLog(RecordOf(kLimit + 1, L"x")));
    EXPECT_TRUE(net_.calls().empty());
    EXPECT_EQ(logs_, std::vector<std::string>{"Feedback record of " + std::to_string(kLimit + 1) +
                                              " characters not posted: the limit is " +
                                              std::to_string(kLimit)});
}

TEST_F(RecordLength, LongHostValuesStillReachTheEndpoint) {
    // A host installer's list whose EM2 value alone takes the record past 1024 bytes.
    WriteHostList(
        {{"Installer GUID", "G"},
         {"EM2", std::string(300, 'E') + "\u00e9\u2713\U0001F600" + std::string(900, 'M')},
         {"Product Build", "B"},
         {"Check Update Edition", "Pro"},
         {"Language ID", 1028}},
        "xml");
    classKZFeedbackLog log;
    log.CollectLog("Resource-Step2", "", 1);
    ASSERT_TRUE(log.GetUserLog().has_value());
    EXPECT_GT(log.GetUserLog()->size(), 1024u);
    EXPECT_EQ(net_.names(), kRecordedExchange);
    EXPECT_EQ(PostedRecord(), log.GetUserLog());
}

}  // namespace
}  // namespace feedback_test
