// One exchange with libsetupnet in the order the feedback log drives it.
#pragma once

#include <string>

namespace packgate_test {

struct Exchange {
    bool created = false;
    bool bodySet = false;
    bool sent = false;
    int replyResult = 0;
    std::wstring reply;
    double seconds = 0;  // how long the send took
};

// Create (with secure flag 1), set `body`, send, and read the reply when the send succeeded;
// stops at the first refusal like the feedback log does.
Exchange RunExchange(const std::wstring& url, const std::wstring& body, int timeoutSeconds);

}  // namespace packgate_test
