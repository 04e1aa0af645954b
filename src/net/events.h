// The window messages the engine posts, their payloads, the one function through which
// engine threads post them (PostMessageW on Windows, a queue natively) and the one that
// frees a payload of any kind.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"

namespace quillnet {

using WindowHandle = void*;

constexpr unsigned WM_APP_BASE = 0x8000;
constexpr unsigned WM_APP_PEERS_CHANGED = WM_APP_BASE + 0x0001;
constexpr unsigned WM_APP_MESSAGE_RECEIVED = WM_APP_BASE + 0x0002;
constexpr unsigned WM_APP_DELIVERY_RESULT = WM_APP_BASE + 0x0004;
// A line for the conversation log that explains why another copy cannot be reached
// (lParam: EngineNotice*); shown, never saved to the history file.
constexpr unsigned WM_APP_ENGINE_NOTICE = WM_APP_BASE + 0x0008;
// A peer cleared one of this copy's raised flags (lParam: OwnFlagCleared*).
constexpr unsigned WM_APP_OWN_FLAG_CLEARED = WM_APP_BASE + 0x0010;
// A peer that had raised flags left, went silent or was replaced (lParam: PeerFlagsGone*).
constexpr unsigned WM_APP_PEER_FLAGS_GONE = WM_APP_BASE + 0x0020;
// A recipient of a page this copy sent acknowledged it (lParam: PageSeen*).
constexpr unsigned WM_APP_PAGE_SEEN = WM_APP_BASE + 0x0040;
// Recipients of an urgent page that did not acknowledge it in time (lParam: PageNotSeen*).
constexpr unsigned WM_APP_NOT_SEEN = WM_APP_BASE + 0x0080;

// Every message above that carries a payload, for whoever drains a queue.
constexpr unsigned ENGINE_PAYLOAD_MESSAGES[] = {WM_APP_MESSAGE_RECEIVED, WM_APP_DELIVERY_RESULT,
                                                WM_APP_ENGINE_NOTICE,    WM_APP_OWN_FLAG_CLEARED,
                                                WM_APP_PEER_FLAGS_GONE,  WM_APP_PAGE_SEEN,
                                                WM_APP_NOT_SEEN};

struct IncomingMessage {
    std::string kind;
    std::string user;
    std::string room;
    std::string text;
    std::string sender_address;
    ColourRef colour = 0;
    std::string message_id;  // field 0
    std::string sender_id;   // field 1, the sender's InstanceId
    // Where a SEEN for this page goes: field 5 when it is a valid port and the frame
    // ended with its line feed, else 0.
    std::uint16_t reply_port = 0;
    bool urgent = false;          // field 6 is "1" (and the frame was not cut)
    std::int64_t arrived_ms = 0;  // milliseconds_since_start() at receipt
};

struct OwnFlagCleared {
    std::string label;  // the announced label
    std::string clearer_user;
    std::string clearer_room;
};

struct PeerFlagsGone {
    std::string source;  // the peer's room, or its user when the room is empty
    std::vector<std::string> labels;
};

struct PageSeen {
    std::string page_id;
    std::string recipient_user;  // as recorded when the page was sent
    std::string recipient_room;
    std::string body;
};

struct PageNotSeen {
    std::string page_id;
    std::string body;
    std::vector<std::pair<std::string, std::string>> recipients;  // user, room
};

struct EngineNotice {
    std::string text;  // UTF-8, one line without its end
};

struct DeliveryResult {
    std::string message_id;
    std::int32_t acknowledged = 0;
    std::int32_t attempted = 0;
};

// Posts message to window with wParam 0 and payload as lParam. Ownership of the
// payload passes to the window only when this returns true; on false (no window,
// window gone, queue full) the caller still owns it and frees it.
bool post_engine_event(WindowHandle window, unsigned message, void* payload);

// Frees the payload of an engine message of any kind (nothing for kinds without one).
// Whoever takes engine events off a queue frees through here, so every kind is known.
void free_engine_payload(unsigned message, void* payload);

// Posts and frees the payload when posting fails.
template <typename Payload>
void post_or_free(WindowHandle window, unsigned message, Payload* payload) {
    if (!window || !post_engine_event(window, message, payload)) delete payload;
}

}  // namespace quillnet
