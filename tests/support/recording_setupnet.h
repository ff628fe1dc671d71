// A recording stand-in for libsetupnet's five calls, for tests of code that posts feedback.
//
// While a RecordingSetupNet object lives, the feedback log's calls go to it instead of the
// real library: each call is recorded with its arguments, and its result is the one the test
// configured. The destructor puts the previous calls back. One object at a time; not for use
// on several threads.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "feedback/setupnet_seam.h"

namespace packgate_test {

struct SetupNetCall {
    // "EncryptWStringRC4", "CreateHttpRequest", "SetHttpPostBody", "SendHttpRequest" or
    // "GetRequestReturn".
    std::string name{};
    // EncryptWStringRC4: the plain text; CreateHttpRequest: the address; SetHttpPostBody: the
    // body. Each read up to its terminator.
    std::wstring text{};
    // EncryptWStringRC4: the passphrase, read up to its terminator.
    std::wstring passphrase{};
    // CreateHttpRequest: the secure flag and the time limit; SendHttpRequest: the flags.
    int first = 0;
    int second = 0;
    // EncryptWStringRC4 and GetRequestReturn: the length the caller had set before the call.
    int lengthBefore = 0;
};

class RecordingSetupNet {
  public:
    RecordingSetupNet();
    ~RecordingSetupNet();
    RecordingSetupNet(const RecordingSetupNet&) = delete;
    RecordingSetupNet& operator=(const RecordingSetupNet&) = delete;

    // Results of the five calls.
    bool encryptResult = true;
    bool createResult = true;
    bool setBodyResult = true;
    bool sendResult = true;
    int getReturnResult = 1;
    // What EncryptWStringRC4 writes (when it succeeds), cut to the room the caller's buffer
    // has (two characters per UTF-8 byte of the plain text); unset: the plain text itself, so
    // the body a test sees is the record.
    std::optional<std::wstring> cipherText;
    // The output length EncryptWStringRC4 reports; unset: the length of what it wrote.
    std::optional<int> reportedCipherLength;
    // What GetRequestReturn writes (cut to 2047 characters) and its length.
    std::wstring replyText;

    const std::vector<SetupNetCall>& calls() const { return calls_; }
    // The names of the calls made, in order.
    std::vector<std::string> names() const;
    // The calls with this name, in order.
    std::vector<SetupNetCall> callsNamed(const std::string& name) const;
    void clear() { calls_.clear(); }

  private:
    friend struct RecordingSetupNetAccess;
    std::vector<SetupNetCall> calls_;
    SetupNetCalls previous_;
};

}  // namespace packgate_test
