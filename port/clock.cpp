#include "port/clock.h"

#include <atomic>
#include <thread>

namespace port {
namespace {

SystemClock g_system_clock;
std::atomic<Clock*> g_clock{&g_system_clock};

std::int64_t WallMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

FastClock::FastClock(double scale)
    : scale_(scale > 0 ? scale : 1.0),
      real_start_(std::chrono::steady_clock::now()),
      wall_start_ms_(WallMilliseconds()) {}

double FastClock::ElapsedVirtualMs() const {
  const std::chrono::duration<double, std::milli> real =
      std::chrono::steady_clock::now() - real_start_;
  return real.count() * scale_;
}

void FastClock::Sleep(unsigned milliseconds) {
  // Sleep until virtual time has really advanced by the amount asked for, so that
  // readings taken around the sleep always show at least that much.
  const double until = ElapsedVirtualMs() + milliseconds;
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(milliseconds / scale_));
  while (ElapsedVirtualMs() < until) std::this_thread::yield();
}

std::int64_t FastClock::Seconds() {
  return (wall_start_ms_ + static_cast<std::int64_t>(ElapsedVirtualMs())) / 1000;
}

std::int64_t FastClock::Milliseconds() { return static_cast<std::int64_t>(ElapsedVirtualMs()); }

Clock& GetClock() { return *g_clock.load(std::memory_order_acquire); }

Clock* SetClock(Clock* clock) {
  return g_clock.exchange(clock ? clock : &g_system_clock, std::memory_order_acq_rel);
}

}  // namespace port
