#pragma once
// A lock with the semantics of a Windows critical section: the thread that owns it
// may enter it again (each Enter needs its Leave), other threads wait. The module
// uses one of these as its process-wide lock, held around every toolkit round.
//
// Any thread may call every member. Leave must be called by the owner only.
#include <atomic>
#include <mutex>
#include <thread>

namespace port {

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Enter();
  // Enters without waiting; false when another thread owns the lock.
  bool TryEnter();
  // REQUIRES: the calling thread owns the lock.
  void Leave();

  // For tests and assertions: whether the calling thread owns the lock, and how
  // many entries it holds (0 when it does not own it).
  bool OwnedByCurrentThread() const;
  int RecursionCount() const;

 private:
  std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  int count_ = 0;  // written only by the owner
};

// Enters on construction, leaves on destruction.
class Guard {
 public:
  explicit Guard(CriticalSection& section) : section_(section) { section_.Enter(); }
  ~Guard() { section_.Leave(); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  CriticalSection& section_;
};

}  // namespace port
