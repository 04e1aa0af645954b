// The delivery workers: a queue of tasks and the threads that take them.
#include "net/worker_pool.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

#include "base/detached_thread.h"

namespace quillnet {

namespace {

// A worker with nothing to do for this long ends; a busy program keeps its workers, an
// idle one keeps none.
constexpr auto WORKER_IDLE_END = std::chrono::seconds(10);

struct Pool {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    std::size_t waiting = 0;  // workers inside wake.wait
    std::size_t workers = 0;  // workers alive, busy or waiting
};

// Never destroyed: detached workers may still be waiting on it while the process ends.
Pool& pool() {
    static Pool* const instance = new Pool;
    return *instance;
}

void worker_loop() {
    Pool& p = pool();
    std::unique_lock<std::mutex> lock(p.mutex);
    for (;;) {
        while (p.tasks.empty()) {
            ++p.waiting;
            const bool woken = p.wake.wait_for(lock, WORKER_IDLE_END) == std::cv_status::no_timeout;
            --p.waiting;
            if (!woken && p.tasks.empty()) {
                --p.workers;
                return;
            }
        }
        std::function<void()> task = std::move(p.tasks.front());
        p.tasks.pop_front();
        lock.unlock();
        try {
            task();
        } catch (...) {
            // A task reports its own failures; the worker carries on.
        }
        task = nullptr;  // the task's captures are released outside the lock
        lock.lock();
    }
}

}  // namespace

bool run_on_worker(std::function<void()> task) {
    Pool& p = pool();
    std::unique_lock<std::mutex> lock(p.mutex);
    try {
        p.tasks.push_back(std::move(task));
    } catch (...) {
        return false;
    }
    // Every queued task has a waiting worker of its own (woken workers stay counted until
    // they hold the lock again and take one); otherwise a new worker is started for it.
    if (p.tasks.size() <= p.waiting) {
        // Woken after the lock is let go, so the worker does not wake only to wait for it
        // (the pool is never destroyed, so this is safe after the unlock).
        lock.unlock();
        p.wake.notify_one();
        return true;
    }
    if (start_detached(worker_loop)) {
        ++p.workers;
        return true;
    }
    // No new thread: a busy worker takes the task when it is done with its own, unless
    // there is none at all.
    if (p.workers > 0) return true;
    p.tasks.pop_back();
    return false;
}

}  // namespace quillnet
