// Broadcast addresses from adapter addresses and prefixes.
#include <gtest/gtest.h>

#include "net/adapters.h"
#include "net/socket_shim.h"

using namespace quillnet;

namespace {

std::uint32_t ip(const char* text) {
    std::uint32_t address = 0;
    EXPECT_TRUE(parse_ipv4(text, address)) << text;
    return address;
}

}  // namespace

TEST(Adapters, BroadcastSetsTheHostBits) {
    std::uint32_t b = 0;
    ASSERT_TRUE(broadcast_address_of(ip("192.168.1.20"), 24, b));
    EXPECT_EQ(format_ipv4(b), "192.168.1.255");
    ASSERT_TRUE(broadcast_address_of(ip("127.0.0.1"), 8, b));
    EXPECT_EQ(format_ipv4(b), "127.255.255.255");
    ASSERT_TRUE(broadcast_address_of(ip("10.1.2.3"), 1, b));
    EXPECT_EQ(format_ipv4(b), "127.255.255.255");
    ASSERT_TRUE(broadcast_address_of(ip("172.16.5.9"), 31, b));
    EXPECT_EQ(format_ipv4(b), "172.16.5.9");
    ASSERT_TRUE(broadcast_address_of(ip("172.16.5.8"), 31, b));
    EXPECT_EQ(format_ipv4(b), "172.16.5.9");
}

TEST(Adapters, PrefixThirtyTwoIsTheAddressItselfAndBadPrefixesAreSkipped) {
    std::uint32_t b = 0;
    ASSERT_TRUE(broadcast_address_of(ip("10.9.8.7"), 32, b));
    EXPECT_EQ(format_ipv4(b), "10.9.8.7");
    EXPECT_FALSE(broadcast_address_of(ip("10.9.8.7"), 0, b));
    EXPECT_FALSE(broadcast_address_of(ip("10.9.8.7"), 33, b));
    EXPECT_FALSE(broadcast_address_of(ip("10.9.8.7"), -1, b));
}

TEST(Adapters, OnlyUpAdaptersCountInOrderWithDuplicatesKept) {
    const std::vector<AdapterAddress> list{
        {true, ip("192.168.1.20"), 24}, {false, ip("10.0.0.5"), 8}, {true, ip("127.0.0.1"), 8},
        {true, ip("10.0.0.6"), 0},      {true, ip("192.168.1.21"), 24}};
    std::vector<std::string> texts;
    for (const auto b : broadcast_addresses_from(list)) texts.push_back(format_ipv4(b));
    EXPECT_EQ(texts, (std::vector<std::string>{"192.168.1.255", "127.255.255.255", "192.168.1.255"}));
    EXPECT_TRUE(broadcast_addresses_from({}).empty());
}

TEST(Adapters, DottedAddressesOnly) {
    std::uint32_t a = 0;
    EXPECT_TRUE(parse_ipv4("255.255.255.255", a));
    EXPECT_EQ(a, 0xFFFFFFFFu);
    EXPECT_FALSE(parse_ipv4("frontdesk", a));
    EXPECT_FALSE(parse_ipv4("10.0.0", a));
    EXPECT_FALSE(parse_ipv4("10.0.0.256", a));
    EXPECT_FALSE(parse_ipv4("", a));
    EXPECT_FALSE(parse_ipv4(" 10.0.0.1", a));
}
