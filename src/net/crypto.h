// The cryptographic primitives of sealed mode, taken from the platform's own vetted
// module: Windows CNG (crypto_win.cpp) or OpenSSL's libcrypto (crypto_posix.cpp). Only
// HKDF, hex and base64 are built here, over those primitives (crypto.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillnet {

constexpr std::size_t AES_KEY_BYTES = 32;
constexpr std::size_t GCM_NONCE_BYTES = 12;
constexpr std::size_t GCM_TAG_BYTES = 16;
constexpr std::size_t SHA256_BYTES = 32;

// Fills size bytes from the system's cryptographic random generator; false on failure.
bool crypto_random(unsigned char* out, std::size_t size);

// HMAC-SHA256 of message under key; false when the module fails.
bool hmac_sha256(const std::string& key, const std::string& message, unsigned char out[SHA256_BYTES]);

// AES-256-GCM with a 12-byte nonce and a 16-byte tag. seal gives ciphertext followed by
// the tag; open takes the same form and gives the plaintext only when the tag is right.
bool aes256_gcm_seal(const unsigned char key[AES_KEY_BYTES], const unsigned char nonce[GCM_NONCE_BYTES],
                     const std::string& additional, const std::string& plaintext, std::string& sealed);
bool aes256_gcm_open(const unsigned char key[AES_KEY_BYTES], const unsigned char nonce[GCM_NONCE_BYTES],
                     const std::string& additional, const std::string& sealed, std::string& plaintext);

// HKDF-SHA256 (extract, then expand to length bytes, at most 255 * 32); empty on failure.
std::string hkdf_sha256(const std::string& ikm, const std::string& salt, const std::string& info,
                        std::size_t length);

// Lower-case hexadecimal of bytes.
std::string hex_encode(const std::string& bytes);
// Exactly 2n hexadecimal digits of either case to n bytes; false on anything else.
bool hex_decode(const std::string& text, std::string& bytes);

// Standard base64 with padding and no line breaks.
std::string base64_encode(const std::string& bytes);
// The strict reverse: length a multiple of four, only the standard alphabet, padding
// only at the end, unused bits zero. False on anything else.
bool base64_decode(const std::string& text, std::string& bytes);

}  // namespace quillnet
