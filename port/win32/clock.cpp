#include "port/clock.h"

#include <windows.h>

namespace port {

void SystemClock::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

std::int64_t SystemClock::Seconds() {
  // 100-nanosecond ticks since 1601-01-01; the Unix epoch is 11644473600 s later.
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const std::int64_t ticks =
      (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return ticks / 10000000 - 11644473600LL;
}

std::int64_t SystemClock::Milliseconds() { return static_cast<std::int64_t>(::GetTickCount64()); }

}  // namespace port
