// Instance ids: the braced GUID text, the fallback form, and fresh ids per call.
#include <gtest/gtest.h>

#include <regex>

#include "net/instance_id.h"

using namespace quillnet;

TEST(InstanceId, GuidTextIsBracedUpperCaseHex) {
    GuidValue g;
    g.data1 = 0x0123abcd;
    g.data2 = 0x00ef;
    g.data3 = 0x4a0b;
    const std::uint8_t tail[8] = {0x8c, 0x0d, 0x00, 0x11, 0x22, 0xfe, 0xdc, 0xba};
    for (int i = 0; i < 8; ++i) g.data4[i] = tail[i];
    EXPECT_EQ(format_guid_text(g), "{0123ABCD-00EF-4A0B-8C0D-001122FEDCBA}");
    EXPECT_EQ(format_guid_text(GuidValue{}), "{00000000-0000-0000-0000-000000000000}");
}

TEST(InstanceId, RandomBytesBecomeAVersionFourGuid) {
    std::uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) bytes[i] = 0xFF;
    EXPECT_EQ(format_guid_text(guid_from_random_bytes(bytes)), "{FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF}");
    for (int i = 0; i < 16; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(format_guid_text(guid_from_random_bytes(bytes)), "{00010203-0405-4607-8809-0A0B0C0D0E0F}");
}

TEST(InstanceId, FallbackNamesProcessAndUptime) {
    EXPECT_EQ(fallback_instance_id(4242, 123456789012LL), "id-4242-123456789012");
    EXPECT_EQ(fallback_instance_id(0, 0), "id-0-0");
}

TEST(InstanceId, EachCallGivesANewGuid) {
    const std::regex form("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
    // The fallback for a system without GUIDs is a GUID from the random generator too.
    const std::string r = random_instance_id();
    EXPECT_TRUE(std::regex_match(r, form)) << r;
    EXPECT_NE(r, random_instance_id());
    const std::string a = make_instance_id();
    const std::string b = make_instance_id();
    EXPECT_TRUE(std::regex_match(a, form)) << a;
    EXPECT_TRUE(std::regex_match(b, form)) << b;
    EXPECT_NE(a, b);
}
