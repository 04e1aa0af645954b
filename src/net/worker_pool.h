// A few long-lived threads that wait for short tasks, so a page does not pay for a
// thread start (a round trip to the wineserver and a DLL notice under Wine).
#pragma once

#include <functional>

namespace quillnet {

// Runs task on a waiting worker, or on a new one when every worker is busy: tasks never
// wait behind each other. A worker left without tasks for a while ends. The workers are
// detached: nothing waits for them, and the pool outlives every engine. False when no
// thread is busy or waiting and none could be started; the task is then not run.
bool run_on_worker(std::function<void()> task);

}  // namespace quillnet
