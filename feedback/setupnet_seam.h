// The outside library's five entry points as the feedback log calls them. The real
// libsetupnet is used unless a test installs other functions (a recording fake).
#pragma once

struct SetupNetCalls {
    bool (*EncryptWStringRC4)(const wchar_t* plainText, const wchar_t* passphrase, wchar_t* output,
                              int* outputLength);
    bool (*CreateHttpRequest)(const wchar_t* url, int secure, int timeoutSeconds);
    bool (*SetHttpPostBody)(const wchar_t* body);
    bool (*SendHttpRequest)(int flags);
    int (*GetRequestReturn)(wchar_t* reply, int* replyLength);
};

// The calls in use.
const SetupNetCalls& ActiveSetupNetCalls();
// Replaces the calls in use; answers the previous ones so a test can restore them.
SetupNetCalls SetSetupNetCalls(const SetupNetCalls& calls);
