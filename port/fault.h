#pragma once
// Machine-fault translation: a thread's faults become C++ exceptions while it
// runs with a translator installed.
//
// A thread that installs a translator gets its machine faults handed to that
// translator, with the Windows exception code and the address of the faulting
// instruction. The translator is expected to throw a C++ exception: it then
// unwinds from the faulting instruction into the caller's catch clauses, running
// the destructors on the way. This needs the faulting code compiled with
// -fnon-call-exceptions, as all code of this project is.
//
// POSIX: SIGSEGV, SIGBUS, SIGFPE and SIGILL raised by the thread's own
// instructions are translated. Every other delivery of these signals (a thread
// without a translator, or a signal sent by kill()) goes to the action the
// process had before: a handler the host installed runs with the same arguments
// and its own mask, as if this module were not loaded; without one, the default
// action kills the process. The process-wide signal handlers are installed once,
// on the first SetFaultTranslator call, and stay; the actions they replaced are
// kept for the forwarding above. A host (or a sanitizer runtime) that installs
// its handlers before that keeps them working.
//
// Windows (MinGW, which has no _set_se_translator): a vectored exception
// handler, added on the first SetFaultTranslator call, translates access
// violations, in-page errors, misalignment, illegal and privileged instructions,
// integer and float faults and stack overflows of a thread with a translator: it
// resumes the thread in a frame that calls the translator as if the faulting
// instruction had called it, so the exception unwinds from there. Any other
// exception, and any fault of a thread without a translator, is left to the
// host's handlers (EXCEPTION_CONTINUE_SEARCH). A thread with a translator keeps
// 64 KiB of stack back for handling its stack overflow, and gets its stack guard
// page back when the translator's scope ends. Under MSVC the translator is
// installed with _set_se_translator instead (built with /EHa).
#include <cstdint>

namespace port {

// Windows exception codes produced from the signals.
constexpr unsigned kAccessViolation = 0xC0000005u;        // SIGSEGV
constexpr unsigned kInPageError = 0xC0000006u;            // SIGBUS
constexpr unsigned kDatatypeMisalignment = 0x80000002u;   // SIGBUS, misaligned access
constexpr unsigned kIllegalInstruction = 0xC000001Du;     // SIGILL
constexpr unsigned kPrivilegedInstruction = 0xC0000096u;  // SIGILL, privileged opcode
constexpr unsigned kIntDivideByZero = 0xC0000094u;        // SIGFPE, integer divide
constexpr unsigned kIntOverflow = 0xC0000095u;            // SIGFPE, integer overflow
constexpr unsigned kFltDivideByZero = 0xC000008Eu;        // SIGFPE, float divide
constexpr unsigned kFltOverflow = 0xC0000091u;
constexpr unsigned kFltUnderflow = 0xC0000093u;
constexpr unsigned kFltInexactResult = 0xC000008Fu;
constexpr unsigned kFltInvalidOperation = 0xC0000090u;
constexpr unsigned kArrayBoundsExceeded = 0xC000008Cu;  // SIGFPE, subscript out of range
constexpr unsigned kStackOverflow = 0xC00000FDu;        // Windows only

// Called on the faulting thread (POSIX: inside the signal handler, with the
// signal unblocked again; Windows: in the frame described above). Must not
// return normally: throw.
using FaultTranslator = void (*)(unsigned code, void* address);

// Installs `translator` for the calling thread (null removes it); returns the
// previous one of this thread.
FaultTranslator SetFaultTranslator(FaultTranslator translator);

// Puts the calling thread's translator back as it was when the scope began, so a
// translator installed inside a frame does not outlive the frame. Installs no
// handler.
class FaultTranslatorScope {
 public:
  FaultTranslatorScope();
  ~FaultTranslatorScope();
  FaultTranslatorScope(const FaultTranslatorScope&) = delete;
  FaultTranslatorScope& operator=(const FaultTranslatorScope&) = delete;

 private:
  FaultTranslator saved_;
};

#ifndef _WIN32
// The Windows code for a signal and its si_code (as the handler maps them).
unsigned WindowsCodeForSignal(int signal, int si_code);
#endif

}  // namespace port
