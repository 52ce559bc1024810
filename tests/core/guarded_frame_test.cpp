#include "src/guarded_frame.h"

#include <cstring>
#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

#include "src/string_util.h"
#include "tavproe2/com.h"

namespace {

struct ThrowCase {
  std::function<void()> body;
  const wchar_t* message;
};

class GuardedFrameTest : public ::testing::TestWithParam<ThrowCase> {};

TEST_P(GuardedFrameTest, TurnsWhatTheBodyThrowsIntoTheStatus) {
  int code = 7;
  std::wstring message = L"earlier";
  EXPECT_TRUE(TAV_GUARDED_FRAME(code, message, {}));  // success leaves the status alone
  EXPECT_EQ(7, code);
  EXPECT_FALSE(TAV_GUARDED_FRAME(code, message, { GetParam().body(); }));
  EXPECT_EQ(-1, code);
  EXPECT_EQ(GetParam().message, message);
}

struct EmptyWhat : std::exception {
  const char* what() const noexcept override { return ""; }
};

INSTANTIATE_TEST_SUITE_P(
    Kinds, GuardedFrameTest,
    ::testing::Values(ThrowCase{[] { throw TAVBASE::TX_Exception(L"bad model", L"a.cpp", L"", 3); },
                                L"() error: bad model\n"},
                      ThrowCase{[] { throw std::runtime_error("disk full \xE6\xA8\xA1"); },
                                L"() error: disk full \u6a21\n"},
                      ThrowCase{[] { throw EmptyWhat(); }, L"() error: \n"},
                      ThrowCase{[] { FormatString(L"%ls", std::wstring(1024, L'x').c_str()); },
                                L"() error: string too long\n"},
                      ThrowCase{[] { throw 42; }, L"Unexpected error.\n"},
                      ThrowCase{[] { throw _com_error(E_NOINTERFACE); }, L"Unexpected error.\n"}));

TEST(ReportCaughtTest, RecordsTheCatchSiteAndKeepsTheThrowSite) {
  TAVBASE::TX_Exception error(L"m", L"thrower.cpp", L"", 10);
  int code = 0;
  std::wstring message;
  const CatchSite here = TAV_CATCH_SITE;
  ReportCaught(error, here, code, message);
  EXPECT_EQ(std::string(__FILE__), here.file);
  EXPECT_EQ(__LINE__ - 3, here.line);
  EXPECT_EQ(std::wstring(here.file, here.file + std::strlen(here.file)), error.m_strCatchFile);
  EXPECT_EQ(here.line, error.m_nCatchLine);
  EXPECT_EQ(L"thrower.cpp", error.m_strFile);
  EXPECT_EQ(10, error.m_nLine);
}

}  // namespace
