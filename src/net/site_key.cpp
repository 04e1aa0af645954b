// The site key's text form, key id and generation, over the crypto interface.
#include "net/site_key.h"

#include "net/crypto.h"

namespace quillnet {

namespace {

std::string key_bytes(const SiteKey& key) { return std::string(reinterpret_cast<const char*>(key.data()), key.size()); }

}  // namespace

bool parse_site_key(const std::string& text, SiteKey& key) {
    std::string bytes;
    if (text.size() != key.size() * 2 || !hex_decode(text, bytes)) return false;
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<unsigned char>(bytes[i]);
    return true;
}

std::string format_site_key(const SiteKey& key) { return hex_encode(key_bytes(key)); }

std::string site_key_id(const SiteKey& key) {
    unsigned char mac[SHA256_BYTES];
    if (!hmac_sha256(key_bytes(key), "quillnet key id v1", mac)) return std::string();
    return hex_encode(std::string(reinterpret_cast<const char*>(mac), 8));
}

bool generate_site_key(SiteKey& key) { return crypto_random(key.data(), key.size()); }

}  // namespace quillnet
