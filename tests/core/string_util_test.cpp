#include "src/string_util.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace {

TEST(FormatStringTest, FormatsUpTo1023Characters) {
  EXPECT_EQ(L"added menu 工具, ret=-4", FormatString(L"added menu %ls, ret=%d", L"工具", -4));
  const std::wstring longest(1023, L'a');
  EXPECT_EQ(longest, FormatString(L"%ls", longest.c_str()));
  EXPECT_EQ(1023u, FormatString(L"x%ls", std::wstring(1022, L'b').c_str()).size());
}

TEST(FormatStringTest, LongerOutputIsALengthErrorAndBadInputIsNot) {
  // Its text, "string too long", is the guarded frame's test's.
  EXPECT_THROW(FormatString(L"%d%ls", 1, std::wstring(1023, L'a').c_str()), std::length_error);
#ifndef _WIN32  // there narrow text is in the ANSI code page, where every byte is a character
  // A narrow argument that is not valid in the C locale's encoding.
  EXPECT_THROW(FormatString(L"%s", "\xE6\xA8\xA1"), std::invalid_argument);
#endif
}

TEST(FormatDoubleTest, KeepsTenDecimalsAndEveryDigit) {
  EXPECT_EQ(L"-0.2500000000", FormatDouble(-0.25));
  EXPECT_EQ(L"0.3333333333", FormatDouble(1.0 / 3));
  const std::wstring huge = FormatDouble(1e300);
  EXPECT_EQ(301u + 11u, huge.size());  // not cut at a 256-byte buffer
  EXPECT_EQ(L"10", huge.substr(0, 2));
}

}  // namespace
