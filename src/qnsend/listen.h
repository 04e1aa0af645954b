// Hearing the rooms of the LAN without announcing qnsend itself: the discovery port is
// shared with a Quillnet on the same machine, and nothing is ever sent on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/peer_table.h"
#include "qnsend/wire_mode.h"

namespace quillnet {

// One heartbeat (as the engine's 200 ms cycle sends it) plus a margin.
int default_wait_ms(std::int32_t heartbeat_ms);

// Adds the announcements of one datagram to the table, by the engine's own rules (of
// two ids heard from one room's address and port, the one whose newest line is the
// latest stays). True when it announced a room already listed under another id.
bool take_datagram(const WireMode& mode, const char* data, std::size_t size, std::uint32_t source,
                   const std::string& own_id, PeerTable& table);

// Listens up to wait_ms on the port; with names, ends as soon as every name is
// answered by a pageable peer, unless a room was heard under more than one id (a
// recording may be about): then it listens the full wait, so that the live room's
// next line is heard. False when the port cannot be opened.
bool listen_for_rooms(const WireMode& mode, std::uint16_t port, int wait_ms, const std::vector<std::string>& names,
                      const std::string& own_id, PeerTable& table);

}  // namespace quillnet
