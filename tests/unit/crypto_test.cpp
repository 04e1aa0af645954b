// Published known-answer vectors for the platform crypto (AES-256-GCM from the GCM
// specification's 256-bit cases, HMAC-SHA256 from RFC 4231, HKDF from RFC 5869), the
// strict text forms, and the site key's text and key id.
#include <gtest/gtest.h>

#include "net/crypto.h"
#include "net/site_key.h"

using namespace quillnet;

namespace {

std::string unhex(const std::string& text) {
    std::string bytes;
    EXPECT_TRUE(hex_decode(text, bytes)) << text;
    return bytes;
}

const unsigned char* raw(const std::string& bytes) { return reinterpret_cast<const unsigned char*>(bytes.data()); }

std::string hmac_hex(const std::string& key, const std::string& message) {
    unsigned char out[SHA256_BYTES];
    EXPECT_TRUE(hmac_sha256(key, message, out));
    return hex_encode(std::string(reinterpret_cast<const char*>(out), sizeof out));
}

}  // namespace

TEST(Crypto, AesGcmMatchesTheSpecificationVectorsAndRefusesAnyChange) {
    struct Case {
        const char *key, *nonce, *aad, *plain, *sealed;
    } cases[] = {
        {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "",
         "00000000000000000000000000000000", "cea7403d4d606b6e074ec5d3baf39d18d0d1c8a799996bf0265b98b5d48ab919"},
        {"feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888",
         "feedfacedeadbeeffeedfacedeadbeefabaddad2",
         "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525b16aed"
         "f5aa0de657ba637b39",
         "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838c5f61e"
         "6393ba7a0abcc9f66276fc6ece0f4e1768cddf8853bb2d551b"},
    };
    for (const auto& c : cases) {
        const std::string key = unhex(c.key), nonce = unhex(c.nonce), aad = unhex(c.aad), plain = unhex(c.plain);
        std::string sealed;
        ASSERT_TRUE(aes256_gcm_seal(raw(key), raw(nonce), aad, plain, sealed));
        EXPECT_EQ(hex_encode(sealed), c.sealed);
        std::string opened;
        ASSERT_TRUE(aes256_gcm_open(raw(key), raw(nonce), aad, sealed, opened));
        EXPECT_EQ(opened, plain);
        for (std::size_t i = 0; i < sealed.size(); i += 7) {
            std::string changed = sealed;
            changed[i] = static_cast<char>(changed[i] ^ 0x01);
            EXPECT_FALSE(aes256_gcm_open(raw(key), raw(nonce), aad, changed, opened)) << i;
        }
        EXPECT_FALSE(aes256_gcm_open(raw(key), raw(nonce), aad + "x", sealed, opened));
        EXPECT_FALSE(aes256_gcm_open(raw(key), raw(nonce), aad, sealed.substr(0, 15), opened));
    }
}

TEST(Crypto, HmacAndHkdfMatchTheRfcVectors) {
    EXPECT_EQ(hmac_hex(std::string(20, '\x0b'), "Hi There"),
              "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
    EXPECT_EQ(hmac_hex("Jefe", "what do ya want for nothing?"),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    EXPECT_EQ(hmac_hex(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
              "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");

    auto range = [](int from, int to) {
        std::string bytes;
        for (int b = from; b < to; ++b) bytes.push_back(static_cast<char>(b));
        return bytes;
    };
    EXPECT_EQ(hex_encode(hkdf_sha256(std::string(22, '\x0b'), range(0, 13), range(0xf0, 0xfa), 42)),
              "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865");
    EXPECT_EQ(hex_encode(hkdf_sha256(range(0, 80), range(0x60, 0xb0), range(0xb0, 0x100), 82)),
              "b11e398dc80327a1c8e7f78c596a49344f012eda2d4efad8a050cc4c19afa97c59045a99cac7827271cb41c65e590e09da32"
              "75600c2f09b8367793a9aca3db71cc30c58179ec3e87c14c01d5c1f3434f1d87");
    EXPECT_EQ(hex_encode(hkdf_sha256(std::string(22, '\x0b'), "", "", 42)),
              "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8");
}

TEST(Crypto, Base64IsStandardAndItsReaderStrict) {
    const char* forms[][2] = {{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
                              {"\xfb\xff", "+/8="}};
    for (const auto& form : forms) {
        EXPECT_EQ(base64_encode(form[0]), form[1]);
        std::string back;
        ASSERT_TRUE(base64_decode(form[1], back)) << form[1];
        EXPECT_EQ(back, form[0]);
    }
    std::string out;
    for (const char* bad : {"Zg=", "Zg", "Zh==", "Zm9=", "Z===", "Zg==Zg==", "Zm-v", "Zm9v\n", "=Zg=", "Zm 9"}) {
        EXPECT_FALSE(base64_decode(bad, out)) << bad;
    }
}

TEST(Crypto, SiteKeyTextKeyIdAndGeneration) {
    SiteKey key{};
    const std::string text = "00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff";
    ASSERT_TRUE(parse_site_key(text, key));
    EXPECT_EQ(key[10], 0xAA);
    EXPECT_EQ(format_site_key(key), "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff");
    for (const std::string& bad : {text.substr(1), text + "0", text.substr(0, 63) + "g", std::string(" ") + text.substr(1)}) {
        EXPECT_FALSE(parse_site_key(bad, key)) << bad;
    }
    // The key id is the first 8 bytes of HMAC-SHA256(key, "quillnet key id v1").
    SiteKey zero{};
    EXPECT_EQ(site_key_id(zero), hmac_hex(std::string(32, '\0'), "quillnet key id v1").substr(0, 16));

    SiteKey a{}, b{};
    ASSERT_TRUE(generate_site_key(a));
    ASSERT_TRUE(generate_site_key(b));
    EXPECT_NE(a, b);
}
