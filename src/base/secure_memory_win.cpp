// secure_zero on Windows: SecureZeroMemory, which the optimiser cannot drop.
#include <windows.h>

#include "base/secure_memory.h"

namespace quillnet {

void secure_zero(void* data, std::size_t size) {
    if (data && size > 0) SecureZeroMemory(data, size);
}

}  // namespace quillnet
