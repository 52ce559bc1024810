#pragma once
// The world the benchmarks run in, and how a benchmark reports its figures.
//
// Each program's main() runs its work through RunInWorld, which gives the run a
// fresh temporary directory (TMPDIR) and a communication program for the toolkit
// client before anything of the module exists. One proe_sim process serves the
// whole run on a display of its own (Sim()); the module joins it as a host would
// (Command()), once, and stays joined until the run ends. Benchmarks run one after
// another on the main thread; none of this is for several threads at once.
//
// Adding a benchmark: a BENCHMARK in a bench/*_bench.cpp file, timed in real time
// (the work happens in another process), that sets the counters below. The page
// (bench/make_page.py) finds it by its counters; nothing else needs to change.
//
//   floor_calls      toolkit calls one iteration made (TakeCallCount() / iterations):
//                    floor += floor_calls x the run's fastest toolkit round trip
//   floor_pingpongs  floor += this many raw socket ping-pongs (the round trip's own floor)
//   floor_sqlite_ns  floor += bare SQLite doing the same rows, in nanoseconds
//   target           the ratio time / floor aimed at (0 or absent: none)
//   size             the model's size (models, dimensions): benchmarks of one family
//                    (the name before the first '/') form one series of the
//                    growth table and the plot
//   *_kb             memory figures (kibibytes), shown as they are
#include <atomic>
#include <functional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "port/clock.h"
#include "tavproe2/ProeAsynCommand.h"
#include "tests/support/sim_harness.h"

namespace tavbench {

// The run's temporary directory, ending with '/'.
const std::string& WorkDir();

// The run's session (started on first use).
tavtest::SimProcess& Sim();
// The display a host names to join the run's session (started on first use).
const std::string& SessionDisplay();
// Runs `proe_sim ctl` on the run's session; throws std::runtime_error when the
// action fails.
std::string Ctl(const std::vector<std::string>& args);
// The calls the session counted since the last call of this (`ctl stats reset`).
long long TakeCallCount();
// Runs `proe_sim gen ARGS...` and returns the files it wrote (the first is the
// model asked for); throws std::runtime_error when it fails.
std::vector<std::string> Generate(const std::vector<std::string>& args);

// The module joined to the run's session (joined on first use; throws
// std::runtime_error when it cannot join).
TAVCAX::TAVPROE2::IProeAsynCommand& Command();

// Ends the module's connection and the session (RunInWorld, at the end of the run).
void EndRun();

// Makes the run's temporary directory (named after `program`) and environment,
// runs `body`, ends the run and removes the directory. The exit status: body's;
// 1 when it or ending the run threw (the reason on stderr), 2 without a directory,
// 3 when the directory could not be removed.
int RunInWorld(const char* program, const std::function<int()>& body);

// How the run's session listens and how the module names it (the Unix socket
// unless told otherwise): a change ends the session and the module's
// connection, and the next Sim() or Command() starts and joins anew.
void UseTransport(tavtest::Transport transport);

// Resident memory of a process in kibibytes, from /proc/PID/status.
struct Memory {
  long rss_kb = 0;   // VmRSS: now
  long peak_kb = 0;  // VmHWM: the highest since start or the last ResetPeak
};
Memory MemoryOf(pid_t pid);

// The host's peak resident memory around an operation: construct before it,
// GrowthKb() after it gives how far the peak rose above the memory held at the
// start. Gives the heap's free pages back first (malloc_trim), so the operation
// cannot hide its growth in memory an earlier one left resident, then resets this
// process's high-water mark (/proc/self/clear_refs).
class PeakRssProbe {
 public:
  PeakRssProbe();
  long GrowthKb() const;

 private:
  long start_kb_ = 0;
};

// The module's clock while an operation is timed: the pauses of the thread that
// constructed it pass at once (and are counted), every other thread (the listen
// thread's rounds) sleeps in real time. Installed for its lifetime.
class PauseFreeClock : public port::Clock {
 public:
  PauseFreeClock();
  void Sleep(unsigned milliseconds) override;
  std::int64_t Seconds() override { return real_.Seconds(); }
  std::int64_t Milliseconds() override { return real_.Milliseconds(); }
  // The milliseconds of pause skipped since the last call.
  unsigned TakeSkippedMs() { return skipped_ms_.exchange(0); }

 private:
  port::SystemClock real_;
  const std::thread::id timed_thread_;
  std::atomic<unsigned> skipped_ms_{0};
  port::ScopedClock installed_;
};

}  // namespace tavbench
