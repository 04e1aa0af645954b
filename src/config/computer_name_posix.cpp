// Computer name from the platform (POSIX builds of the core, used by native tests).
#include <unistd.h>

#include "config/settings.h"

namespace quillnet {

std::string platform_computer_name() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return std::string();
    return std::string(buffer);
}

}  // namespace quillnet
