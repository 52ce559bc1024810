#pragma once
// A progress line for a person waiting on a long call (an export, a menu): when
// the call has run longer than a second, standard error shows the command and the
// seconds so far, updated each second and erased when the call ends. Only on a
// terminal: scripts and --json output never see it.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace tavhost {

class Progress {
 public:
  // `shown`: whether a person watches (standard error is a terminal, not --json).
  Progress(bool shown, std::string what);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  void Run();

  std::string what_;
  std::mutex mu_;
  std::condition_variable done_cv_;
  bool done_ = false;
  bool printed_ = false;
  std::thread thread_;
};

}  // namespace tavhost
