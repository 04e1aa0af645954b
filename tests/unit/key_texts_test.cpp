// What the site key window says about a key, and reading a pasted key.
#include <gtest/gtest.h>

#include "net/site_key.h"
#include "ui/key_texts.h"

using namespace quillnet;

namespace {

const std::string KEY = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

std::string id_of(const std::string& text) {
    SiteKey key{};
    EXPECT_TRUE(parse_site_key(text, key));
    return site_key_id(key);
}

}  // namespace

TEST(KeyTexts, StatusAndChangeFollowTheKeyText) {
    EXPECT_TRUE(is_site_key(KEY));
    EXPECT_FALSE(is_site_key(""));
    EXPECT_FALSE(is_site_key(KEY + "0"));
    EXPECT_EQ(key_status_text(""), "Open: pages cross the network in clear.");
    EXPECT_EQ(key_status_text(KEY), "Sealed with key id " + id_of(KEY) + ": pages are encrypted.");
    EXPECT_EQ(key_status_text("xyz"), "The site key in Quillnet.ini is not valid: the network is off.");

    EXPECT_EQ(key_change_text(KEY, KEY), "");
    EXPECT_EQ(key_change_text("", ""), "");
    EXPECT_EQ(key_change_text(KEY, ""), "After OK: open, without a site key.");
    EXPECT_EQ(key_change_text("xyz", ""), "After OK: open, without a site key.");
    EXPECT_EQ(key_change_text("", KEY), "After OK: sealed with key id " + id_of(KEY) + ".");
}

TEST(KeyTexts, APastedKeyIsTrimmedAndLowerCasedAndAnythingElseRefused) {
    std::string key = "unchanged";
    std::string upper = KEY;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    ASSERT_TRUE(key_from_pasted_text(" \t" + upper + "\r\n", key));
    EXPECT_EQ(key, KEY);
    key = "unchanged";
    for (const std::string& bad : {std::string(), std::string("  \r\n"), KEY.substr(1), KEY + "0",
                                   KEY.substr(0, 32) + " " + KEY.substr(32), "0x" + KEY.substr(2),
                                   KEY.substr(0, 63) + "g"}) {
        EXPECT_FALSE(key_from_pasted_text(bad, key)) << bad;
        EXPECT_EQ(key, "unchanged");
    }
}
