#include "feedback/setupnet_seam.h"

#include "setupnet/setupnet.h"

namespace {

SetupNetCalls& Installed() {
    static SetupNetCalls calls{&::EncryptWStringRC4, &::CreateHttpRequest, &::SetHttpPostBody,
                               &::SendHttpRequest, &::GetRequestReturn};
    return calls;
}

}  // namespace

const SetupNetCalls& ActiveSetupNetCalls() {
    return Installed();
}

SetupNetCalls SetSetupNetCalls(const SetupNetCalls& calls) {
    const SetupNetCalls previous = Installed();
    Installed() = calls;
    return previous;
}
