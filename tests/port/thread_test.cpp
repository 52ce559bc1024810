#include "port/thread.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

namespace {

// A body that throws must not end the host process; the next thread still runs.
TEST(DetachedThreadTest, RunsBodiesOnOtherThreadsAndSwallowsTheirExceptions) {
  std::mutex mutex;
  std::condition_variable done;
  bool ran = false;
  std::thread::id runner;
  ASSERT_TRUE(port::StartDetachedThread([] { throw std::runtime_error("boom"); }));
  ASSERT_TRUE(port::StartDetachedThread([&] {
    std::lock_guard<std::mutex> lock(mutex);
    runner = std::this_thread::get_id();
    ran = true;
    done.notify_one();
  }));
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(done.wait_for(lock, std::chrono::seconds(10), [&] { return ran; }));
  EXPECT_NE(runner, std::this_thread::get_id());
}

}  // namespace
