// How qnsend reads and writes lines on the LAN. Every received discovery line passes
// through read_received_line and every outgoing frame is made, per recipient, by
// frame_for_recipient, so that the sealed protocol (whose lines depend on the site key
// and on the recipient's instance id) replaces the open one in this one place.
#pragma once

#include <string>

#include "config/settings.h"
#include "net/peer_table.h"
#include "net/wire.h"
#include "qnsend/message.h"

namespace quillnet {

struct WireMode {
    bool sealed = false;  // only the open protocol is spoken for now
};

// The settings' site key chooses the mode; false with a settings error when the mode
// asked for cannot be spoken.
bool choose_wire_mode(const Settings& settings, WireMode& mode, std::string& error);

// One line of a received datagram (without its terminator); false drops it.
bool read_received_line(const WireMode& mode, const std::string& line, ParsedLine& out);

// The frame the recipient gets for the page.
std::string frame_for_recipient(const WireMode& mode, const OutgoingPage& page, const std::string& message_id,
                                const std::string& own_id, const PeerRecord& recipient);

}  // namespace quillnet
