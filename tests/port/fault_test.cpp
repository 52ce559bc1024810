#include "port/fault.h"

#include <signal.h>

#include <gtest/gtest.h>

#include "tests/support/machine_faults.h"
#include "tests/support/sanitizer_options.h"

namespace {

struct Fault {
  unsigned code;
  void* address;
};

void ThrowFault(unsigned code, void* address) { throw Fault{code, address}; }

// Installs the throwing translator on the test's thread and removes it after.
class FaultTranslationTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = port::SetFaultTranslator(&ThrowFault); }
  void TearDown() override { port::SetFaultTranslator(previous_); }

 private:
  port::FaultTranslator previous_ = nullptr;
};

bool SignalBlocked(int signal) {
  sigset_t mask;
  pthread_sigmask(SIG_SETMASK, nullptr, &mask);
  return sigismember(&mask, signal) == 1;
}

TEST_F(FaultTranslationTest, AccessViolationBecomesException) {
  try {
    tavtest::ReadInvalidAddress();
    FAIL() << "no fault";
  } catch (const Fault& fault) {
    EXPECT_EQ(fault.code, 0xC0000005u);
    EXPECT_NE(fault.address, nullptr);  // the faulting instruction
    EXPECT_NE(fault.address, reinterpret_cast<void*>(0x10));
  }
  EXPECT_FALSE(SignalBlocked(SIGSEGV));
}

TEST(FaultCodeTest, SignalsMapToWindowsCodes) {
  EXPECT_EQ(port::WindowsCodeForSignal(SIGSEGV, SEGV_MAPERR), 0xC0000005u);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGBUS, BUS_ADRERR), 0xC0000006u);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGBUS, BUS_ADRALN), 0x80000002u);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGFPE, FPE_INTDIV), 0xC0000094u);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGFPE, FPE_FLTDIV), 0xC000008Eu);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGILL, ILL_ILLOPC), 0xC000001Du);
  EXPECT_EQ(port::WindowsCodeForSignal(SIGILL, ILL_PRVOPC), 0xC0000096u);
}

TEST(FaultTranslationDeathTest, DivisionWithoutTranslatorKillsWithSigfpe) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // The action found is the default one (not a sanitizer runtime's report).
        signal(SIGFPE, SIG_DFL);
        port::SetFaultTranslator(nullptr);
        tavtest::DivideByZero();
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGFPE), "");
}

}  // namespace
