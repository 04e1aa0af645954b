// A stand-in for the main window in engine tests: a handle the engine posts to, and
// waits for the engine messages with deadlines. Events of other kinds that
// arrive while waiting for one kind are kept for later waits.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "net/engine.h"
#include "net/event_queue.h"
#include "net/events.h"

namespace quillnet {

// Platform parts: a message-only window on Windows, a native queue elsewhere.
WindowHandle open_sink_window();
void close_sink_window(WindowHandle window);  // frees payloads still queued
bool fetch_sink_event(WindowHandle window, PostedEvent& event, int timeout_ms);

class EventSink {
public:
    EventSink() : window_(open_sink_window()) {}
    ~EventSink();
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    WindowHandle window() const { return window_; }
    // Taking a WM_APP_PEERS_CHANGED then tells engine the notice was handled, as the
    // main window's rebuild does. Without it only the first notice ever arrives.
    void serve(NetworkEngine& engine) { engine_ = &engine; }

    std::unique_ptr<IncomingMessage> next_message(int timeout_ms = 10000);
    std::unique_ptr<DeliveryResult> next_result(int timeout_ms = 15000);
    bool next_peers_changed(int timeout_ms = 10000);
    // The next event of a payload-carrying kind (OwnFlagCleared, PeerFlagsGone,
    // PageSeen, PageNotSeen, ...), or null when none came within timeout_ms.
    template <typename Payload>
    std::unique_ptr<Payload> next_payload(unsigned message, int timeout_ms = 10000) {
        PostedEvent event;
        if (!next_of(message, timeout_ms, event)) return nullptr;
        return std::unique_ptr<Payload>(static_cast<Payload*>(event.payload));
    }
    // The texts of every notice posted so far or within ms, in order.
    std::vector<std::string> notices_within(int ms);
    // Takes every event that arrives within ms and returns how many had this message.
    int count_within(unsigned message, int ms);

private:
    bool next_of(unsigned message, int timeout_ms, PostedEvent& event);

    void handled(const PostedEvent& event) {
        if (event.message == WM_APP_PEERS_CHANGED && engine_) engine_->peers_notice_handled();
    }

    WindowHandle window_;
    NetworkEngine* engine_ = nullptr;
    std::deque<PostedEvent> kept_;
};

}  // namespace quillnet
