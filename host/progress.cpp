#include "host/progress.h"

#include <chrono>
#include <cstdio>

namespace tavhost {

Progress::Progress(bool shown, std::string what) : what_(std::move(what)) {
  if (shown) thread_ = std::thread([this] { Run(); });
}

Progress::~Progress() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    done_ = true;
  }
  done_cv_.notify_one();
  thread_.join();
  if (printed_) std::fputs("\r\033[K", stderr);
}

void Progress::Run() {
  std::unique_lock<std::mutex> lock(mu_);
  for (int seconds = 1;; ++seconds) {
    if (done_cv_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; })) return;
    std::fprintf(stderr, "\rtavhost: %s: running for %d s", what_.c_str(), seconds);
    std::fflush(stderr);
    printed_ = true;
  }
}

}  // namespace tavhost
