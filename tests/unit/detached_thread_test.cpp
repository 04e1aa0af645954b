// Detached threads: every one started runs its body, also while earlier ones are ending
// and joined threads come and go beside them (as delivery workers, the sound and the
// engine's own threads do).
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "base/detached_thread.h"

using namespace quillnet;

TEST(DetachedThread, EveryThreadStartedRunsWhileOthersEnd) {
    for (int i = 0; i < 400; ++i) {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> finished = done->get_future();
        ASSERT_TRUE(start_detached([done] { done->set_value(); }));
        ASSERT_EQ(finished.wait_for(std::chrono::seconds(10)), std::future_status::ready)
            << "thread " << i << " was started but never ran";
        if (i % 5 == 0) std::thread([] {}).join();
    }
}
