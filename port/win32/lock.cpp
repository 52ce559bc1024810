#include "port/lock.h"

#include <windows.h>
#include <cassert>

namespace port {
namespace {

static_assert(sizeof(CRITICAL_SECTION) <= 40 && alignof(CRITICAL_SECTION) <= alignof(void*),
              "port/lock.h keeps room for one CRITICAL_SECTION");

}  // namespace

#define TAV_SECTION reinterpret_cast<CRITICAL_SECTION*>(section_)

CriticalSection::CriticalSection() { ::InitializeCriticalSection(TAV_SECTION); }

CriticalSection::~CriticalSection() { ::DeleteCriticalSection(TAV_SECTION); }

void CriticalSection::Enter() {
  ::EnterCriticalSection(TAV_SECTION);
  // The system counts the recursion; the copy here answers RecursionCount()
  // without reading the structure's fields.
  if (count_++ == 0) owner_.store(::GetCurrentThreadId(), std::memory_order_relaxed);
}

bool CriticalSection::TryEnter() {
  if (!::TryEnterCriticalSection(TAV_SECTION)) return false;
  if (count_++ == 0) owner_.store(::GetCurrentThreadId(), std::memory_order_relaxed);
  return true;
}

void CriticalSection::Leave() {
  assert(OwnedByCurrentThread());
  if (--count_ == 0) owner_.store(0, std::memory_order_relaxed);
  ::LeaveCriticalSection(TAV_SECTION);
}

bool CriticalSection::OwnedByCurrentThread() const {
  return owner_.load(std::memory_order_relaxed) == ::GetCurrentThreadId();
}

int CriticalSection::RecursionCount() const { return OwnedByCurrentThread() ? count_ : 0; }

#undef TAV_SECTION

}  // namespace port
