// Wiping secrets (the site key, its text, session keys) from memory before it is given
// back, in a way the compiler may not leave out: SecureZeroMemory on Windows,
// OPENSSL_cleanse natively.
#pragma once

#include <cstddef>
#include <string>

namespace quillnet {

void secure_zero(void* data, std::size_t size);
// Zeroes every byte of text and empties it.
void secure_wipe(std::string& text);

// A string holding a secret, wiped when it goes out of scope.
class WipedString {
public:
    WipedString() = default;
    explicit WipedString(std::string text) : text_(std::move(text)) {}
    ~WipedString() { secure_wipe(text_); }
    WipedString(const WipedString&) = delete;
    WipedString& operator=(const WipedString&) = delete;
    std::string& get() { return text_; }
    const std::string& get() const { return text_; }

private:
    std::string text_;
};

}  // namespace quillnet
