// The bounded memories of a sealed receiver: session keys by salt, the (salt, counter)
// pairs already accepted, and the instances that said BYE lately. None of them locks;
// SealedWire holds one mutex around all three.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace quillnet {

// Session keys of the salts heard lately, the least recently used forgotten first. Only
// keys that authenticated a line are kept, so made-up salts cannot push real ones out.
class SessionKeyCache {
public:
    explicit SessionKeyCache(std::size_t capacity) : capacity_(capacity) {}
    bool find(const std::string& salt, std::string& key);
    void insert(const std::string& salt, const std::string& key);
    std::size_t size() const { return keys_.size(); }

private:
    using Order = std::list<std::string>;
    std::size_t capacity_;
    Order order_;  // most recently used first
    std::map<std::string, std::pair<std::string, Order::iterator>> keys_;
};

// Every accepted (salt, counter) pair whose timestamp is still within the window. When
// full, the pair with the oldest timestamp is forgotten and from then on nothing with a
// timestamp up to the newest forgotten one is accepted; pairs that left the window are
// forgotten the same way.
class ReplayMemory {
public:
    ReplayMemory(std::size_t capacity, std::int64_t window_ms) : capacity_(capacity), window_ms_(window_ms) {}
    // True when the pair was accepted before or is too old for the memory to judge.
    bool refuses(const std::string& salt, std::uint64_t counter, std::int64_t timestamp) const;
    void remember(const std::string& salt, std::uint64_t counter, std::int64_t timestamp, std::int64_t now);
    std::size_t size() const { return pairs_.size(); }

private:
    using Pair = std::pair<std::string, std::uint64_t>;
    void forget_oldest();

    std::size_t capacity_;
    std::int64_t window_ms_;
    std::set<Pair> pairs_;
    std::set<std::pair<std::int64_t, Pair>> by_time_;
    bool forgot_any_ = false;
    std::int64_t newest_forgotten_ = 0;
};

// Instance ids with the receiver's time of their accepted BYE, for window_ms; when
// full, the oldest is forgotten.
class ByeMemory {
public:
    ByeMemory(std::size_t capacity, std::int64_t window_ms) : capacity_(capacity), window_ms_(window_ms) {}
    void record(const std::string& id, std::int64_t now);
    bool said_bye(const std::string& id, std::int64_t now) const;
    std::size_t size() const { return ids_.size(); }

private:
    void forget_expired(std::int64_t now);

    std::size_t capacity_;
    std::int64_t window_ms_;
    std::map<std::string, std::int64_t> ids_;
    std::set<std::pair<std::int64_t, std::string>> by_time_;
};

}  // namespace quillnet
