// SetupNetTestSetTLS, compiled into the test build of the library only.
#include <string>

#include "https_post.h"
#include "setupnet/setupnet_test_hooks.h"

namespace {

std::string TextOrEmpty(const char* text) {
    return text == nullptr ? std::string() : text;
}

}  // namespace

extern "C" void SetupNetTestSetTLS(const char* caFile, const char* resolve) {
    setupnet::SetTestTls({TextOrEmpty(caFile), TextOrEmpty(resolve), {}});
}
