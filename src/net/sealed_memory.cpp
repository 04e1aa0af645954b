// The bounded memories of a sealed receiver.
#include "net/sealed_memory.h"

#include <algorithm>

#include "base/secure_memory.h"

namespace quillnet {

SessionKeyCache::~SessionKeyCache() {
    for (auto& entry : keys_) secure_wipe(entry.second.first);
}

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
        const auto gone = keys_.find(order_.back());
        secure_wipe(gone->second.first);
        keys_.erase(gone);
        order_.pop_back();
    }
    order_.push_front(salt);
    keys_.emplace(salt, std::make_pair(key, order_.begin()));
}

bool ReplayMemory::refuses(const std::string& salt, std::uint64_t counter, std::int64_t timestamp) const {
    if (forgot_any_ && timestamp <= newest_forgotten_) return true;
    const auto floor = floors_.find(salt);
    if (floor != floors_.end() && counter <= floor->second.counter) return true;
    return pairs_.count(Pair(salt, counter)) > 0;
}

void ReplayMemory::raise_mark(std::int64_t timestamp) {
    if (!forgot_any_ || timestamp > newest_forgotten_) newest_forgotten_ = timestamp;
    forgot_any_ = true;
}

void ReplayMemory::forget_oldest() {
    const auto oldest = by_time_.begin();
    raise_mark(oldest->first);
    pairs_.erase(oldest->second);
    by_time_.erase(oldest);
}

void ReplayMemory::let_go(const Arrival& arrival) {
    const auto kept = pairs_.find(arrival.pair);
    if (kept == pairs_.end()) return;  // forgotten for room already
    by_time_.erase({kept->second, arrival.pair});
    pairs_.erase(kept);
    const std::string& salt = arrival.pair.first;
    auto floor = floors_.find(salt);
    if (floor == floors_.end()) {
        if (session_capacity_ == 0) {
            raise_mark(arrival.timestamp);
            return;
        }
        if (floors_.size() >= session_capacity_) {
            // The session heard from least lately gives up its floor, which the mark
            // then has to cover.
            const auto gone = floors_.find(floor_order_.back());
            raise_mark(gone->second.newest_timestamp);
            floors_.erase(gone);
            floor_order_.pop_back();
        }
        floor_order_.push_front(salt);
        Floor fresh;
        fresh.counter = arrival.pair.second;
        fresh.newest_timestamp = arrival.timestamp;
        fresh.place = floor_order_.begin();
        floors_.emplace(salt, fresh);
        return;
    }
    Floor& known = floor->second;
    if (arrival.pair.second > known.counter) known.counter = arrival.pair.second;
    if (arrival.timestamp > known.newest_timestamp) known.newest_timestamp = arrival.timestamp;
    floor_order_.splice(floor_order_.begin(), floor_order_, known.place);
}

void ReplayMemory::remember(const std::string& salt, std::uint64_t counter, std::int64_t timestamp,
                            std::int64_t arrived_ms) {
    while (!arrivals_.empty() && arrivals_.front().arrived_ms <= arrived_ms - window_ms_) {
        let_go(arrivals_.front());
        arrivals_.pop_front();
    }
    if (capacity_ == 0) return;
    while (pairs_.size() >= capacity_) forget_oldest();
    // Pairs forgotten for room leave their arrival behind; the floor keeps any still
    // listed refused when the list itself has to shrink.
    while (arrivals_.size() >= 2 * capacity_) {
        let_go(arrivals_.front());
        arrivals_.pop_front();
    }
    Pair pair(salt, counter);
    if (!pairs_.emplace(pair, timestamp).second) return;
    by_time_.emplace(timestamp, pair);
    arrivals_.push_back(Arrival{arrived_ms, timestamp, std::move(pair)});
}

bool DerivationBudget::take(std::int64_t now_ms) {
    const std::int64_t full = per_second_ * 1000;
    if (started_ && now_ms > last_ms_) {
        const std::int64_t elapsed = now_ms - last_ms_;
        credit_ = elapsed >= 1000 ? full : std::min(full, credit_ + elapsed * per_second_);
    }
    if (!started_ || now_ms > last_ms_) last_ms_ = now_ms;
    started_ = true;
    if (credit_ < 1000) return false;
    credit_ -= 1000;
    return true;
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
