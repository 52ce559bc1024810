#include "src/listen_thread.h"

#include <ProCore.h>
#include <chrono>

#include "port/clock.h"
#include "port/thread.h"
#include "src/fixed_names.h"
#include "src/log.h"
#include "src/string_util.h"

void ListenThread::Start() {
  if (m_nListen.load() >= 1) return;
  const int listen = ++m_nListen;
  WriteLog(FormatString(fixed::kLogListenCount, listen));
  const int generation = ++generation_;
  ++running_;
  if (port::StartDetachedThread([this, generation] { Loop(generation); })) {
    WriteLog(fixed::kLogThreadCreated);
  } else {
    --running_;
    WriteLog(fixed::kLogThreadFailed);
    m_nListen.store(0);
  }
}

void ListenThread::Stop() { m_nListen.store(0); }

void ListenThread::Loop(int generation) {
  port::Sleep(30);
  for (;;) {
    port::Sleep(30);
    if (m_nListen.load() <= 0 || generation_.load() != generation) break;
    port::Guard hold(lock_);
    ProEventProcess();
  }
  WriteLog(fixed::kLogThreadStopping);
  WriteLog(fixed::kLogThreadStopped);
  std::lock_guard<std::mutex> hold(leaf_);
  --running_;
  exited_.notify_all();
}

bool ListenThread::TEST_WaitRunning(int count, int timeout_ms) {
  std::unique_lock<std::mutex> hold(leaf_);
  return exited_.wait_for(hold, std::chrono::milliseconds(timeout_ms),
                          [&] { return running_.load() == count; });
}
