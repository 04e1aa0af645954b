// The bounded memories of a sealed receiver.
#include "net/sealed_memory.h"

namespace quillnet {

bool SessionKeyCache::find(const std::string& salt, std::string& key) {
    const auto it = keys_.find(salt);
    if (it == keys_.end()) return false;
    order_.splice(order_.begin(), order_, it->second.second);
    key = it->second.first;
    return true;
}

void SessionKeyCache::insert(const std::string& salt, const std::string& key) {
    if (capacity_ == 0) return;
    const auto it = keys_.find(salt);
    if (it != keys_.end()) {
        order_.splice(order_.begin(), order_, it->second.second);
        return;
    }
    if (keys_.size() >= capacity_) {
        keys_.erase(order_.back());
        order_.pop_back();
    }
    order_.push_front(salt);
    keys_.emplace(salt, std::make_pair(key, order_.begin()));
}

bool ReplayMemory::refuses(const std::string& salt, std::uint64_t counter, std::int64_t timestamp) const {
    if (forgot_any_ && timestamp <= newest_forgotten_) return true;
    return pairs_.count(Pair(salt, counter)) > 0;
}

void ReplayMemory::forget_oldest() {
    const auto oldest = by_time_.begin();
    if (!forgot_any_ || oldest->first > newest_forgotten_) newest_forgotten_ = oldest->first;
    forgot_any_ = true;
    pairs_.erase(oldest->second);
    by_time_.erase(oldest);
}

void ReplayMemory::remember(const std::string& salt, std::uint64_t counter, std::int64_t timestamp, std::int64_t now) {
    while (!by_time_.empty() && by_time_.begin()->first < now - window_ms_) forget_oldest();
    if (capacity_ == 0) return;
    while (pairs_.size() >= capacity_) forget_oldest();
    Pair pair(salt, counter);
    if (!pairs_.insert(pair).second) return;
    by_time_.emplace(timestamp, std::move(pair));
}

void ByeMemory::forget_expired(std::int64_t now) {
    while (!by_time_.empty() && by_time_.begin()->first < now - window_ms_) {
        ids_.erase(by_time_.begin()->second);
        by_time_.erase(by_time_.begin());
    }
}

void ByeMemory::record(const std::string& id, std::int64_t now) {
    forget_expired(now);
    const auto known = ids_.find(id);
    if (known != ids_.end()) {
        by_time_.erase({known->second, id});
        ids_.erase(known);
    }
    if (capacity_ == 0) return;
    if (ids_.size() >= capacity_) {
        ids_.erase(by_time_.begin()->second);
        by_time_.erase(by_time_.begin());
    }
    ids_.emplace(id, now);
    by_time_.emplace(now, id);
}

bool ByeMemory::said_bye(const std::string& id, std::int64_t now) const {
    const auto it = ids_.find(id);
    return it != ids_.end() && it->second >= now - window_ms_;
}

}  // namespace quillnet
