// The engine's diagnostics snapshot and the rules read from it.
#include "net/engine_diagnostics.h"

#include "net/clock.h"
#include "net/engine.h"
#include "net/site_key.h"
#include "net/wire.h"

namespace quillnet {

bool own_announcement_heard_back(const EngineDiagnostics& d) {
    if (d.own_heard_ms < 0 || d.last_announced_ms < 0) return false;
    const std::int64_t since = d.previously_announced_ms >= 0 ? d.previously_announced_ms : d.last_announced_ms;
    return d.own_heard_ms >= since;
}

bool is_own_announcement(const ParsedLine& line, const std::string& own_id) {
    return (line.kind == "HELLO" || line.kind == "HEARTBEAT") && !line.fields.empty() && !own_id.empty() &&
           line.fields[0] == own_id;
}

EngineDiagnostics NetworkEngine::diagnostics() const {
    EngineDiagnostics d;
    d.running = running_.load();
    d.instance_id = instance_id_;
    {
        std::lock_guard<std::mutex> lock(identity_mutex_);
        d.discovery_port = settings_.discovery_port;
        d.message_port = settings_.message_port;
    }
    d.discovery_bound = d.running && udp_socket_.load() != INVALID_SOCKET_HANDLE;
    d.message_bound = d.running && tcp_socket_.load() != INVALID_SOCKET_HANDLE;
    d.start_failure = static_cast<StartFailure>(start_failure_.load());
    d.sealed = d.running && sealed_ != nullptr;
    // The engine keeps no copy of the key's text: the key id is the sealed wire's own.
    if (d.sealed) d.key_id = sealed_->key_id();
    d.now_ms = milliseconds_since_start();
    d.last_announced_ms = last_announced_ms_.load();
    d.previously_announced_ms = previously_announced_ms_.load();
    d.own_heard_ms = own_heard_ms_.load();
    d.peers = snapshot_peers();
    d.notices = notices_.posted_texts();
    return d;
}

}  // namespace quillnet
