#include "installer/trust/trust_store.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "installer/words/words.h"
#include "signing/public_key.h"

namespace installer {
namespace {

namespace fs = std::filesystem;

// The *.pub files of `folder`, sorted; none when it is missing or unreadable.
std::vector<std::string> KeyFiles(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".pub") files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Text(std::string_view key, WordFields fields) { return Words::ForUser().text(key, fields); }

}  // namespace

TrustStoreLoad LoadTrustStore(const std::string& root, const std::vector<std::string>& extraKeys) {
    const std::string base = root == "/" ? std::string() : root;
    TrustStore store;
    std::string reason;
    for (const std::string& path : KeyFiles(base + kRevokedKeysFolder)) {
        auto key = signing::ReadPublicKeyFile(path, &reason);
        if (!key) return {std::nullopt, Text("trust.error.revoked_unreadable", {{"path", path}, {"reason", reason}})};
        store.keys.revoked.push_back(std::move(*key));
    }
    for (const std::string& path : KeyFiles(base + kTrustedKeysFolder)) {
        auto key = signing::ReadPublicKeyFile(path, &reason);
        if (!key) {
            store.warnings.push_back(Text("trust.warning.key_unreadable", {{"path", path}, {"reason", reason}}));
            continue;
        }
        store.keys.trusted.push_back(std::move(*key));
    }
    for (const std::string& path : extraKeys) {
        auto key = signing::ReadPublicKeyFile(path, &reason);
        if (!key) return {std::nullopt, Text("trust.error.key", {{"path", path}, {"reason", reason}})};
        store.keys.trusted.push_back(std::move(*key));
    }
    return {std::move(store), {}};
}

}  // namespace installer
