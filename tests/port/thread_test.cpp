#include "port/thread.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

namespace {

TEST(DetachedThreadTest, RunsBodyOnAnotherThread) {
  std::mutex mutex;
  std::condition_variable done;
  bool ran = false;
  std::thread::id runner;
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

TEST(DetachedThreadTest, ExceptionInBodyDoesNotEndProcess) {
  std::mutex mutex;
  std::condition_variable done;
  bool after = false;
  ASSERT_TRUE(port::StartDetachedThread([] { throw std::runtime_error("boom"); }));
  ASSERT_TRUE(port::StartDetachedThread([&] {
    std::lock_guard<std::mutex> lock(mutex);
    after = true;
    done.notify_one();
  }));
  std::unique_lock<std::mutex> lock(mutex);
  EXPECT_TRUE(done.wait_for(lock, std::chrono::seconds(10), [&] { return after; }));
}

TEST(DetachedThreadTest, EmptyBodyIsRefused) { EXPECT_FALSE(port::StartDetachedThread({})); }

TEST(AtomicIncrementTest, ReturnsNewValueAndLosesNoIncrement) {
  std::atomic<int> value{0};
  EXPECT_EQ(port::AtomicIncrement(value), 1);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) port::AtomicIncrement(value);
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(value.load(), 40001);
}

}  // namespace
