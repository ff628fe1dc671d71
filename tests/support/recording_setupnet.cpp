#include "recording_setupnet.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

#include <cipherkit/utf8_convert.h>

#include "setupnet/setupnet.h"

namespace packgate_test {
namespace {

constexpr std::size_t kMaxReply = SETUPNET_TEXT_CAPACITY - 1;
RecordingSetupNet* gActive = nullptr;

std::wstring TextOf(const wchar_t* text) {
    return text == nullptr ? std::wstring() : text;
}

void WriteCut(const std::wstring& text, std::size_t maxCount, wchar_t* out, int* length) {
    if (out == nullptr || length == nullptr) return;
    const std::size_t count = std::min(text.size(), maxCount);
    text.copy(out, count);
    out[count] = L'\0';
    *length = static_cast<int>(count);
}

}  // namespace

struct RecordingSetupNetAccess {
    static RecordingSetupNet& Fake() { return *gActive; }
    static void Record(SetupNetCall call) { gActive->calls_.push_back(std::move(call)); }

    static bool Encrypt(const wchar_t* plain, const wchar_t* passphrase, wchar_t* output,
                        int* outputLength) {
        Record({.name = "EncryptWStringRC4",
                .text = TextOf(plain),
                .passphrase = TextOf(passphrase),
                .lengthBefore = outputLength ? *outputLength : 0});
        if (!Fake().encryptResult) return false;
        // The caller's buffer holds two characters per UTF-8 byte of the plain text.
        const std::size_t room = 2 * ConvertToString(TextOf(plain)).size();
        WriteCut(Fake().cipherText.value_or(TextOf(plain)), room, output, outputLength);
        if (Fake().reportedCipherLength && outputLength)
            *outputLength = *Fake().reportedCipherLength;
        return true;
    }
    static bool Create(const wchar_t* url, int secure, int timeoutSeconds) {
        Record({.name = "CreateHttpRequest",
                .text = TextOf(url),
                .first = secure,
                .second = timeoutSeconds});
        return Fake().createResult;
    }
    static bool SetBody(const wchar_t* body) {
        Record({.name = "SetHttpPostBody", .text = TextOf(body)});
        return Fake().setBodyResult;
    }
    static bool Send(int flags) {
        Record({.name = "SendHttpRequest", .first = flags});
        return Fake().sendResult;
    }
    static int GetReturn(wchar_t* reply, int* replyLength) {
        Record({.name = "GetRequestReturn", .lengthBefore = replyLength ? *replyLength : 0});
        WriteCut(Fake().replyText, kMaxReply, reply, replyLength);
        return Fake().getReturnResult;
    }
};

RecordingSetupNet::RecordingSetupNet() {
    gActive = this;
    previous_ =
        SetSetupNetCalls({&RecordingSetupNetAccess::Encrypt, &RecordingSetupNetAccess::Create,
                          &RecordingSetupNetAccess::SetBody, &RecordingSetupNetAccess::Send,
                          &RecordingSetupNetAccess::GetReturn});
}

RecordingSetupNet::~RecordingSetupNet() {
    SetSetupNetCalls(previous_);
    gActive = nullptr;
}

std::vector<std::string> RecordingSetupNet::names() const {
    std::vector<std::string> result;
    for (const auto& call : calls_) result.push_back(call.name);
    return result;
}

std::vector<SetupNetCall> RecordingSetupNet::callsNamed(const std::string& name) const {
    std::vector<SetupNetCall> result;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(result),
                 [&](const SetupNetCall& call) { return call.name == name; });
    return result;
}

}  // namespace packgate_test
