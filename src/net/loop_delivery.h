// The delivery side of the paging loop: recording each recipient's outcome of a page in
// the sent-page memory, and sending SEEN frames (at most SEEN_IN_FLIGHT at a time, each
// tried SEEN_ATTEMPTS times, SEEN_RETRY_MS apart, while not acknowledged).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "net/delivery.h"
#include "net/sent_pages.h"

namespace quillnet {

constexpr std::size_t SEEN_IN_FLIGHT = 4;
constexpr int SEEN_ATTEMPTS = 3;
constexpr std::int64_t SEEN_RETRY_MS = 5000;

// Makes job record, per target, whether it acknowledged, and when the last one settled.
void remember_outcomes(DeliveryJob& job, const std::shared_ptr<SentPages>& pages);

// A SEEN frame on its way to one recipient; delivered as a one-target job (no result
// is posted).
struct SeenFrame {
    DeliveryTarget target;
    DeliveryJob job;  // frame, message_id, sealed, sender_id; targets unused
};

class SeenSender : public std::enable_shared_from_this<SeenSender> {
public:
    // Queues the frame; a runner (at most SEEN_IN_FLIGHT) delivers it.
    void submit(SeenFrame frame);
    // Drops what waits and ends the runners' waits (a delivery under way finishes
    // within its limits); submit() does nothing until resume().
    void stop();
    void resume();
    // Deliveries made so far (for tests).
    std::size_t attempts() const;

private:
    struct Waiting {
        SeenFrame frame;
        int attempts_left = SEEN_ATTEMPTS;
        std::int64_t due_ms = 0;
    };
    void runner();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Waiting> waiting_;
    std::size_t runners_ = 0;
    std::size_t attempts_ = 0;
    bool stopped_ = false;
};

}  // namespace quillnet
