#include "port/thread.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// A body that throws must not end the host process; the next thread still runs.
TEST(DetachedThreadTest, RunsBodiesOnOtherThreadsAndSwallowsTheirExceptions) {
  std::mutex mutex;
  std::condition_variable changed;
  int ran = 0;
  std::thread::id runners[2];
  unsigned long native_ids[2] = {0, 0};
  auto body = [&](int index) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      runners[index] = std::this_thread::get_id();
#ifdef _WIN32
      native_ids[index] = ::GetCurrentThreadId();
#endif
      ++ran;
      changed.notify_all();
    }
    if (index == 0) throw std::runtime_error("boom");
  };
  ASSERT_TRUE(port::StartDetachedThread([&body] { body(0); }));
  ASSERT_TRUE(port::StartDetachedThread([&body] { body(1); }));
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return ran == 2; }));
  EXPECT_NE(runners[0], std::this_thread::get_id());
  EXPECT_NE(runners[1], std::this_thread::get_id());
  EXPECT_NE(runners[0], runners[1]);
#ifdef _WIN32
  // Wine crashes when the process exits while a thread that threw is still being
  // torn down, so the test ends only after both threads have.
  for (const unsigned long id : native_ids) {
    if (const HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, id)) {
      EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 10000));
      ::CloseHandle(thread);
    }
  }
#else
  static_cast<void>(native_ids);
#endif
}

}  // namespace
