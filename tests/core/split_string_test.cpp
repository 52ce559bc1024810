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
  EXPECT_EQ(SplitString(c.text, c.delimiter, c.drop_delimiter, c.skip_empty), c.tokens)
      << "text \"" << testing::PrintToString(std::wstring(c.text)) << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitStringTest,
    ::testing::Values(
        // The kind lists as the export and import split them.
        SplitCase{L"feature,dimension,parameter,relation",
                  L",",
                  true,
                  false,
                  {L"feature", L"dimension", L"parameter", L"relation"}},
        SplitCase{L"feature,,dimension,", L",", true, false, {L"feature", L"", L"dimension"}},
        SplitCase{L",parameter", L",", true, false, {L"", L"parameter"}},
        SplitCase{L"", L",", true, false, {}}, SplitCase{L",", L",", true, false, {L""}},
        SplitCase{L"relation", L",", true, false, {L"relation"}},
        // Keeping the delimiter.
        SplitCase{L"a,b", L",", false, false, {L"a,", L"b"}},
        SplitCase{L"a,,b,", L",", false, false, {L"a,", L",", L"b,"}},
        // Skipping empty tokens.
        SplitCase{L"feature,,dimension,", L",", true, true, {L"feature", L"dimension"}},
        SplitCase{L",,", L",", true, true, {}},
        // A delimiter of several characters is matched whole.
        SplitCase{L"a::b:c::", L"::", true, false, {L"a", L"b:c"}},
        SplitCase{L"a", L"", true, false, {L"a"}},
        SplitCase{L"模型,零件", L",", true, false, {L"模型", L"零件"}}));

}  // namespace
