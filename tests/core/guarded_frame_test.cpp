#include "src/guarded_frame.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "base/utf.h"
#include "src/string_util.h"
#include "tavproe2/com.h"

namespace {

class EmptyWhat : public std::exception {
 public:
  const char* what() const noexcept override { return ""; }
};

class GuardedFrameTest : public ::testing::Test {
 protected:
  template <typename Body>
  bool Run(Body body) {
    return TAV_GUARDED_FRAME(code_, message_, { body(); });
  }
  int code_ = 0;
  std::wstring message_;
};

TEST_F(GuardedFrameTest, SuccessLeavesStatusUntouched) {
  code_ = 7;
  message_ = L"earlier";
  EXPECT_TRUE(Run([] {}));
  EXPECT_EQ(code_, 7);
  EXPECT_EQ(message_, L"earlier");
}

TEST_F(GuardedFrameTest, ErrorRecordGivesPrefixedMessage) {
  EXPECT_FALSE(Run([] { throw TAVBASE::TX_Exception(L"bad model", L"a.cpp", L"", 3); }));
  EXPECT_EQ(code_, -1);
  EXPECT_EQ(message_, L"() error: bad model\n");
}

TEST_F(GuardedFrameTest, StandardExceptionIsWrappedLikeErrorRecord) {
  EXPECT_FALSE(Run([] { throw std::runtime_error("disk full \xE6\xA8\xA1"); }));
  EXPECT_EQ(code_, -1);
  EXPECT_EQ(message_, L"() error: disk full \u6a21\n");
}

TEST_F(GuardedFrameTest, StandardExceptionWithEmptyTextGivesBareLineFeed) {
  EXPECT_FALSE(Run([] { throw EmptyWhat(); }));
  EXPECT_EQ(code_, -1);
  EXPECT_EQ(message_, L"() error: \n");
}

TEST_F(GuardedFrameTest, NonStandardExceptionIsUnexpectedError) {
  EXPECT_FALSE(Run([] { throw 42; }));
  EXPECT_EQ(code_, -1);
  EXPECT_EQ(message_, L"Unexpected error.\n");
  code_ = 0;
  EXPECT_FALSE(Run([] { throw _com_error(E_NOINTERFACE); }));
  EXPECT_EQ(code_, -1);
  EXPECT_EQ(message_, L"Unexpected error.\n");
}

TEST_F(GuardedFrameTest, TooLongFormatBecomesLengthError) {
  EXPECT_FALSE(Run([] { FormatString(L"%ls", std::wstring(1024, L'x').c_str()); }));
  EXPECT_EQ(code_, -1);
  EXPECT_EQ(message_, L"() error: string too long\n");
}

TEST_F(GuardedFrameTest, WorksOnStatusRecord) {
  StatusRecord record;
  EXPECT_FALSE(RunGuarded(record, TAV_CATCH_SITE, [] { throw std::logic_error("x"); }));
  EXPECT_EQ(record.m_nStatus, -1);
  EXPECT_EQ(record.m_strStatus, L"() error: x\n");
  record.SetStatus(0, L"");
  EXPECT_TRUE(RunGuarded(record, TAV_CATCH_SITE, [] {}));
  EXPECT_EQ(record.m_nStatus, 0);
}

TEST(ReportCaughtTest, RecordsCatchSite) {
  TAVBASE::TX_Exception error(L"m", L"thrower.cpp", L"", 10);
  int code = 0;
  std::wstring message;
  ReportCaught(error, CatchSite{"src/proe_asyn_command.cpp", 321}, code, message);
  EXPECT_EQ(error.m_strCatchFile, L"src/proe_asyn_command.cpp");
  EXPECT_EQ(error.m_strCatchFunction, L"");
  EXPECT_EQ(error.m_nCatchLine, 321);
  EXPECT_EQ(error.m_strFile, L"thrower.cpp");  // the thrower's part is kept
  EXPECT_EQ(error.m_nLine, 10);

  const CatchSite here = TAV_CATCH_SITE;
  EXPECT_EQ(here.line, __LINE__ - 1);
  EXPECT_EQ(std::string(here.file), __FILE__);
}

TEST(TxExceptionTest, ConstructorClearsCatchPartAndCopiesCarryAll) {
  TAVBASE::TX_Exception error(L"message", L"file.cpp", L"func", 12);
  EXPECT_EQ(error.m_strCatchFile, L"");
  EXPECT_EQ(error.m_strCatchFunction, L"");
  EXPECT_EQ(error.m_nCatchLine, 0);
  error.m_strCatchFile = L"catch.cpp";
  error.m_nCatchLine = 99;
  const TAVBASE::TX_Exception copy = error;
  EXPECT_EQ(copy.m_strMessage, L"message");
  EXPECT_EQ(copy.m_strFile, L"file.cpp");
  EXPECT_EQ(copy.m_strFunction, L"func");
  EXPECT_EQ(copy.m_nLine, 12);
  EXPECT_EQ(copy.m_strCatchFile, L"catch.cpp");
  EXPECT_EQ(copy.m_nCatchLine, 99);
  EXPECT_EQ(DescribeError(copy), L"message\n");
}

}  // namespace
