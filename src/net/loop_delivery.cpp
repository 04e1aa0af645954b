// Page outcomes for the sent-page memory, and the SEEN sender's runners.
#include "net/loop_delivery.h"

#include <atomic>
#include <chrono>

#include "net/clock.h"
#include "net/socket_shim.h"
#include "net/worker_pool.h"

namespace quillnet {

void remember_outcomes(DeliveryJob& job, const std::shared_ptr<SentPages>& pages) {
    auto left = std::make_shared<std::atomic<std::size_t>>(job.targets.size());
    std::vector<std::string> ids;
    for (const auto& target : job.targets) ids.push_back(target.instance_id);
    const std::string page_id = job.message_id;
    job.on_target = [pages, left, ids, page_id](std::size_t index, bool delivered) {
        if (index < ids.size()) pages->record_delivery(page_id, ids[index], delivered);
        if (--*left == 0) pages->record_result(page_id, milliseconds_since_start());
    };
}

void SeenSender::submit(SeenFrame frame) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopped_) return;
    waiting_.push_back(Waiting{std::move(frame), SEEN_ATTEMPTS, 0});
    wake_.notify_one();
    if (runners_ >= SEEN_IN_FLIGHT) return;
    ++runners_;
    lock.unlock();
    bool started = false;
    try {
        std::shared_ptr<SeenSender> self = shared_from_this();
        started = run_on_worker([self] { self->runner(); });
    } catch (...) {
    }
    if (!started) {
        lock.lock();
        --runners_;
    }
}

void SeenSender::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    waiting_.clear();
    wake_.notify_all();
}

void SeenSender::resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = false;
}

std::size_t SeenSender::attempts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return attempts_;
}

void SeenSender::runner() {
    // The runner holds its own reference on the socket library, like a delivery job.
    const bool library = socket_library_start();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopped_ && !waiting_.empty()) {
        const std::int64_t now = milliseconds_since_start();
        auto ready = waiting_.end();
        std::int64_t earliest = -1;
        for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
            if (it->due_ms <= now) {
                ready = it;
                break;
            }
            if (earliest < 0 || it->due_ms < earliest) earliest = it->due_ms;
        }
        if (ready == waiting_.end()) {
            wake_.wait_for(lock, std::chrono::milliseconds(earliest - now));
            continue;
        }
        Waiting item = std::move(*ready);
        waiting_.erase(ready);
        ++attempts_;
        lock.unlock();
        bool delivered = false;
        try {
            delivered = deliver_to_target(item.frame.target, item.frame.job);
        } catch (...) {
        }
        lock.lock();
        if (!delivered && --item.attempts_left > 0 && !stopped_) {
            item.due_ms = milliseconds_since_start() + SEEN_RETRY_MS;
            try {
                waiting_.push_back(std::move(item));
            } catch (...) {
            }
        }
    }
    --runners_;
    lock.unlock();
    if (library) socket_library_stop();
}

}  // namespace quillnet
