#pragma once
// A small stand-in for the module's fault translator: while alive, a SIGSEGV
// in this process throws MachineFault from the signal handler (the code is
// compiled with -fnon-call-exceptions, so the exception unwinds out of the
// faulting frame). Restores the previous handler on destruction.
#include <signal.h>
#include <stdexcept>

#include <gtest/gtest.h>

namespace clienttest {

// The thread sanitizer keeps treating a thread that left a signal handler by
// an exception as still inside the handler and reports every later
// allocation; the machine-fault tests run in the other builds.
#if defined(__SANITIZE_THREAD__)
#define SKIP_WHERE_FAULTS_CANNOT_UNWIND() \
  GTEST_SKIP() << "an exception thrown from a signal handler confuses the thread sanitizer"
#else
#define SKIP_WHERE_FAULTS_CANNOT_UNWIND() (void)0
#endif

struct MachineFault : std::runtime_error {
  explicit MachineFault(const void* address)
      : std::runtime_error("access violation"), address(address) {}
  const void* address;
};

class FaultCatcher {
 public:
  FaultCatcher() {
    struct sigaction sa {};
    sa.sa_sigaction = &FaultCatcher::OnFault;
    // The handler never returns, so the signal must not stay blocked.
    sa.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGSEGV, &sa, &old_);
  }
  ~FaultCatcher() { sigaction(SIGSEGV, &old_, nullptr); }
  FaultCatcher(const FaultCatcher&) = delete;
  FaultCatcher& operator=(const FaultCatcher&) = delete;

 private:
  static void OnFault(int, siginfo_t* info, void*) { throw MachineFault(info->si_addr); }
  struct sigaction old_ {};
};

}  // namespace clienttest
