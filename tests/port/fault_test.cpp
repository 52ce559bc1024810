#include "port/fault.h"

#include <signal.h>
#include <thread>

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

TEST_F(FaultTranslationTest, IntegerDivisionByZeroBecomesException) {
  try {
    tavtest::DivideByZero();
    FAIL() << "no fault";
  } catch (const Fault& fault) {
    EXPECT_EQ(fault.code, 0xC0000094u);
  }
  EXPECT_FALSE(SignalBlocked(SIGFPE));
}

TEST_F(FaultTranslationTest, RepeatedFaultsAreAllTranslated) {
  int caught = 0;
  for (int i = 0; i < 3; ++i) {
    try {
      tavtest::ReadInvalidAddress();
    } catch (const Fault&) {
      ++caught;
    }
    try {
      tavtest::DivideByZero();
    } catch (const Fault&) {
      ++caught;
    }
  }
  EXPECT_EQ(caught, 6);
}

TEST_F(FaultTranslationTest, TranslatorIsPerThread) {
  EXPECT_EQ(port::CurrentFaultTranslator(), &ThrowFault);
  port::FaultTranslator seen_on_other = &ThrowFault;
  std::thread other([&] { seen_on_other = port::CurrentFaultTranslator(); });
  other.join();
  EXPECT_EQ(seen_on_other, nullptr);
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

// A thread that installed no translator dies of its fault as if nothing were
// installed, even while other threads of the process translate theirs.
TEST(FaultTranslationDeathTest, ThreadWithoutTranslatorKeepsDefaultAction) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        port::SetFaultTranslator(&ThrowFault);  // handlers are in place
        std::thread bare([] { tavtest::ReadInvalidAddress(); });
        bare.join();
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
}

TEST(FaultTranslationDeathTest, DivisionWithoutTranslatorKillsWithSigfpe) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        port::SetFaultTranslator(nullptr);
        tavtest::DivideByZero();
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGFPE), "");
}

}  // namespace
