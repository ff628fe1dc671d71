#include "address_list.h"

#include <hostmark/machine_id.h>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netpacket/packet.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

using hostmark::kAddressBufferSize;
using hostmark::WriteAddressList;

// A hand-made interface address list, shaped like the one getifaddrs gives.
class AddressList {
  public:
    AddressList& IPv4(const char* address, const char* netmask) {
        return Add(Inet4(address), netmask ? Inet4(netmask) : nullptr);
    }
    AddressList& IPv4WithoutNetmask(const char* address) { return Add(Inet4(address), nullptr); }
    AddressList& IPv4WithIPv6Netmask(const char* address) {
        return Add(Inet4(address), Inet6("ffff:ffff:ffff:ffff::"));
    }
    AddressList& IPv6(const char* address) { return Add(Inet6(address), Inet6("ffff:ffff::")); }
    AddressList& LinkLevel() {
        auto& link = storage_.emplace_back();
        link.ss_family = AF_PACKET;
        return Add(reinterpret_cast<sockaddr*>(&link), nullptr);
    }
    AddressList& NoAddress() { return Add(nullptr, nullptr); }

    const ifaddrs* head() {
        for (std::size_t i = 0; i + 1 < entries_.size(); ++i)
            entries_[i].ifa_next = &entries_[i + 1];
        return entries_.empty() ? nullptr : &entries_.front();
    }

  private:
    AddressList& Add(sockaddr* address, sockaddr* netmask) {
        ifaddrs entry{};
        entry.ifa_name = const_cast<char*>("test0");
        entry.ifa_addr = address;
        entry.ifa_netmask = netmask;
        entries_.push_back(entry);
        return *this;
    }
    sockaddr* Inet4(const char* text) {
        auto& storage = storage_.emplace_back();
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = AF_INET;
        EXPECT_EQ(inet_pton(AF_INET, text, &in->sin_addr), 1) << text;
        return reinterpret_cast<sockaddr*>(in);
    }
    sockaddr* Inet6(const char* text) {
        auto& storage = storage_.emplace_back();
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        EXPECT_EQ(inet_pton(AF_INET6, text, &in6->sin6_addr), 1) << text;
        return reinterpret_cast<sockaddr*>(in6);
    }

    std::deque<sockaddr_storage> storage_;  // stable addresses as entries are added
    std::vector<ifaddrs> entries_;
};

// The caller's 2048 bytes, prefilled so zero-filling shows, with guard bytes behind them.
struct Output {
    static constexpr std::size_t kGuard = 64;
    std::vector<char> bytes = std::vector<char>(kAddressBufferSize + kGuard, '#');
    char* data() { return bytes.data(); }
    std::string text() const { return bytes.data(); }
    bool ZeroBehindText() const {
        return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(text().size()),
                           bytes.begin() + kAddressBufferSize, [](char c) { return c == 0; });
    }
    bool GuardIntact() const {
        return std::all_of(bytes.begin() + kAddressBufferSize, bytes.end(),
                           [](char c) { return c == '#'; });
    }
};

TEST(AddressWalk, LoopbackOnlyGivesOneEntryAndNoSeparator) {
    AddressList list;
    list.IPv4("127.0.0.1", "255.0.0.0");
    Output out;
    EXPECT_EQ(WriteAddressList(list.head(), out.data()), 1);
    EXPECT_EQ(out.text(), "127.0.0.1-255.0.0.0");
    EXPECT_TRUE(out.ZeroBehindText());
}

TEST(AddressWalk, WritesAddressAndNetmaskBytesMostSignificantFirst) {
    AddressList list;
    list.IPv4("10.1.2.3", "255.255.240.0");
    Output out;
    WriteAddressList(list.head(), out.data());
    EXPECT_EQ(out.text(), "10.1.2.3-255.255.240.0");
}

TEST(AddressWalk, JoinsIPv4EntriesWithOnePlusAcrossOtherFamilies) {
    AddressList list;
    list.LinkLevel()
        .IPv4("127.0.0.1", "255.0.0.0")
        .IPv6("::1")
        .LinkLevel()
        .IPv6("fe80::1")
        .IPv4("192.168.1.20", "255.255.255.0")
        .IPv6("fd00::2")
        .LinkLevel();
    Output out;
    EXPECT_EQ(WriteAddressList(list.head(), out.data()), 1);
    EXPECT_EQ(out.text(), "127.0.0.1-255.0.0.0+192.168.1.20-255.255.255.0");
    EXPECT_TRUE(out.ZeroBehindText());
}

TEST(AddressWalk, LeavesOutEntriesWithoutAnIPv4AddressAndNetmask) {
    AddressList list;
    list.IPv4WithoutNetmask("10.0.0.1")
        .NoAddress()
        .IPv4WithIPv6Netmask("10.0.0.2")
        .IPv4("10.0.0.3", "255.0.0.0")
        .IPv4WithoutNetmask("10.0.0.4");
    Output out;
    EXPECT_EQ(WriteAddressList(list.head(), out.data()), 1);
    EXPECT_EQ(out.text(), "10.0.0.3-255.0.0.0");
}

TEST(AddressWalk, KeepsSeveralAddressesOfOneInterfaceInListOrder) {
    AddressList list;
    list.IPv4("10.0.0.9", "255.0.0.0").IPv4("10.0.0.1", "255.0.0.0").IPv4("10.0.0.5", "255.0.0.0");
    Output out;
    WriteAddressList(list.head(), out.data());
    EXPECT_EQ(out.text(), "10.0.0.9-255.0.0.0+10.0.0.1-255.0.0.0+10.0.0.5-255.0.0.0");
}

TEST(AddressWalk, ListWithoutIPv4GivesAnEmptyTextAndSucceeds) {
    AddressList list;
    list.IPv6("::1").LinkLevel();
    Output out;
    EXPECT_EQ(WriteAddressList(list.head(), out.data()), 1);
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(out.ZeroBehindText());
}

TEST(AddressWalk, EmptyListFailsAndLeavesTheOutputAlone) {
    Output out;
    EXPECT_EQ(WriteAddressList(nullptr, out.data()), 0);
    EXPECT_TRUE(std::all_of(out.bytes.begin(), out.bytes.end(), [](char c) { return c == '#'; }));
}

TEST(AddressWalk, StaysInside2048BytesWithWholeEntriesOnly) {
    // 70 entries of the longest form (31 characters): 64 of them with their 63 separators
    // fill 2047 bytes, leaving exactly the terminator.
    AddressList list;
    for (int i = 0; i < 70; ++i) list.IPv4("255.255.255.255", "255.255.255.255");
    Output out;
    EXPECT_EQ(WriteAddressList(list.head(), out.data()), 1);
    const std::string text = out.text();
    EXPECT_EQ(text.size(), kAddressBufferSize - 1);
    EXPECT_EQ(std::count(text.begin(), text.end(), '+'), 63);
    EXPECT_NE(text.back(), '+');
    EXPECT_TRUE(out.GuardIntact());
}

TEST(AddressWalk, StopsAtTheFirstEntryThatDoesNotFit) {
    // 62 entries of 31 characters and 3 of 15 fill 2031 bytes. The next 31-character entry
    // does not fit; a 15-character one after it would, but the list ends at the first entry
    // that does not fit, so what is written stays in the system's order.
    AddressList list;
    for (int i = 0; i < 62; ++i) list.IPv4("200.200.200.200", "255.255.255.255");
    for (int i = 0; i < 3; ++i) list.IPv4("1.1.1.1", "0.0.0.0");
    list.IPv4("201.201.201.201", "255.255.255.255").IPv4("2.2.2.2", "0.0.0.0");
    Output out;
    EXPECT_EQ(WriteAddressList(list.head(), out.data()), 1);
    const std::string text = out.text();
    EXPECT_EQ(text.size(), 2031u);
    EXPECT_TRUE(text.ends_with("+1.1.1.1-0.0.0.0"));
    EXPECT_EQ(text.find("201.201"), std::string::npos);
    EXPECT_EQ(text.find("2.2.2.2"), std::string::npos);
    EXPECT_TRUE(out.ZeroBehindText());
    EXPECT_TRUE(out.GuardIntact());
}

TEST(CastToIP4, AnswersOnlyForIPv4Addresses) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    sockaddr_in6 in6{};
    in6.sin6_family = AF_INET6;
    EXPECT_EQ(castToIP4(reinterpret_cast<sockaddr*>(&in)), &in);
    EXPECT_EQ(castToIP4(reinterpret_cast<sockaddr*>(&in6)), nullptr);
    EXPECT_EQ(castToIP4(nullptr), nullptr);
}

}  // namespace
