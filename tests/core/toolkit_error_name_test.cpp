#include "src/toolkit_error_name.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
  int code;
  const wchar_t* name;
};

class ToolkitErrorNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ToolkitErrorNameTest, GivesPublishedNameOrEmpty) {
  EXPECT_EQ(ToolkitErrorName(GetParam().code), GetParam().name) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ToolkitErrorNameTest,
    ::testing::Values(
        NameCase{0, L"PRO_TK_NO_ERROR"}, NameCase{-1, L"PRO_TK_GENERAL_ERROR"},
        NameCase{-2, L"PRO_TK_BAD_INPUTS"}, NameCase{-4, L"PRO_TK_E_NOT_FOUND"},
        NameCase{-11, L"PRO_TK_COMM_ERROR"}, NameCase{-18, L"PRO_TK_INVALID_TYPE"},
        NameCase{-22, L"PRO_TK_INVALID_NAME"}, NameCase{-23, L"PRO_TK_NOT_EXIST"},
        NameCase{-30, L"PRO_TK_MSG_FMT_ERROR"}, NameCase{-48, L"PRO_TK_CANT_MODIFY"},
        NameCase{-57, L"PRO_TK_DWGCREATE_ERRORS"}, NameCase{-58, L"PRO_TK_UNSUPPORTED"},
        NameCase{-59, L""}, NameCase{-60, L""}, NameCase{-75, L""}, NameCase{-92, L""},
        NameCase{-93, L"PRO_TK_APP_XS_CALLBACKS"}, NameCase{-94, L"PRO_TK_APP_STARTUP_FAIL"},
        NameCase{-95, L"PRO_TK_APP_INIT_FAIL"}, NameCase{-96, L"PRO_TK_APP_VERSION_MISMATCH"},
        NameCase{-97, L"PRO_TK_APP_COMM_FAILURE"}, NameCase{-98, L"PRO_TK_APP_NEW_VERSION"},
        NameCase{-99, L"PRO_TK_APP_UNLOCK"}, NameCase{-100, L""}, NameCase{-2147483647 - 1, L""},
        NameCase{1, L""}, NameCase{2147483647, L""}));

TEST(ToolkitErrorNameRangeTest, EveryCodeOfTheWildfireBlockHasAName) {
  for (int code = 0; code >= -58; --code) EXPECT_FALSE(ToolkitErrorName(code).empty()) << code;
  for (int code = -59; code >= -92; --code) EXPECT_TRUE(ToolkitErrorName(code).empty()) << code;
}

}  // namespace
