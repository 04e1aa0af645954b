// The own raised flags.
#include "net/own_flags.h"

#include <algorithm>

namespace quillnet {

OwnRaise OwnFlags::raise(const std::string& label, std::int64_t now) {
    if (label.empty()) return OwnRaise::not_kept;
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = std::find_if(flags_.begin(), flags_.end(), [&](const OwnFlag& f) { return f.label == label; });
    if (found != flags_.end()) {
        flags_.erase(found);
        flags_.push_back({label, now});
        return OwnRaise::refreshed;
    }
    if (flags_.size() >= MAX_OWN_FLAGS) return OwnRaise::not_kept;
    flags_.push_back({label, now});
    return OwnRaise::added;
}

bool OwnFlags::clear(const std::string& label) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = std::find_if(flags_.begin(), flags_.end(), [&](const OwnFlag& f) { return f.label == label; });
    if (found == flags_.end()) return false;
    flags_.erase(found);
    return true;
}

bool OwnFlags::find(const std::string& label, OwnFlag& flag) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& f : flags_) {
        if (f.label == label) {
            flag = f;
            return true;
        }
    }
    return false;
}

std::vector<OwnFlag> OwnFlags::list() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return flags_;
}

}  // namespace quillnet
