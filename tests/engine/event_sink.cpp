// Waiting for engine events by kind, on top of the platform's event source.
#include "event_sink.h"

#include <chrono>

namespace quillnet {

namespace {

void free_payload(const PostedEvent& event) {
    free_engine_payload(event.message, event.payload);
}

long long now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

EventSink::~EventSink() {
    for (const auto& event : kept_) free_payload(event);
    close_sink_window(window_);
}

bool EventSink::next_of(unsigned message, int timeout_ms, PostedEvent& event) {
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->message == message) {
            event = *it;
            kept_.erase(it);
            return true;
        }
    }
    const long long deadline = now_ms() + timeout_ms;
    for (;;) {
        const long long left = deadline - now_ms();
        if (left <= 0) return false;
        PostedEvent got;
        if (!fetch_sink_event(window_, got, static_cast<int>(left))) return false;
        handled(got);
        if (got.message == message) {
            event = got;
            return true;
        }
        kept_.push_back(got);
    }
}

std::unique_ptr<IncomingMessage> EventSink::next_message(int timeout_ms) {
    PostedEvent event;
    if (!next_of(WM_APP_MESSAGE_RECEIVED, timeout_ms, event)) return nullptr;
    return std::unique_ptr<IncomingMessage>(static_cast<IncomingMessage*>(event.payload));
}

std::unique_ptr<DeliveryResult> EventSink::next_result(int timeout_ms) {
    PostedEvent event;
    if (!next_of(WM_APP_DELIVERY_RESULT, timeout_ms, event)) return nullptr;
    return std::unique_ptr<DeliveryResult>(static_cast<DeliveryResult*>(event.payload));
}

std::vector<std::string> EventSink::notices_within(int ms) {
    std::vector<std::string> texts;
    PostedEvent event;
    const long long deadline = now_ms() + ms;
    for (;;) {
        const long long left = deadline - now_ms();
        // At least a short look at the queue, so notices already posted are found.
        if (!next_of(WM_APP_ENGINE_NOTICE, left > 1 ? static_cast<int>(left) : 1, event)) return texts;
        std::unique_ptr<EngineNotice> notice(static_cast<EngineNotice*>(event.payload));
        texts.push_back(notice->text);
    }
}

bool EventSink::next_peers_changed(int timeout_ms) {
    PostedEvent event;
    return next_of(WM_APP_PEERS_CHANGED, timeout_ms, event);
}

int EventSink::count_within(unsigned message, int ms) {
    int count = 0;
    for (auto it = kept_.begin(); it != kept_.end();) {
        if (it->message == message) {
            ++count;
            free_payload(*it);
            it = kept_.erase(it);
        } else {
            ++it;
        }
    }
    const long long deadline = now_ms() + ms;
    for (;;) {
        const long long left = deadline - now_ms();
        if (left <= 0) return count;
        PostedEvent got;
        if (!fetch_sink_event(window_, got, static_cast<int>(left))) return count;
        handled(got);
        if (got.message == message) {
            ++count;
            free_payload(got);
        } else {
            kept_.push_back(got);
        }
    }
}

}  // namespace quillnet
