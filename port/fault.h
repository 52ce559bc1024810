#pragma once
// Machine-fault translation, installed per thread like _set_se_translator.
//
// A thread that installs a translator gets its machine faults (SIGSEGV, SIGBUS,
// SIGFPE, SIGILL raised by its own instructions) handed to that translator, with
// the Windows exception code and the address of the faulting instruction. The
// translator is expected to throw a C++ exception: it then unwinds from the
// faulting instruction into the caller's catch clauses. This needs the faulting
// code compiled with -fnon-call-exceptions, as all code of this project is.
//
// A thread without a translator is not affected: its faults take the default
// action (the process dies with the signal), as if no handler were installed.
//
// The process-wide signal handlers are installed on the first SetFaultTranslator
// call and stay. They replace any earlier handlers for these four signals
// (AddressSanitizer's included), so install after a sanitizer runtime started.
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

// Called on the faulting thread, inside the signal handler, with the signal
// unblocked again. Must not return normally: throw.
using FaultTranslator = void (*)(unsigned code, void* address);

// Installs `translator` for the calling thread (null removes it); returns the
// previous one of this thread.
FaultTranslator SetFaultTranslator(FaultTranslator translator);

// The calling thread's translator, or null.
FaultTranslator CurrentFaultTranslator();

// The Windows code for a signal and its si_code (as the handler maps them).
unsigned WindowsCodeForSignal(int signal, int si_code);

}  // namespace port
