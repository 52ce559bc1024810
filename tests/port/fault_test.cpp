// The codes a machine fault is reported with. Translating real faults is proven
// where the module uses it: tests/core/machine_fault_test.cpp.
#include "port/fault.h"

#include <signal.h>

#include <gtest/gtest.h>

namespace {

TEST(FaultCodeTest, SignalsMapToWindowsCodes) {
  EXPECT_EQ(port::WindowsCodeForSignal(SIGSEGV, SEGV_MAPERR), 0xC0000005u);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGBUS, BUS_ADRERR), 0xC0000006u);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGBUS, BUS_ADRALN), 0x80000002u);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGFPE, FPE_INTDIV), 0xC0000094u);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGFPE, FPE_FLTDIV), 0xC000008Eu);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGILL, ILL_ILLOPC), 0xC000001Du);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGILL, ILL_PRVOPC), 0xC0000096u);
}

}  // namespace
