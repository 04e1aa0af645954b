// Where the engine differs between open and sealed mode: starting the run's sealed
// wire, which datagram lines reach the discovery rules, the announcement sent, how a
// gathered frame is judged and acknowledged, and a frame and its reply in delivery. In open
// mode each is what the open protocol does, apart from the notices about sealed copies.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "net/announcement.h"
#include "net/frame_rules.h"
#include "net/notices.h"
#include "net/sealed_wire.h"

namespace quillnet {

// Sealed datagrams, like every datagram, fit the receiver's buffer with their LF.
constexpr std::size_t SEALED_DATAGRAM_LIMIT = 2047;

// Empty key_text: open mode (sealed reset). A valid key: a new sealed wire with a fresh
// session. Anything else: false with the invalid-key text in error_text.
bool start_sealed_mode(const std::string& key_text, const WallClock& clock, std::shared_ptr<SealedWire>& sealed,
                       std::wstring& error_text);

// The lines of one datagram the discovery rules are to apply. Open mode (sealed null):
// every line, with a notice for a sealed one. Sealed mode: the inner line of a datagram
// that is exactly one sealed line passing every check, with notices for open
// announcements, other keys and clocks.
std::vector<std::string> admit_datagram_lines(const char* data, std::size_t size, const std::string& source_address,
                                              SealedWire* sealed, NoticeBoard& notices, const std::string& own_id);

// The sealed announcement with user and room cut (at UTF-8 boundaries) so the datagram
// with fields 0..4 fits SEALED_DATAGRAM_LIMIT, then as many of flags as still fit;
// empty when it cannot be sealed.
std::string sealed_announcement(SealedWire& sealed, const std::string& kind, const std::string& own_id,
                                const std::string& user, const std::string& room, const std::string& port,
                                const std::vector<AnnouncedFlag>& flags = {});

// The receiver's judgement of one gathered frame line in the context's mode.
FrameOutcome judge_frame_line(const std::string& line, const FrameContext& context,
                              const std::string& sender_address);

// The frame sealed for one recipient, its inner line cut (at a UTF-8 boundary) so the
// sealed line fits FRAME_READ_LIMIT. frame is the open-protocol frame with its LF.
std::string seal_frame_for(SealedWire& sealed, const std::string& recipient, const std::string& frame);
// True when reply passes every check for an acknowledgement to own_id and its inner
// line is exactly ACK US message_id US peer_id.
bool sealed_acknowledgement_counts(SealedWire& sealed, const std::string& reply, const std::string& message_id,
                                   const std::string& peer_id, const std::string& own_id);

}  // namespace quillnet
