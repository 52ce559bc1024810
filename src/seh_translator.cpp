#include "src/seh_translator.h"

#include <cstdint>
#include <cwchar>

#include "port/fault.h"
#include "src/tx_exception.h"

namespace {

struct CodeName {
  unsigned code;
  const wchar_t* name;
};

const CodeName kCodeNames[] = {
    {0xC0000005u, L"EXCEPTION_ACCESS_VIOLATION"},
    {0xC0000006u, L"EXCEPTION_IN_PAGE_ERROR"},
    {0xC0000008u, L"EXCEPTION_INVALID_HANDLE"},
    {0xC000001Du, L"EXCEPTION_ILLEGAL_INSTRUCTION"},
    {0xC0000025u, L"EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    {0xC0000026u, L"EXCEPTION_INVALID_DISPOSITION"},
    {0xC000008Cu, L"EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008Du, L"EXCEPTION_FLT_DENORMAL_OPERAND"},
    {0xC000008Eu, L"EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {0xC000008Fu, L"EXCEPTION_FLT_INEXACT_RESULT"},
    {0xC0000090u, L"EXCEPTION_FLT_INVALID_OPERATION"},
    {0xC0000091u, L"EXCEPTION_FLT_OVERFLOW"},
    {0xC0000092u, L"EXCEPTION_FLT_STACK_CHECK"},
    {0xC0000093u, L"EXCEPTION_FLT_UNDERFLOW"},
    {0xC0000094u, L"EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {0xC0000095u, L"EXCEPTION_INT_OVERFLOW"},
    {0xC0000096u, L"EXCEPTION_PRIV_INSTRUCTION"},
    {0xC00000FDu, L"EXCEPTION_STACK_OVERFLOW"},
    {0x80000001u, L"EXCEPTION_GUARD_PAGE"},
    {0x80000002u, L"EXCEPTION_DATATYPE_MISALIGNMENT"},
    {0x80000003u, L"EXCEPTION_BREAKPOINT"},
    {0x80000004u, L"EXCEPTION_SINGLE_STEP"},
    {0u, L"EXCEPTION_CONTINUE_SEARCH"},
    {1u, L"EXCEPTION_EXECUTE_HANDLER"},
    {15u, L"EXCEPTION_MAXIMUM_PARAMETERS"},
    {0xFFFFFFFFu, L"EXCEPTION_CONTINUE_EXECUTION"},
};

}  // namespace

std::wstring SehCodeName(unsigned code) {
  for (const CodeName& entry : kCodeNames) {
    if (entry.code == code) return entry.name;
  }
  return L"unspecified Structed exception.";
}

void SehTranslator(unsigned code, void* address) {
  // Addresses are 64 bits here: "0x" and at least eight hex digits, as the
  // 32-bit "%#010x" gave them (and also for a zero address, which "%#x" would
  // print without its "0x").
  wchar_t text[600] = {};
  std::swprintf(text, 600, L"%ls\n address:\t0x%08jx code:\t\t%lu", SehCodeName(code).c_str(),
                static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(address)),
                static_cast<unsigned long>(code));
  throw TAVBASE::TX_Exception(text, L"", L"", 0);
}

void InstallSehTranslator() { port::SetFaultTranslator(&SehTranslator); }
