#pragma once
// Real machine faults for tests. Kept out of line and away from the sanitizers'
// checks, so the fault reaches the hardware and the signal is the one the code
// under test has to handle.
#include <cstdint>

namespace tavtest {

// Reads from an unmapped, non-null address: SIGSEGV.
__attribute__((noinline, no_sanitize("address", "undefined"))) inline int ReadInvalidAddress() {
  volatile std::uintptr_t address = 0x10;  // opaque to the compiler's bounds checks
  return *reinterpret_cast<volatile int*>(address);
}

// Integer division by a zero the compiler cannot see: SIGFPE (FPE_INTDIV).
__attribute__((noinline, no_sanitize("undefined"))) inline int DivideByZero() {
  volatile int zero = 0;
  volatile int dividend = 7;
  volatile int quotient = dividend / zero;  // stored, so the division is kept
  return quotient;
}

}  // namespace tavtest
