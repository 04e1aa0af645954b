// The three window messages the engine posts, their payloads, and the one function
// through which engine threads post them (PostMessageW on Windows, a queue natively).
#pragma once

#include <cstdint>
#include <string>

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

struct IncomingMessage {
    std::string kind;
    std::string user;
    std::string room;
    std::string text;
    std::string sender_address;
    ColourRef colour = 0;
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

// Posts and frees the payload when posting fails.
template <typename Payload>
void post_or_free(WindowHandle window, unsigned message, Payload* payload) {
    if (!window || !post_engine_event(window, message, payload)) delete payload;
}

}  // namespace quillnet
