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

// The codes port/fault.h reports.
const CodeName kCodeNames[] = {
    {port::kAccessViolation, L"EXCEPTION_ACCESS_VIOLATION"},
    {port::kInPageError, L"EXCEPTION_IN_PAGE_ERROR"},
    {port::kDatatypeMisalignment, L"EXCEPTION_DATATYPE_MISALIGNMENT"},
    {port::kIllegalInstruction, L"EXCEPTION_ILLEGAL_INSTRUCTION"},
    {port::kPrivilegedInstruction, L"EXCEPTION_PRIV_INSTRUCTION"},
    {port::kIntDivideByZero, L"EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {port::kIntOverflow, L"EXCEPTION_INT_OVERFLOW"},
    {port::kFltDivideByZero, L"EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {port::kFltOverflow, L"EXCEPTION_FLT_OVERFLOW"},
    {port::kFltUnderflow, L"EXCEPTION_FLT_UNDERFLOW"},
    {port::kFltInexactResult, L"EXCEPTION_FLT_INEXACT_RESULT"},
    {port::kFltInvalidOperation, L"EXCEPTION_FLT_INVALID_OPERATION"},
    {port::kArrayBoundsExceeded, L"EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {port::kStackOverflow, L"EXCEPTION_STACK_OVERFLOW"},
};

}  // namespace

std::wstring SehCodeName(unsigned code) {
  for (const CodeName& entry : kCodeNames) {
    if (entry.code == code) return entry.name;
  }
  return L"unspecified Structed exception.";
}

void SehTranslator(unsigned code, void* address) {
  // "0x" and at least eight hex digits, for a zero address too (which "%#x"
  // would print without its "0x"); 64-bit addresses keep all their digits.
  wchar_t text[600] = {};
  std::swprintf(text, 600, L"%ls\n address:\t0x%08jx code:\t\t%lu", SehCodeName(code).c_str(),
                static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(address)),
                static_cast<unsigned long>(code));
  throw TAVBASE::TX_Exception(text, L"", L"", 0);
}

void InstallSehTranslator() { port::SetFaultTranslator(&SehTranslator); }
