// secure_zero natively: OpenSSL's cleanse, which the optimiser cannot drop.
#include <openssl/crypto.h>

#include "base/secure_memory.h"

namespace quillnet {

void secure_zero(void* data, std::size_t size) {
    if (data && size > 0) OPENSSL_cleanse(data, size);
}

}  // namespace quillnet
