// A throwaway certificate and key for trying the inbox: EC P-256, valid for a year, for the
// names given (host names and IP addresses), signed by itself. Not for a real service: a
// client trusts it only when told to trust this very certificate.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace inbox {

struct PemPair {
    std::string certificate;
    std::string privateKey;
};

// Nothing when OpenSSL fails.
std::optional<PemPair> MakeSelfSignedPair(const std::vector<std::string>& names);

}  // namespace inbox
