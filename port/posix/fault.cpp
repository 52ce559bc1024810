#include "port/fault.h"

#include <mutex>
#include <signal.h>
#include <ucontext.h>

namespace port {
namespace {

// initial-exec: reading it in the signal handler must never allocate.
__attribute__((tls_model("initial-exec"))) thread_local FaultTranslator t_translator = nullptr;

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// What each signal did before we installed ours: every fault that is not ours to
// translate goes there. Written once, before our handler can run.
struct sigaction g_previous[kSignalCount];

int SlotOf(int signal) {
  for (int i = 0; i < kSignalCount; ++i)
    if (kSignals[i] == signal) return i;
  return -1;
}

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

// Raised by the faulting instruction itself, not sent by kill() or raise().
bool IsMachineFault(const siginfo_t* info) { return info->si_code > 0; }

// Takes the default action, as the process would have without any handler. A
// machine fault returns and the faulting instruction raises the signal anew; a
// sent signal is sent again.
void TakeDefaultAction(int signal, const siginfo_t* info) {
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(signal, &dfl, nullptr);
  if (!IsMachineFault(info)) raise(signal);
}

// Hands the signal to the action we replaced, the way the kernel would have
// delivered it: same arguments, its own mask and SA_RESETHAND honoured.
void Forward(int signal, siginfo_t* info, void* context) {
  const int slot = SlotOf(signal);
  if (slot < 0) return;
  struct sigaction& previous = g_previous[slot];
  // SIG_IGN and SIG_DFL mean the same whatever the flags say.
  if (previous.sa_handler == SIG_IGN) {
    // The kernel does not let a machine fault be ignored: it takes the default action.
    if (IsMachineFault(info)) TakeDefaultAction(signal, info);
    return;
  }
  if (previous.sa_handler == SIG_DFL) {
    TakeDefaultAction(signal, info);
    return;
  }
  const struct sigaction handler = previous;
  if (handler.sa_flags & SA_RESETHAND) {
    previous = {};
    previous.sa_handler = SIG_DFL;
  }
  sigset_t mask = handler.sa_mask;
  if (!(handler.sa_flags & SA_NODEFER)) sigaddset(&mask, signal);
  sigset_t saved;
  pthread_sigmask(SIG_BLOCK, &mask, &saved);
  if (handler.sa_flags & SA_SIGINFO)
    handler.sa_sigaction(signal, info, context);
  else
    handler.sa_handler(signal);
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

void Handler(int signal, siginfo_t* info, void* context) {
  const FaultTranslator translator = t_translator;
  if (!translator || !IsMachineFault(info)) {
    Forward(signal, info, context);
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
  for (int i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], nullptr, &g_previous[i]);
    struct sigaction action = {};
    action.sa_sigaction = &Handler;
    // On the alternate stack when the replaced handler asked for it (a host that
    // catches stack overflows), so that its handler still finds that stack.
    action.sa_flags = SA_SIGINFO | SA_NODEFER | (g_previous[i].sa_flags & SA_ONSTACK);
    sigemptyset(&action.sa_mask);
    sigaction(kSignals[i], &action, nullptr);
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

FaultTranslatorScope::FaultTranslatorScope() : saved_(t_translator) {}

FaultTranslatorScope::~FaultTranslatorScope() { t_translator = saved_; }

}  // namespace port
