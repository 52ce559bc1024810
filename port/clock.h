#pragma once
// Sleeping and reading the clock. Every wait of the module (the connect deadline,
// the window wait, the listen thread's pauses) goes through the process-wide
// clock returned by GetClock(), so tests can install a FastClock and still check
// the waits in virtual time.
//
// Ownership: SetClock does not take ownership; the installed clock must outlive
// its installation (ScopedClock restores the previous one). All members of every
// clock here may be called from any thread at the same time.
#include <chrono>
#include <cstdint>

namespace port {

class Clock {
 public:
  virtual ~Clock() = default;
  // Blocks the calling thread for about `milliseconds`.
  virtual void Sleep(unsigned milliseconds) = 0;
  // Wall-clock seconds since the epoch, like time().
  virtual std::int64_t Seconds() = 0;
  // A monotonic millisecond count, like GetTickCount64.
  virtual std::int64_t Milliseconds() = 0;
};

// The real clock.
class SystemClock : public Clock {
 public:
  void Sleep(unsigned milliseconds) override;
  std::int64_t Seconds() override;
  std::int64_t Milliseconds() override;
};

// Virtual time that runs `scale` times faster than real time: readings advance by
// real elapsed time x scale, and a sleep lasts its length / scale in real time. A
// 40-second deadline passes in 40 ms of real time at scale 1000, yet the code
// under test still sees 40 seconds go by.
class FastClock : public Clock {
 public:
  explicit FastClock(double scale = 1000.0);
  void Sleep(unsigned milliseconds) override;
  std::int64_t Seconds() override;
  std::int64_t Milliseconds() override;

 private:
  double ElapsedVirtualMs() const;

  const double scale_;
  const std::chrono::steady_clock::time_point real_start_;
  const std::int64_t wall_start_ms_;
};

// The clock in use; the SystemClock until a test installs another.
Clock& GetClock();
// Installs `clock` (null restores the SystemClock); returns the previous one.
Clock* SetClock(Clock* clock);

class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) : previous_(SetClock(&clock)) {}
  ~ScopedClock() { SetClock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// Shorthands for GetClock().
inline void Sleep(unsigned milliseconds) { GetClock().Sleep(milliseconds); }
inline std::int64_t NowSeconds() { return GetClock().Seconds(); }
inline std::int64_t NowMilliseconds() { return GetClock().Milliseconds(); }

}  // namespace port
