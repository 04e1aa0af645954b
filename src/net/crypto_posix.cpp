// OpenSSL libcrypto side of the crypto interface (native builds and tests).
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <climits>
#include <memory>

#include "net/crypto.h"

namespace quillnet {

namespace {

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

const unsigned char* bytes_of(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

bool fits_int(std::size_t size) { return size <= static_cast<std::size_t>(INT_MAX); }

}  // namespace

bool crypto_random(unsigned char* out, std::size_t size) {
    return fits_int(size) && RAND_bytes(out, static_cast<int>(size)) == 1;
}

bool hmac_sha256(const std::string& key, const std::string& message, unsigned char out[SHA256_BYTES]) {
    if (!fits_int(key.size())) return false;
    unsigned int length = 0;
    // A null key pointer means "no key" to OpenSSL; an empty key must still be a key.
    static const unsigned char empty = 0;
    const unsigned char* key_bytes = key.empty() ? &empty : bytes_of(key);
    return HMAC(EVP_sha256(), key_bytes, static_cast<int>(key.size()), bytes_of(message), message.size(), out,
                &length) != nullptr &&
           length == SHA256_BYTES;
}

bool aes256_gcm_seal(const unsigned char key[AES_KEY_BYTES], const unsigned char nonce[GCM_NONCE_BYTES],
                     const std::string& additional, const std::string& plaintext, std::string& sealed) {
    if (!fits_int(additional.size()) || !fits_int(plaintext.size() + GCM_TAG_BYTES)) return false;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) return false;
    std::string out(plaintext.size() + GCM_TAG_BYTES, '\0');
    auto* out_bytes = reinterpret_cast<unsigned char*>(&out[0]);
    int length = 0;
    if (EVP_EncryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, key, nonce) != 1) return false;
    if (EVP_EncryptUpdate(context.get(), nullptr, &length, bytes_of(additional), static_cast<int>(additional.size())) != 1)
        return false;
    int written = 0;
    if (EVP_EncryptUpdate(context.get(), out_bytes, &written, bytes_of(plaintext), static_cast<int>(plaintext.size())) != 1)
        return false;
    if (EVP_EncryptFinal_ex(context.get(), out_bytes + written, &length) != 1) return false;
    if (static_cast<std::size_t>(written + length) != plaintext.size()) return false;
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(GCM_TAG_BYTES),
                            out_bytes + plaintext.size()) != 1)
        return false;
    sealed = std::move(out);
    return true;
}

bool aes256_gcm_open(const unsigned char key[AES_KEY_BYTES], const unsigned char nonce[GCM_NONCE_BYTES],
                     const std::string& additional, const std::string& sealed, std::string& plaintext) {
    if (sealed.size() < GCM_TAG_BYTES || !fits_int(sealed.size()) || !fits_int(additional.size())) return false;
    const std::size_t text_size = sealed.size() - GCM_TAG_BYTES;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) return false;
    std::string out(text_size, '\0');
    // One spare byte so the output pointer is valid even for an empty text.
    out.reserve(text_size + 1);
    auto* out_bytes = reinterpret_cast<unsigned char*>(&out[0]);
    int length = 0;
    if (EVP_DecryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, key, nonce) != 1) return false;
    if (EVP_DecryptUpdate(context.get(), nullptr, &length, bytes_of(additional), static_cast<int>(additional.size())) != 1)
        return false;
    int written = 0;
    if (EVP_DecryptUpdate(context.get(), out_bytes, &written, bytes_of(sealed), static_cast<int>(text_size)) != 1)
        return false;
    std::string tag = sealed.substr(text_size);
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(GCM_TAG_BYTES), &tag[0]) != 1)
        return false;
    if (EVP_DecryptFinal_ex(context.get(), out_bytes + written, &length) != 1) return false;
    if (static_cast<std::size_t>(written + length) != text_size) return false;
    plaintext = std::move(out);
    return true;
}

}  // namespace quillnet
