#include "src/toolkit_error_name.h"

#include <gtest/gtest.h>

namespace {

// Names for 0 .. -58 and -93 .. -99, nothing elsewhere; a few names pin the
// table's alignment (the messages rely on -4's).
TEST(ToolkitErrorNameTest, NamesThePublishedCodesOnly) {
  for (int code = 0; code >= -58; --code) EXPECT_NE(L"", ToolkitErrorName(code)) << code;
  for (int code = -59; code >= -92; --code) EXPECT_EQ(L"", ToolkitErrorName(code)) << code;
  for (int code = -93; code >= -99; --code) EXPECT_NE(L"", ToolkitErrorName(code)) << code;
  for (int code : {1, -100, -2147483647 - 1}) EXPECT_EQ(L"", ToolkitErrorName(code)) << code;
  EXPECT_EQ(L"PRO_TK_NO_ERROR", ToolkitErrorName(0));
  EXPECT_EQ(L"PRO_TK_E_NOT_FOUND", ToolkitErrorName(-4));
  EXPECT_EQ(L"PRO_TK_UNSUPPORTED", ToolkitErrorName(-58));
  EXPECT_EQ(L"PRO_TK_APP_XS_CALLBACKS", ToolkitErrorName(-93));
  EXPECT_EQ(L"PRO_TK_APP_UNLOCK", ToolkitErrorName(-99));
}

}  // namespace
