// The bounded memories of a sealed receiver: session keys by salt, the (salt, counter)
// pairs already accepted, and the instances that said BYE lately. None of them locks;
// SealedWire holds one mutex around all three.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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
    // Keys are wiped from memory when they leave the cache and when it goes.
    ~SessionKeyCache();
    SessionKeyCache(const SessionKeyCache&) = delete;
    SessionKeyCache& operator=(const SessionKeyCache&) = delete;
    bool find(const std::string& salt, std::string& key);
    void insert(const std::string& salt, const std::string& key);
    std::size_t size() const { return keys_.size(); }

private:
    using Order = std::list<std::string>;
    std::size_t capacity_;
    Order order_;  // most recently used first
    std::map<std::string, std::pair<std::string, Order::iterator>> keys_;
};

// Every accepted (salt, counter) pair, each kept for at least window_ms of monotonic
// time after it arrived, whatever the wall clock does meanwhile. A pair let go after
// that leaves a floor for its session: no counter up to the highest one let go is
// accepted again from that salt, so a line heard before a step of the wall clock stays
// refused after it, while the session's later lines are heard. Only forgetting for room
// sets the mark for everybody: when the memory is full, the pair with the oldest
// timestamp is forgotten and from then on nothing with a timestamp up to the newest
// forgotten one is accepted; the same when a session's floor has to go for room.
class ReplayMemory {
public:
    ReplayMemory(std::size_t capacity, std::int64_t window_ms, std::size_t session_capacity = 4096)
        : capacity_(capacity), window_ms_(window_ms), session_capacity_(session_capacity) {}
    // True when the pair was accepted before or is too old for the memory to judge.
    bool refuses(const std::string& salt, std::uint64_t counter, std::int64_t timestamp) const;
    // arrived_ms: the receiver's monotonic clock when the line came.
    void remember(const std::string& salt, std::uint64_t counter, std::int64_t timestamp, std::int64_t arrived_ms);
    std::size_t size() const { return pairs_.size(); }

private:
    using Pair = std::pair<std::string, std::uint64_t>;
    struct Arrival {
        std::int64_t arrived_ms;
        std::int64_t timestamp;
        Pair pair;
    };
    struct Floor {
        std::uint64_t counter = 0;
        std::int64_t newest_timestamp = 0;
        std::list<std::string>::iterator place;  // in floor_order_
    };
    void forget_oldest();
    void let_go(const Arrival& arrival);
    void raise_mark(std::int64_t timestamp);

    std::size_t capacity_;
    std::int64_t window_ms_;
    std::size_t session_capacity_;
    std::map<Pair, std::int64_t> pairs_;  // with their timestamps
    std::set<std::pair<std::int64_t, Pair>> by_time_;
    std::deque<Arrival> arrivals_;  // in arrival order; pairs forgotten for room are skipped
    std::map<std::string, Floor> floors_;
    std::list<std::string> floor_order_;  // most recently raised first
    bool forgot_any_ = false;
    std::int64_t newest_forgotten_ = 0;
};

// How many session keys may be derived for salts not yet authenticated: per_second
// a second, refilled continuously, at most one second's worth saved up. Anyone on the
// LAN can make up salts, and each costs a key derivation before its line can be judged.
class DerivationBudget {
public:
    explicit DerivationBudget(std::int64_t per_second) : per_second_(per_second), credit_(per_second * 1000) {}
    // True (and one derivation spent) when one may be made at now_ms (monotonic).
    bool take(std::int64_t now_ms);

private:
    std::int64_t per_second_;
    std::int64_t credit_;  // derivations times 1000
    bool started_ = false;
    std::int64_t last_ms_ = 0;
};

// Instance ids with the receiver's monotonic time of their accepted BYE, for window_ms; when
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
