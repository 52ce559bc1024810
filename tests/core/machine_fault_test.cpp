// Real machine faults inside the guarded frame of an operation.
#include <signal.h>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "base/utf.h"
#include "src/guarded_frame.h"
#include "src/seh_translator.h"
#include "tests/support/machine_faults.h"
#include "tests/support/sanitizer_options.h"

namespace {

// Mirrors an exported operation: status reset, translator installed, guarded body.
class GuardedOperationTest : public ::testing::Test {
 protected:
  template <typename Body>
  int Run(Body body) {
    int result = -1;
    SetStatus(code_, message_, 0, L"");
    TAV_GUARDED_FRAME(code_, message_, {
      InstallSehTranslator();
      body();
      result = 0;
    });
    return result;
  }

  // "() error: NAME\n address:\t0x<8 to 16 hex digits> code:\t\tCODE\n"
  void ExpectFaultMessage(const std::string& name, const std::string& code) {
    const std::string text = base::WideToUtf8(message_);
    const std::string head = "() error: " + name + "\n address:\t0x";
    const std::string tail = " code:\t\t" + code + "\n";
    ASSERT_GT(text.size(), head.size() + tail.size()) << text;
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
    const std::string hex = text.substr(head.size(), text.size() - head.size() - tail.size());
    EXPECT_GE(hex.size(), 8u) << text;
    EXPECT_LE(hex.size(), 16u) << text;
    EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
  }

  int code_ = 0;
  std::wstring message_;
};

TEST_F(GuardedOperationTest, AccessViolationBecomesStatus) {
  EXPECT_EQ(Run([] { tavtest::ReadInvalidAddress(); }), -1);
  EXPECT_EQ(code_, -1);
  ExpectFaultMessage("EXCEPTION_ACCESS_VIOLATION", "3221225477");
}

TEST_F(GuardedOperationTest, IntegerDivisionByZeroBecomesStatus) {
  EXPECT_EQ(Run([] { tavtest::DivideByZero(); }), -1);
  EXPECT_EQ(code_, -1);
  ExpectFaultMessage("EXCEPTION_INT_DIVIDE_BY_ZERO", "3221225620");
}

TEST_F(GuardedOperationTest, NextOperationWorksAfterFault) {
  EXPECT_EQ(Run([] { tavtest::ReadInvalidAddress(); }), -1);
  EXPECT_EQ(Run([] {}), 0);
  EXPECT_EQ(code_, 0);
  EXPECT_EQ(message_, L"");
  EXPECT_EQ(Run([] { tavtest::DivideByZero(); }), -1);
  ExpectFaultMessage("EXCEPTION_INT_DIVIDE_BY_ZERO", "3221225620");
}

TEST_F(GuardedOperationTest, UnlistedCodeIsUnspecified) {
  EXPECT_EQ(Run([] { SehTranslator(0xC0000017u, reinterpret_cast<void*>(0x1234)); }), -1);
  EXPECT_EQ(message_,
            L"() error: unspecified Structed exception.\n address:\t0x00001234 code:\t\t"
            L"3221225495\n");
}

TEST_F(GuardedOperationTest, ListedCodesKeepTheirNames) {
  Run([] { SehTranslator(0x80000003u, nullptr); });
  EXPECT_EQ(message_,
            L"() error: EXCEPTION_BREAKPOINT\n address:\t0x00000000 code:\t\t2147483651\n");
  Run([] { SehTranslator(0xFFFFFFFFu, reinterpret_cast<void*>(0x7f00deadbeefULL)); });
  EXPECT_EQ(message_,
            L"() error: EXCEPTION_CONTINUE_EXECUTION\n address:\t0x7f00deadbeef code:\t\t"
            L"4294967295\n");
}

// The listen thread and any host thread that never installed the translator
// must not have their faults swallowed: they die of them as usual.
TEST(FaultTranslatorDeathTest, ThreadWithoutTranslatorIsNotAffected) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
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
