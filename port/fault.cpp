#include "port/fault.h"

#include <mutex>
#include <signal.h>
#include <ucontext.h>

namespace port {
namespace {

// initial-exec: reading it in the signal handler must never allocate.
__attribute__((tls_model("initial-exec"))) thread_local FaultTranslator t_translator = nullptr;

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

void* FaultingInstruction(const siginfo_t* info, void* context) {
  const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  if (uc) return reinterpret_cast<void*>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
  if (uc) return reinterpret_cast<void*>(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
  if (uc) return reinterpret_cast<void*>(uc->uc_mcontext.pc);
#else
  (void)uc;
#endif
  return info->si_addr;
}

void Handler(int signal, siginfo_t* info, void* context) {
  const FaultTranslator translator = t_translator;
  if (!translator) {
    // Not ours to handle: die the way the process would have without us. The
    // faulting instruction runs again on return and raises the signal anew.
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(signal, &dfl, nullptr);
    if (info->si_code <= 0) raise(signal);  // sent by kill(): re-send it
    return;
  }
  // We leave this handler by an exception, never through sigreturn, so restore
  // here the mask that sigreturn would have restored (the one in force at the
  // fault), and make sure none of the fault signals stays blocked: a blocked
  // synchronous fault signal kills the process outright. Sanitizer runtimes may
  // block more signals around our handler than SA_NODEFER alone leaves open.
  const auto* uc = static_cast<const ucontext_t*>(context);
  if (uc) pthread_sigmask(SIG_SETMASK, &uc->uc_sigmask, nullptr);
  sigset_t set;
  sigemptyset(&set);
  for (int s : kSignals) sigaddset(&set, s);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  translator(WindowsCodeForSignal(signal, info->si_code), FaultingInstruction(info, context));
}

void InstallHandlers() {
  for (int signal : kSignals) {
    struct sigaction action = {};
    action.sa_sigaction = &Handler;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace

unsigned WindowsCodeForSignal(int signal, int si_code) {
  switch (signal) {
    case SIGSEGV:
      return kAccessViolation;
    case SIGBUS:
      return si_code == BUS_ADRALN ? kDatatypeMisalignment : kInPageError;
    case SIGILL:
      return si_code == ILL_PRVOPC ? kPrivilegedInstruction : kIllegalInstruction;
    case SIGFPE:
      switch (si_code) {
        case FPE_INTDIV:
          return kIntDivideByZero;
        case FPE_INTOVF:
          return kIntOverflow;
        case FPE_FLTDIV:
          return kFltDivideByZero;
        case FPE_FLTOVF:
          return kFltOverflow;
        case FPE_FLTUND:
          return kFltUnderflow;
        case FPE_FLTRES:
          return kFltInexactResult;
        case FPE_FLTSUB:
          return kArrayBoundsExceeded;
        default:
          return kFltInvalidOperation;
      }
    default:
      return 0;
  }
}

FaultTranslator SetFaultTranslator(FaultTranslator translator) {
  static std::once_flag once;
  std::call_once(once, InstallHandlers);
  const FaultTranslator previous = t_translator;
  t_translator = translator;
  return previous;
}

FaultTranslator CurrentFaultTranslator() { return t_translator; }

}  // namespace port
