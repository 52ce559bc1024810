#pragma once
// The listen thread: the module's only thread of its own. While it runs it takes
// the module-wide lock every 30 ms and lets the toolkit process the session's
// events, so notifications and menu picks reach the host from this thread.
//
// Owned by ProeCore, which gives it the lock. Start and Stop run on the host's
// thread, Stop also on the listen thread itself (the session ended); both are
// safe from any thread. A stop is seen by the thread of the generation it was
// made for, so a quick Stop + Start never leaves an old thread running.
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "port/lock.h"

class ListenThread {
 public:
  explicit ListenThread(port::CriticalSection& lock) : lock_(lock) {}

  // Starts the thread unless it runs; a thread that cannot be started is logged.
  void Start();
  // Asks the thread to end after its current round; does not wait.
  void Stop();

  // Test hooks: how many threads have been started and not yet ended, and a wait
  // (real time) until that number is `count`.
  int TEST_Running() const { return running_.load(); }
  bool TEST_WaitRunning(int count, int timeout_ms);

 private:
  void Loop(int generation);

  port::CriticalSection& lock_;
  std::atomic<int> m_nListen{0};
  std::atomic<int> generation_{0};
  std::atomic<int> running_{0};
  std::mutex leaf_;
  std::condition_variable exited_;
};
