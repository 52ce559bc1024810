#include "port/lock.h"

#include <cassert>

namespace port {

CriticalSection::CriticalSection() = default;
CriticalSection::~CriticalSection() = default;

void CriticalSection::Enter() {
  const std::thread::id self = std::this_thread::get_id();
  if (owner_.load(std::memory_order_relaxed) == self) {
    ++count_;
    return;
  }
  mutex_.lock();
  owner_.store(self, std::memory_order_relaxed);
  count_ = 1;
}

bool CriticalSection::TryEnter() {
  const std::thread::id self = std::this_thread::get_id();
  if (owner_.load(std::memory_order_relaxed) == self) {
    ++count_;
    return true;
  }
  if (!mutex_.try_lock()) return false;
  owner_.store(self, std::memory_order_relaxed);
  count_ = 1;
  return true;
}

void CriticalSection::Leave() {
  assert(OwnedByCurrentThread());
  if (--count_ > 0) return;
  owner_.store(std::thread::id(), std::memory_order_relaxed);
  mutex_.unlock();
}

bool CriticalSection::OwnedByCurrentThread() const {
  return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

int CriticalSection::RecursionCount() const { return OwnedByCurrentThread() ? count_ : 0; }

}  // namespace port
