// Sealing and judging lines for one run in sealed mode.
#include "net/sealed_wire.h"

#include <chrono>

#include "net/wire.h"

namespace quillnet {

std::int64_t system_wall_clock() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool inner_allowed_on(const std::string& inner, SealedPort port) {
    const ParsedLine parsed = parse_line(inner);
    switch (port) {
        case SealedPort::discovery:
            return parsed.kind == "HELLO" || parsed.kind == "HEARTBEAT" || parsed.kind == "BYE";
        case SealedPort::frame:
            return is_message_kind(parsed.kind) || is_loop_kind(parsed.kind);
        case SealedPort::acknowledgement:
            return parsed.kind == "ACK" && parsed.fields.size() == 2;
    }
    return false;
}

SealedWire::SealedWire(const SiteKey& key, WallClock clock)
    : site_key_(key), clock_(clock ? std::move(clock) : WallClock(system_wall_clock)) {
    ready_ = start_session(key, session_);
    if (ready_) keys_.insert(session_.salt, session_.session_key);
}

std::string SealedWire::seal(const std::string& recipient, const std::string& inner) {
    if (!ready_) return std::string();
    return seal_line(session_, clock_(), recipient, inner);
}

bool SealedWire::session_key_for(const std::string& salt, std::string& key, bool& cached) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cached = keys_.find(salt, key);
    }
    if (!cached) key = derive_session_key(site_key_, salt);
    return !key.empty();
}

SealedOpening SealedWire::open(const std::string& line, SealedPort port, const std::string& own_id) {
    SealedOpening result;
    SealedFields fields;
    result.check = read_sealed_fields(line, session_.key_id, fields);
    if (result.check != SealedCheck::accepted || !ready_) return result;

    std::string key;
    bool cached = false;
    std::string plaintext;
    if (!session_key_for(fields.salt, key, cached) || !decrypt_sealed(key, fields, plaintext)) {
        result.check = SealedCheck::forged;
        return result;
    }
    SealedPlaintext parts;
    if (!read_plaintext(plaintext, parts)) {
        result.check = SealedCheck::malformed;
        return result;
    }
    const std::int64_t now = clock_();
    if (parts.timestamp > now + SEALED_WINDOW_MS || parts.timestamp < now - SEALED_WINDOW_MS) {
        result.check = SealedCheck::clock;
        result.clock_offset_ms = parts.timestamp - now;
        return result;
    }
    const bool recipient_right = port == SealedPort::discovery ? parts.recipient.empty() : parts.recipient == own_id;
    const bool kind_right = inner_allowed_on(parts.inner, port);
    const ParsedLine inner = parse_line(parts.inner);
    const std::string sender = field_or_empty(inner, 0);

    std::lock_guard<std::mutex> lock(mutex_);
    if (!cached) keys_.insert(fields.salt, key);
    // The replay check and the remembering happen under one lock, so two threads given
    // the same line cannot both accept it.
    if (replays_.refuses(fields.salt, fields.counter, parts.timestamp)) {
        result.check = SealedCheck::replayed;
        return result;
    }
    if (!recipient_right || !kind_right) {
        result.check = SealedCheck::misdirected;
        return result;
    }
    if (port == SealedPort::discovery && inner.kind != "BYE" && byes_.said_bye(sender, now)) {
        result.check = SealedCheck::departed;
        return result;
    }
    replays_.remember(fields.salt, fields.counter, parts.timestamp, now);
    if (port == SealedPort::discovery && inner.kind == "BYE" && !sender.empty()) byes_.record(sender, now);
    result.check = SealedCheck::accepted;
    result.inner = std::move(parts.inner);
    return result;
}

}  // namespace quillnet
