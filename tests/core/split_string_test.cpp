#include "src/split_string.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
  const wchar_t* text;
  const wchar_t* delimiter;
  bool drop_delimiter;
  bool skip_empty;
  std::vector<std::wstring> tokens;
};

class SplitStringTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitStringTest, GivesTokensInOrder) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(c.tokens, SplitString(c.text, c.delimiter, c.drop_delimiter, c.skip_empty))
      << ::testing::PrintToString(std::wstring(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitStringTest,
    ::testing::Values(
        // Kind lists as the export and import split them: no empty last token.
        SplitCase{L"feature,,dimension,", L",", true, false, {L"feature", L"", L"dimension"}},
        SplitCase{L",parameter", L",", true, false, {L"", L"parameter"}},
        SplitCase{L"", L",", true, false, {}},
        SplitCase{L"a,,b,", L",", false, false, {L"a,", L",", L"b,"}},  // delimiter kept
        SplitCase{L",,a,,", L",", true, true, {L"a"}},                  // empty tokens skipped
        SplitCase{L"a::b:c::", L"::", true, false, {L"a", L"b:c"}},     // matched whole
        SplitCase{L"a", L"", true, false, {L"a"}}));

}  // namespace
