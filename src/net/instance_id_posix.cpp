// Instance id natively: a version-4 GUID from the system's random generator, formatted
// as a braced GUID exactly like the Windows build.
#include "net/clock.h"
#include "net/instance_id.h"

namespace quillnet {

std::string make_instance_id() {
    const std::string id = random_instance_id();
    return id.empty() ? fallback_instance_id(current_process_id(), milliseconds_since_start()) : id;
}

}  // namespace quillnet
