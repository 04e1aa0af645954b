// qnsend's listener for SEEN frames: a TCP port opened before the page goes out, on
// which each connection's frame is read with the receiver's own limits and rules (sealed
// when the mode is), every SEEN acknowledged, and nothing else taken.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/socket_shim.h"
#include "qnsend/wire_mode.h"

namespace quillnet {

class SeenListener {
public:
    // Binds port on every address; false when it cannot be bound or listened on.
    bool open(std::uint16_t port);
    // Serves connections until deadline_ms (milliseconds_since_start) or until
    // on_seen returns true. on_seen gets each SEEN line that ended with its line feed
    // (in sealed mode the inner line of one that passed every check) and the address
    // it came from, before its acknowledgement goes back.
    void serve_until(std::int64_t deadline_ms, const WireMode& mode, const std::string& own_id,
                     const std::function<bool(const std::string&, const std::string&)>& on_seen);

private:
    SocketHolder listener_;
};

}  // namespace quillnet
