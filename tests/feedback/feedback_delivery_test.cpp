// classKZFeedbackLog::FeedBackLog against the recording libsetupnet: what it hands over, in
// which order, and where it stops.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "feedback/kz_feedback_log.h"
#include "recording_setupnet.h"
#include "setupnet/setupnet.h"

namespace {

using Names = std::vector<std::string>;

const Names kWholeExchange = {"EncryptWStringRC4", "CreateHttpRequest", "SetHttpPostBody",
                              "SendHttpRequest", "GetRequestReturn"};
const std::string kRecord = R"({"UserActivityInfo":{"GUID":"0"},"UserActivityLog":{}})";

TEST(SetupNetSeam, RealLibraryIsUsedUnlessAFakeIsInstalled) {
    EXPECT_EQ(ActiveSetupNetCalls().EncryptWStringRC4, &::EncryptWStringRC4);
    {
        packgate_test::RecordingSetupNet fake;
        EXPECT_NE(ActiveSetupNetCalls().SendHttpRequest, &::SendHttpRequest);
    }
    EXPECT_EQ(ActiveSetupNetCalls().SendHttpRequest, &::SendHttpRequest);
    EXPECT_EQ(ActiveSetupNetCalls().GetRequestReturn, &::GetRequestReturn);
}

class Delivery : public testing::Test {
  protected:
    packgate_test::RecordingSetupNet net_;
    classKZFeedbackLog log_;
};

TEST_F(Delivery, DrivesTheWholeExchangeInOrder) {
    net_.cipherText = L"0A1B2C3D";
    net_.replyText = L"accepted";
    EXPECT_TRUE(log_.FeedBackLog(kRecord));
    ASSERT_EQ(net_.names(), kWholeExchange);
    const auto& calls = net_.calls();
    EXPECT_EQ(calls[0].text, std::wstring(kRecord.begin(), kRecord.end()));
    EXPECT_EQ(calls[0].lengthBefore, 0);
    EXPECT_EQ(calls[1].text, L"" PACKGATE_FEEDBACK_URL_WIDE);
    EXPECT_EQ(calls[1].first, 1) << "verified HTTPS";
    EXPECT_EQ(calls[1].second, 10) << "time limit in seconds";
    EXPECT_EQ(calls[2].text, L"0A1B2C3D") << "the body is the cipher text";
    EXPECT_EQ(calls[3].first, 0);
    EXPECT_EQ(calls[4].lengthBefore, 0);
}

TEST_F(Delivery, PassphraseIsTheEighteenCharacterText) {
    log_.FeedBackLog(kRecord);
    const auto& passphrase = net_.calls().at(0).passphrase;
    EXPECT_EQ(passphrase, L"7k#Qw2-!mZ9x&p4@Lr");
    EXPECT_EQ(passphrase.size(), 18u);
}

TEST_F(Delivery, FailedEnciphermentCreatesNoRequest) {
    net_.encryptResult = false;
    EXPECT_TRUE(log_.FeedBackLog(kRecord));
    EXPECT_EQ(net_.names(), Names{"EncryptWStringRC4"});
}

TEST_F(Delivery, RequestThatCannotBeCreatedSendsNothing) {
    net_.createResult = false;
    EXPECT_TRUE(log_.FeedBackLog(kRecord));
    EXPECT_EQ(net_.names(), (Names{"EncryptWStringRC4", "CreateHttpRequest"}));
}

TEST_F(Delivery, BodyThatCannotBeAttachedSendsNothing) {
    net_.setBodyResult = false;
    EXPECT_TRUE(log_.FeedBackLog(kRecord));
    EXPECT_EQ(net_.names(), (Names{"EncryptWStringRC4", "CreateHttpRequest", "SetHttpPostBody"}));
}

TEST_F(Delivery, FailedSendReadsNoReply) {
    net_.sendResult = false;
    EXPECT_TRUE(log_.FeedBackLog(kRecord));
    EXPECT_EQ(net_.names(), (Names{"EncryptWStringRC4", "CreateHttpRequest", "SetHttpPostBody",
                                   "SendHttpRequest"}));
}

TEST_F(Delivery, EmptyOrFailedReplyChangesNothing) {
    net_.replyText = L"";
    net_.getReturnResult = 0;
    EXPECT_TRUE(log_.FeedBackLog(kRecord));
    EXPECT_EQ(net_.names(), kWholeExchange);
}

TEST_F(Delivery, CipherLengthOutsideTheBufferIsNotTrusted) {
    net_.cipherText = L"ABCD";
    const std::pair<int, std::wstring> cases[] = {
        {100000, L"ABCD"}, {2 * static_cast<int>(kRecord.size()) + 2, L"ABCD"}, {-7, L""}};
    for (const auto& [reported, body] : cases) {
        net_.clear();
        net_.reportedCipherLength = reported;
        EXPECT_TRUE(log_.FeedBackLog(kRecord));
        EXPECT_EQ(net_.calls().at(2).text, body) << reported;
    }
}

TEST_F(Delivery, RecordIsConvertedFromUtf8OneCodePointPerCharacter) {
    log_.FeedBackLog("{\"Name\":\"d\u00e9j\u00e0 \u2713 \U0001F600\"}");
    EXPECT_EQ(net_.calls().at(0).text, L"{\"Name\":\"d\u00e9j\u00e0 \u2713 \U0001F600\"}");
}

TEST_F(Delivery, InvalidUtf8EndsTheConvertedRecord) {
    log_.FeedBackLog("{\"Name\":\"ab\xFF\"}");
    EXPECT_EQ(net_.calls().at(0).text, L"{\"Name\":\"ab");
}

TEST_F(Delivery, RecordLongerThanTheOldBufferIsConvertedWhole) {
    const std::string record = "{\"Description\":\"" + std::string(5000, 'x') + "\"}";
    log_.FeedBackLog(record);
    EXPECT_EQ(net_.calls().at(0).text.size(), record.size());
}

}  // namespace
