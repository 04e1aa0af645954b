// How qnsend reads and writes lines on the LAN, in the open protocol or, with a site key,
// the sealed one. Every received datagram passes through admit_datagram, every outgoing
// frame is made per recipient by frame_for_recipient and every reply is judged by the
// recipient's reply_rule; each is the engine's own function for its mode.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "net/delivery.h"
#include "net/notices.h"
#include "net/peer_table.h"
#include "net/sealed_engine.h"
#include "net/sealed_wire.h"
#include "net/wire.h"
#include "qnsend/message.h"

namespace quillnet {

struct WireMode {
    WireMode();
    // Null: the open protocol. Otherwise this run's session, with its own fresh salt.
    std::shared_ptr<SealedWire> sealed;
    // What was heard but cannot be used (open rooms when sealed, other keys, clocks
    // off, sealed rooms when open): the engine's notice texts, once per source and reason.
    std::shared_ptr<NoticeBoard> notices;
    std::shared_ptr<std::vector<std::string>> heard;
};

// An empty key_text speaks the open protocol, a valid key the sealed one. Anything else
// is false with an error naming key_source ("in Quillnet.ini", "given with --site-key").
bool choose_wire_mode(const std::string& key_text, const std::string& key_source, WireMode& mode,
                      std::string& error);

// The announcement lines of one datagram from source_address that the discovery rules
// are to apply: in sealed mode only a datagram that is one sealed line passing every
// check. Lines dropped with a reason an administrator can act on add to mode.heard.
std::vector<AdmittedLine> admit_datagram(const WireMode& mode, const char* data, std::size_t size,
                                         const std::string& source_address, const std::string& own_id);

// The frame the recipient gets for the page: sealed for its instance id in sealed mode.
// Empty when it cannot be sealed.
std::string frame_for_recipient(const WireMode& mode, const OutgoingPage& page, const std::string& message_id,
                                const std::string& own_id, const PeerRecord& recipient);

// How the recipient's reply is read and when it counts: an open reply starting with
// ACK, or a sealed acknowledgement of exactly this message by exactly this recipient.
ReplyRule reply_rule(const WireMode& mode, const std::string& message_id, const std::string& own_id,
                     const PeerRecord& recipient);

}  // namespace quillnet
