// The site key's text form, key id and generation, over the crypto interface.
#include "net/site_key.h"

#include "base/secure_memory.h"
#include "net/crypto.h"

namespace quillnet {

namespace {

std::string key_bytes(const SiteKey& key) { return std::string(reinterpret_cast<const char*>(key.data()), key.size()); }

}  // namespace

bool parse_site_key(const std::string& text, SiteKey& key) {
    WipedString bytes;
    if (text.size() != key.size() * 2 || !hex_decode(text, bytes.get())) return false;
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<unsigned char>(bytes.get()[i]);
    return true;
}

std::string format_site_key(const SiteKey& key) {
    const WipedString bytes(key_bytes(key));
    return hex_encode(bytes.get());
}

std::string site_key_id(const SiteKey& key) {
    unsigned char mac[SHA256_BYTES];
    const WipedString bytes(key_bytes(key));
    if (!hmac_sha256(bytes.get(), "quillnet key id v1", mac)) return std::string();
    return hex_encode(std::string(reinterpret_cast<const char*>(mac), 8));
}

bool generate_site_key(SiteKey& key) { return crypto_random(key.data(), key.size()); }

}  // namespace quillnet
