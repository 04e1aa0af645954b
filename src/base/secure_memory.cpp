// Wiping a string's bytes, over the platform's secure_zero.
#include "base/secure_memory.h"

namespace quillnet {

void secure_wipe(std::string& text) {
    if (!text.empty()) secure_zero(&text[0], text.size());
    text.clear();
}

}  // namespace quillnet
