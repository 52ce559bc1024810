#pragma once
// A lock with the semantics of a Windows critical section: the thread that owns it
// may enter it again (each Enter needs its Leave), other threads wait. The module
// uses one of these as its process-wide lock, held around every toolkit round.
// On Windows it is a CRITICAL_SECTION; elsewhere a mutex with an owner.
//
// Any thread may call every member. Leave must be called by the owner only.
#include <atomic>
#ifndef _WIN32
#include <mutex>
#include <thread>
#endif

namespace port {

class CriticalSection {
 public:
  CriticalSection();
  ~CriticalSection();
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
#ifdef _WIN32
  // The CRITICAL_SECTION, opaque here so that includers need not see <windows.h>
  // (its size is checked where it is used).
  alignas(void*) unsigned char section_[40];
  std::atomic<unsigned long> owner_{0};  // the owner's thread id, 0 when free
#else
  std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
#endif
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
