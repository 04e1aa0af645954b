// Windows CNG side of the crypto interface (bcrypt.dll): AES-256-GCM, HMAC-SHA256 and
// the system-preferred random generator.
#include <windows.h>

#include <bcrypt.h>

#include <climits>
#include <string>

#include "base/secure_memory.h"
#include "net/crypto.h"

namespace quillnet {

namespace {

bool succeeded(NTSTATUS status) { return status >= 0; }

// Algorithm providers are costly to open and safe to share between threads, so each is
// opened once for the life of the process.
ULONG object_length(BCRYPT_ALG_HANDLE algorithm) {
    ULONG length = 0;
    ULONG written = 0;
    if (!algorithm || !succeeded(BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&length),
                                                   sizeof length, &written, 0)))
        return 0;
    return length;
}

struct Providers {
    BCRYPT_ALG_HANDLE aes_gcm = nullptr;
    BCRYPT_ALG_HANDLE hmac = nullptr;
    // Key and hash objects live in buffers of ours, so that they can be wiped after use
    // (they hold the key schedule and the HMAC's keyed state).
    ULONG aes_object_bytes = 0;
    ULONG hmac_object_bytes = 0;

    Providers() {
        if (!succeeded(BCryptOpenAlgorithmProvider(&aes_gcm, BCRYPT_AES_ALGORITHM, nullptr, 0))) {
            aes_gcm = nullptr;
        } else if (!succeeded(BCryptSetProperty(aes_gcm, BCRYPT_CHAINING_MODE,
                                                reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                                                sizeof(BCRYPT_CHAIN_MODE_GCM), 0))) {
            BCryptCloseAlgorithmProvider(aes_gcm, 0);
            aes_gcm = nullptr;
        }
        if (!succeeded(BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                   BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
            hmac = nullptr;
        }
        aes_object_bytes = object_length(aes_gcm);
        hmac_object_bytes = object_length(hmac);
    }
    ~Providers() {
        if (aes_gcm) BCryptCloseAlgorithmProvider(aes_gcm, 0);
        if (hmac) BCryptCloseAlgorithmProvider(hmac, 0);
    }
    Providers(const Providers&) = delete;
    Providers& operator=(const Providers&) = delete;
};

const Providers& providers() {
    static const Providers shared;
    return shared;
}

class KeyHolder {
public:
    explicit KeyHolder(const unsigned char key[AES_KEY_BYTES]) : object_(providers().aes_object_bytes, '\0') {
        const BCRYPT_ALG_HANDLE algorithm = providers().aes_gcm;
        if (!algorithm || object_.empty() ||
            !succeeded(BCryptGenerateSymmetricKey(algorithm, &key_, reinterpret_cast<PUCHAR>(&object_[0]),
                                                  static_cast<ULONG>(object_.size()), const_cast<PUCHAR>(key),
                                                  static_cast<ULONG>(AES_KEY_BYTES), 0))) {
            key_ = nullptr;
        }
    }
    ~KeyHolder() {
        if (key_) BCryptDestroyKey(key_);
        secure_wipe(object_);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    BCRYPT_KEY_HANDLE get() const { return key_; }

private:
    BCRYPT_KEY_HANDLE key_ = nullptr;
    std::string object_;
};

PUCHAR bytes_of(const std::string& text) {
    return reinterpret_cast<PUCHAR>(const_cast<char*>(text.data()));
}

bool fits_ulong(std::size_t size) { return size <= static_cast<std::size_t>(ULONG_MAX / 2); }

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO mode_info(const unsigned char nonce[GCM_NONCE_BYTES], const std::string& additional,
                                                unsigned char* tag) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = const_cast<PUCHAR>(nonce);
    info.cbNonce = static_cast<ULONG>(GCM_NONCE_BYTES);
    info.pbAuthData = additional.empty() ? nullptr : bytes_of(additional);
    info.cbAuthData = static_cast<ULONG>(additional.size());
    info.pbTag = tag;
    info.cbTag = static_cast<ULONG>(GCM_TAG_BYTES);
    return info;
}

}  // namespace

bool crypto_random(unsigned char* out, std::size_t size) {
    if (!fits_ulong(size)) return false;
    return succeeded(BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool hmac_sha256(const std::string& key, const std::string& message, unsigned char out[SHA256_BYTES]) {
    const BCRYPT_ALG_HANDLE algorithm = providers().hmac;
    if (!algorithm || !fits_ulong(key.size()) || !fits_ulong(message.size())) return false;
    WipedString object(std::string(providers().hmac_object_bytes, '\0'));
    if (object.get().empty()) return false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!succeeded(BCryptCreateHash(algorithm, &hash, reinterpret_cast<PUCHAR>(&object.get()[0]),
                                    static_cast<ULONG>(object.get().size()), bytes_of(key),
                                    static_cast<ULONG>(key.size()), 0)))
        return false;
    const bool ok = succeeded(BCryptHashData(hash, bytes_of(message), static_cast<ULONG>(message.size()), 0)) &&
                    succeeded(BCryptFinishHash(hash, out, static_cast<ULONG>(SHA256_BYTES), 0));
    BCryptDestroyHash(hash);
    return ok;
}

bool aes256_gcm_seal(const unsigned char key[AES_KEY_BYTES], const unsigned char nonce[GCM_NONCE_BYTES],
                     const std::string& additional, const std::string& plaintext, std::string& sealed) {
    if (!fits_ulong(additional.size()) || !fits_ulong(plaintext.size() + GCM_TAG_BYTES)) return false;
    KeyHolder holder(key);
    if (!holder.get()) return false;
    std::string out(plaintext.size() + GCM_TAG_BYTES, '\0');
    auto* out_bytes = reinterpret_cast<unsigned char*>(&out[0]);
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = mode_info(nonce, additional, out_bytes + plaintext.size());
    ULONG written = 0;
    const NTSTATUS status =
        BCryptEncrypt(holder.get(), bytes_of(plaintext), static_cast<ULONG>(plaintext.size()), &info, nullptr, 0,
                      out_bytes, static_cast<ULONG>(plaintext.size()), &written, 0);
    if (!succeeded(status) || written != plaintext.size()) return false;
    sealed = std::move(out);
    return true;
}

bool aes256_gcm_open(const unsigned char key[AES_KEY_BYTES], const unsigned char nonce[GCM_NONCE_BYTES],
                     const std::string& additional, const std::string& sealed, std::string& plaintext) {
    if (sealed.size() < GCM_TAG_BYTES || !fits_ulong(sealed.size()) || !fits_ulong(additional.size())) return false;
    const std::size_t text_size = sealed.size() - GCM_TAG_BYTES;
    KeyHolder holder(key);
    if (!holder.get()) return false;
    std::string tag = sealed.substr(text_size);
    std::string input = sealed.substr(0, text_size);
    std::string out(text_size, '\0');
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info =
        mode_info(nonce, additional, reinterpret_cast<unsigned char*>(&tag[0]));
    ULONG written = 0;
    // A wrong tag answers STATUS_AUTH_TAG_MISMATCH; the output is then discarded.
    const NTSTATUS status = BCryptDecrypt(holder.get(), bytes_of(input), static_cast<ULONG>(text_size), &info, nullptr,
                                          0, reinterpret_cast<PUCHAR>(&out[0]), static_cast<ULONG>(text_size), &written, 0);
    if (!succeeded(status) || written != text_size) return false;
    plaintext = std::move(out);
    return true;
}

}  // namespace quillnet
