// Real machine faults inside the guarded frame of an operation, and the text the
// translator makes of them. Built into module_fault_tests (machine_fault.cpp holds
// its sanitizer options).
#include <signal.h>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "base/utf.h"
#include "src/guarded_frame.h"
#include "src/seh_translator.h"
#include "tests/support/machine_faults.h"

namespace {

// As an exported operation runs its body: translator installed, body guarded.
std::string RunOperation(void (*body)()) {
  int code = 0;
  std::wstring message;
  TAV_GUARDED_FRAME(code, message, {
    InstallSehTranslator();
    body();
  });
  return base::WideToUtf8(message);
}

struct FaultCase {
  void (*body)();
  const char* name;
  const char* code;
};

class MachineFaultTest : public ::testing::TestWithParam<FaultCase> {};

// "() error: NAME\n address:\t0x<hex> code:\t\tCODE\n", every time, and the thread
// goes on working.
TEST_P(MachineFaultTest, BecomesTheStatusEveryTime) {
  const std::string head = std::string("() error: ") + GetParam().name + "\n address:\t0x";
  const std::string tail = std::string(" code:\t\t") + GetParam().code + "\n";
  for (int i = 0; i < 3; ++i) {
    const std::string text = RunOperation(GetParam().body);
    ASSERT_GT(text.size(), head.size() + tail.size()) << text;
    EXPECT_EQ(head, text.substr(0, head.size())) << text;
    EXPECT_EQ(tail, text.substr(text.size() - tail.size())) << text;
  }
  EXPECT_EQ("", RunOperation([] {}));
}

INSTANTIATE_TEST_SUITE_P(Signals, MachineFaultTest,
                         ::testing::Values(FaultCase{[] { tavtest::ReadInvalidAddress(); },
                                                     "EXCEPTION_ACCESS_VIOLATION", "3221225477"},
                                           FaultCase{[] { tavtest::DivideByZero(); },
                                                     "EXCEPTION_INT_DIVIDE_BY_ZERO",
                                                     "3221225620"}));

TEST(SehTranslatorTest, NamesTheCodeAndPadsTheAddress) {
  EXPECT_EQ(
      "() error: unspecified Structed exception.\n address:\t0x00001234 code:\t\t3221225495\n",
      RunOperation([] { SehTranslator(0xC0000017u, reinterpret_cast<void*>(0x1234)); }));
  EXPECT_EQ(
      "() error: EXCEPTION_DATATYPE_MISALIGNMENT\n address:\t0x00000000 code:\t\t2147483650\n",
      RunOperation([] { SehTranslator(0x80000002u, nullptr); }));
  EXPECT_EQ(
      "() error: EXCEPTION_INT_OVERFLOW\n address:\t0x7f00deadbeef code:\t\t3221225621\n",
      RunOperation([] { SehTranslator(0xC0000095u, reinterpret_cast<void*>(0x7f00deadbeefULL)); }));
}

// The listen thread and any host thread that never installed the translator
// must not have their faults swallowed: they die of them as usual.
TEST(FaultTranslatorDeathTest, ThreadWithoutTranslatorIsNotAffected) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // The action found is the default one (not a sanitizer runtime's report).
        signal(SIGSEGV, SIG_DFL);
        InstallSehTranslator();
        std::thread other([] {
          int code = 0;
          std::wstring message;
          TAV_GUARDED_FRAME(code, message, { tavtest::ReadInvalidAddress(); });
        });
        other.join();
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
}

}  // namespace
