#include "src/string_util.h"

#include <climits>
#include <stdexcept>

#include <gtest/gtest.h>

#include "src/system_util.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(FormatStringTest, FormatsWideAndNumberArguments) {
  EXPECT_EQ(FormatString(L"m_nListen=%d", 1), L"m_nListen=1");
  EXPECT_EQ(FormatString(L"added menu %ls, ret=%d", L"工具", -4), L"added menu 工具, ret=-4");
  EXPECT_EQ(FormatString(L"StartProe \"%ls\"", L"/opt/proe/bin/proe"),
            L"StartProe \"/opt/proe/bin/proe\"");
}

TEST(FormatStringTest, OutputOf1023CharactersIsReturnedWhole) {
  const std::wstring text(1023, L'a');
  EXPECT_EQ(FormatString(L"%ls", text.c_str()), text);
  EXPECT_EQ(FormatString(L"x%ls", std::wstring(1022, L'b').c_str()).size(), 1023u);
}

TEST(FormatStringTest, OutputOf1024CharactersIsLengthError) {
  EXPECT_THROW(FormatString(L"%ls", std::wstring(1024, L'a').c_str()), std::length_error);
  EXPECT_THROW(FormatString(L"%d%ls", 1, std::wstring(1023, L'a').c_str()), std::length_error);
  try {
    FormatString(L"%ls", std::wstring(5000, L'a').c_str());
  } catch (const std::length_error& e) {
    EXPECT_STREQ(e.what(), "string too long");
  }
}

TEST(FormatStringTest, UnformattableTextIsNotMistakenForLength) {
  // A narrow argument that is not valid in the C locale's encoding.
  EXPECT_THROW(FormatString(L"%s", "\xE6\xA8\xA1"), std::invalid_argument);
}

TEST(NumberTextTest, DecimalWithSign) {
  EXPECT_EQ(IntToWString(0), L"0");
  EXPECT_EQ(IntToWString(-23), L"-23");
  EXPECT_EQ(IntToWString(INT_MIN), L"-2147483648");
  EXPECT_EQ(LongToWString(LONG_MAX), std::to_wstring(LONG_MAX));
  EXPECT_EQ(LongToWString(-1L), L"-1");
}

TEST(NumberTextTest, DoubleHasTenDecimals) {
  EXPECT_EQ(FormatDouble(1.5), L"1.5000000000");
  EXPECT_EQ(FormatDouble(-0.25), L"-0.2500000000");
  EXPECT_EQ(FormatDouble(0), L"0.0000000000");
  EXPECT_EQ(FormatDouble(1.0 / 3), L"0.3333333333");
  const std::wstring huge = FormatDouble(1e300);
  EXPECT_EQ(huge.size(), 301u + 11u);  // every digit kept, not cut at 256 bytes
  EXPECT_EQ(huge.substr(0, 2), L"10");
}

TEST(CodePageTest, AnsiAndUtf8AreBothUtf8) {
  std::string narrow;
  WideToMultiByte(L"bracket 模型.prt", narrow, kCodePageAnsi);
  EXPECT_EQ(narrow, "bracket \xE6\xA8\xA1\xE5\x9E\x8B.prt");
  std::wstring wide;
  MultiByteToWide(narrow, wide, kCodePageUtf8);
  EXPECT_EQ(wide, L"bracket 模型.prt");
  WideToMultiByte(L"", narrow, 0);
  EXPECT_EQ(narrow, "");
  MultiByteToWide("", wide, 65001);
  EXPECT_EQ(wide, L"");
  EXPECT_EQ(MultiByteToWide("a\xFF"), L"a\uFFFD");
}

TEST(SystemTextTest, TempPathFollowsTmpdir) {
  tavtest::TempDir dir;
  tavtest::ScopedEnv env("TMPDIR", dir.path().c_str());
  EXPECT_EQ(TempPath(), std::wstring(dir.path().begin(), dir.path().end()));
  EXPECT_EQ(TempPath().back(), L'/');
}

TEST(SystemTextTest, LastErrorTextDescribesErrno) {
  errno = ENOENT;
  EXPECT_EQ(LastErrorText(), L"No such file or directory");
}

}  // namespace
