#include <hostmark/machine_id.h>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <system/system_info.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kUUIDSize = 1024;
constexpr std::size_t kListSize = 2048;

using EntryPoint = int (*)(char*);

struct Call {
    int result;
    std::vector<char> bytes;
    std::string text() const { return bytes.data(); }
    bool ZeroBehindText(std::size_t size) const {
        return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(text().size()),
                           bytes.begin() + static_cast<std::ptrdiff_t>(size),
                           [](char c) { return c == 0; });
    }
};

Call CallInto(EntryPoint function, std::size_t size) {
    Call call{0, std::vector<char>(size, 'x')};
    call.result = function(call.bytes.data());
    return call;
}

// What the UUID should read, worked out here from the platform's own answer.
std::string ExpectedUUIDText() {
    const std::string uuid = platform::PlatformUUID();
    const std::string prefix = "00000000-0000-1000-8000-";
    if (uuid.compare(0, prefix.size(), prefix) != 0) return uuid.substr(0, kUUIDSize - 1);
    std::string last = uuid.substr(uuid.rfind('-') + 1);
    for (char& c : last) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return last;
}

// The machine's IPv4 list read independently, with inet_ntop.
std::vector<std::string> ExpectedEntries() {
    std::vector<std::string> entries;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return entries;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr) continue;
        if (entry->ifa_addr->sa_family != AF_INET || entry->ifa_netmask->sa_family != AF_INET) {
            continue;
        }
        char address[INET_ADDRSTRLEN];
        char netmask[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr, address,
                  sizeof address);
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(entry->ifa_netmask)->sin_addr, netmask,
                  sizeof netmask);
        entries.push_back(std::string(address) + "-" + netmask);
    }
    freeifaddrs(list);
    return entries;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    std::size_t start = 0;
    for (std::size_t plus; (plus = text.find('+', start)) != std::string::npos; start = plus + 1) {
        parts.push_back(text.substr(start, plus - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

TEST(GetUUID, WritesThePlatformUUIDByItsRuleZeroFilledBehind) {
    const Call call = CallInto(&KZUUID_GetUUID, kUUIDSize);
    EXPECT_EQ(call.result, 1);
    EXPECT_EQ(call.text(), ExpectedUUIDText());
    EXPECT_TRUE(call.ZeroBehindText(kUUIDSize));
}

TEST(GetUUID, HostmarkNameGivesTheSameBytesAndResult) {
    const Call kz = CallInto(&KZUUID_GetUUID, kUUIDSize);
    const Call hostmark = CallInto(&Hostmark_GetUUID, kUUIDSize);
    EXPECT_EQ(hostmark.result, kz.result);
    EXPECT_EQ(hostmark.bytes, kz.bytes);
}

TEST(GetIPAddress, ListsTheMachineAddressesIncludingLoopback) {
    const Call call = CallInto(&KZUUID_GetIPAddress, kListSize);
    ASSERT_EQ(call.result, 1);
    const std::vector<std::string> entries = Split(call.text());
    EXPECT_NE(std::find(entries.begin(), entries.end(), "127.0.0.1-255.0.0.0"), entries.end())
        << call.text();
    EXPECT_EQ(entries, ExpectedEntries());
    EXPECT_TRUE(call.ZeroBehindText(kListSize));
}

TEST(GetIPAddress, HostmarkNameGivesTheSameBytesAndResult) {
    const Call kz = CallInto(&KZUUID_GetIPAddress, kListSize);
    const Call hostmark = CallInto(&Hostmark_GetIPAddress, kListSize);
    EXPECT_EQ(hostmark.result, kz.result);
    EXPECT_EQ(hostmark.bytes, kz.bytes);
}

}  // namespace
