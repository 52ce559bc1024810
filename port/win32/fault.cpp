#include "port/fault.h"

#include <windows.h>
#include <cstdlib>
#include <malloc.h>
#include <mutex>
#ifdef _MSC_VER
#include <eh.h>
#endif

namespace port {
namespace {

// The exceptions the faulting instruction itself raises.
bool IsMachineFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

}  // namespace
}  // namespace port

#ifdef _MSC_VER

// MSVC (built with /EHa): the runtime's own translator calls ours.
namespace port {
namespace {

thread_local FaultTranslator t_translator = nullptr;

void __cdecl Bridge(unsigned code, EXCEPTION_POINTERS* info) {
  // Returning lets every other exception go on to the host's handlers.
  if (t_translator && IsMachineFault(code))
    t_translator(code, info->ExceptionRecord->ExceptionAddress);
}

void Install(FaultTranslator translator) {
  t_translator = translator;
  _set_se_translator(translator ? &Bridge : nullptr);
}

}  // namespace

FaultTranslator SetFaultTranslator(FaultTranslator translator) {
  const FaultTranslator previous = t_translator;
  Install(translator);
  return previous;
}

FaultTranslatorScope::FaultTranslatorScope() : saved_(t_translator) {}

FaultTranslatorScope::~FaultTranslatorScope() { Install(saved_); }

}  // namespace port

#else  // MinGW

// The frame the faulting thread resumes in: it calls the translator (in r8) with
// the code (rcx) and the address (rdx). Its unwind information says how to get
// back to the faulting frame, whose resume address the handler pushed as if the
// faulting instruction had called it, so the translator's exception unwinds
// through every frame up to the faulting one and on. The frame pointer lets the
// stack be realigned for the call, wherever the fault left it.
extern "C" void TavFaultTrampoline();
asm(R"(
    .text
    .p2align 4
    .globl TavFaultTrampoline
    .def TavFaultTrampoline; .scl 2; .type 32; .endef
    .seh_proc TavFaultTrampoline
TavFaultTrampoline:
    pushq %rbp
    .seh_pushreg %rbp
    movq %rsp, %rbp
    .seh_setframe %rbp, 0
    subq $32, %rsp
    .seh_stackalloc 32
    .seh_endprologue
    andq $-16, %rsp
    call *%r8
    call abort
    nop
    .seh_endproc
)");

namespace port {
namespace {

// Thread-local storage of the system's, not the compiler's: reading it in the
// handler must never allocate (MinGW's thread_local may, on a thread's first use).
struct Slots {
  DWORD translator = ::TlsAlloc();
  DWORD overflowed = ::TlsAlloc();  // non-null: the thread's guard page is used up
};

const Slots& GetSlots() {
  static const Slots slots;
  return slots;
}

FaultTranslator CurrentTranslator() {
  const Slots& slots = GetSlots();
  if (slots.translator == TLS_OUT_OF_INDEXES) return nullptr;
  return reinterpret_cast<FaultTranslator>(::TlsGetValue(slots.translator));
}

LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (!IsMachineFault(code)) return EXCEPTION_CONTINUE_SEARCH;
  // TlsGetValue clears the last error: the host must not see that.
  const DWORD last_error = ::GetLastError();
  const Slots& slots = GetSlots();
  const auto translator = reinterpret_cast<FaultTranslator>(::TlsGetValue(slots.translator));
  if (translator && code == EXCEPTION_STACK_OVERFLOW)
    ::TlsSetValue(slots.overflowed, reinterpret_cast<void*>(1));
  ::SetLastError(last_error);
  if (!translator) return EXCEPTION_CONTINUE_SEARCH;

  // The resume address is one past the faulting instruction's start: unwinders
  // look up the instruction before a return address, and that must be the
  // faulting one, in the faulting one's exception region.
  CONTEXT* context = info->ContextRecord;
  context->Rsp -= sizeof(DWORD64);
  *reinterpret_cast<DWORD64*>(context->Rsp) = context->Rip + 1;
  context->Rcx = code;
  context->Rdx = reinterpret_cast<DWORD64>(info->ExceptionRecord->ExceptionAddress);
  context->R8 = reinterpret_cast<DWORD64>(translator);
  context->Rip = reinterpret_cast<DWORD64>(&TavFaultTrampoline);
  return EXCEPTION_CONTINUE_EXECUTION;
}

void Install(FaultTranslator translator) {
  const Slots& slots = GetSlots();
  if (slots.translator == TLS_OUT_OF_INDEXES) return;
  ::TlsSetValue(slots.translator, reinterpret_cast<void*>(translator));
}

}  // namespace

FaultTranslator SetFaultTranslator(FaultTranslator translator) {
  static std::once_flag once;
  std::call_once(once, [] {
    GetSlots();
    // First in line, so that the thread's own frame decides before anything else.
    ::AddVectoredExceptionHandler(1, &Handler);
  });
  if (translator) {
    // Room to unwind in after a stack overflow.
    ULONG reserve = 64 * 1024;
    ::SetThreadStackGuarantee(&reserve);
  }
  const FaultTranslator previous = CurrentTranslator();
  Install(translator);
  return previous;
}

FaultTranslatorScope::FaultTranslatorScope() : saved_(CurrentTranslator()) {}

FaultTranslatorScope::~FaultTranslatorScope() {
  Install(saved_);
  // After a stack overflow the stack has no guard page left; the stack is
  // unwound by now, so it can have one again.
  const Slots& slots = GetSlots();
  if (slots.overflowed != TLS_OUT_OF_INDEXES && ::TlsGetValue(slots.overflowed)) {
    ::TlsSetValue(slots.overflowed, nullptr);
    ::_resetstkoflw();
  }
}

}  // namespace port

#endif
