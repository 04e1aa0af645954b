// Native event queue behind post_engine_event: one FIFO per opened window, so the
// events of each posting thread arrive in the order posted.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>

#include "net/event_queue.h"

namespace quillnet {

namespace {

struct EventQueues {
    std::mutex mutex;
    std::condition_variable arrived;
    std::map<WindowHandle, std::deque<PostedEvent>> windows;
    std::set<WindowHandle> refusing;
};

// Never destroyed: detached delivery threads may still post while the process exits.
EventQueues& queues() {
    static EventQueues* instance = new EventQueues;
    return *instance;
}

}  // namespace

bool post_engine_event(WindowHandle window, unsigned message, void* payload) {
    if (!window) return false;
    EventQueues& q = queues();
    std::lock_guard<std::mutex> lock(q.mutex);
    auto found = q.windows.find(window);
    if (found == q.windows.end() || q.refusing.count(window) != 0) return false;
    found->second.push_back(PostedEvent{message, payload});
    // Notified under the lock, so that the reader's next look at the queue comes after
    // everything this poster did to it; otherwise a detached delivery thread could still
    // be touching the condition variable when the queue is destroyed at exit.
    q.arrived.notify_all();
    return true;
}

void open_event_window(WindowHandle window) {
    EventQueues& q = queues();
    std::lock_guard<std::mutex> lock(q.mutex);
    q.windows[window];
}

void refuse_events(WindowHandle window, bool refuse) {
    EventQueues& q = queues();
    std::lock_guard<std::mutex> lock(q.mutex);
    if (refuse) {
        q.refusing.insert(window);
    } else {
        q.refusing.erase(window);
    }
}

void close_event_window(WindowHandle window) {
    std::deque<PostedEvent> left;
    EventQueues& q = queues();
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        auto found = q.windows.find(window);
        if (found == q.windows.end()) return;
        left.swap(found->second);
        q.windows.erase(found);
        q.refusing.erase(window);
    }
    for (const auto& event : left) free_event_payload(event);
}

bool wait_for_event(WindowHandle window, PostedEvent& event, int timeout_ms) {
    EventQueues& q = queues();
    std::unique_lock<std::mutex> lock(q.mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        auto found = q.windows.find(window);
        if (found == q.windows.end()) return false;
        if (!found->second.empty()) {
            event = found->second.front();
            found->second.pop_front();
            return true;
        }
        if (q.arrived.wait_until(lock, deadline) == std::cv_status::timeout) {
            found = q.windows.find(window);
            if (found == q.windows.end() || found->second.empty()) return false;
        }
    }
}

void free_event_payload(const PostedEvent& event) {
    free_engine_payload(event.message, event.payload);
}

}  // namespace quillnet
