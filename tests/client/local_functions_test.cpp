// The functions the client answers itself: arrays, string conversion and
// parameter values. No session is involved.
#include <ProArray.h>
#include <ProParamval.h>
#include <ProUtil.h>
#include <ProWstring.h>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<int> Contents(int* array) {
  int n = 0;
  EXPECT_EQ(ProArraySizeGet(array, &n), PRO_TK_NO_ERROR);
  return std::vector<int>(array, array + n);
}

TEST(ProArrayTest, AllocatesZeroedElementsOfTheGivenSize) {
  ProArray a = nullptr;
  ASSERT_EQ(ProArrayAlloc(3, sizeof(double), 2, &a), PRO_TK_NO_ERROR);
  int n = -1;
  EXPECT_EQ(ProArraySizeGet(a, &n), PRO_TK_NO_ERROR);
  EXPECT_EQ(n, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<double*>(a)[i], 0.0);
  EXPECT_EQ(ProArrayFree(&a), PRO_TK_NO_ERROR);
  EXPECT_EQ(a, nullptr) << "free clears the caller's pointer";
}

TEST(ProArrayTest, AppendsWithUnusedOrNegativeIndexAndInsertsAtAnIndex) {
  ProArray a = nullptr;
  ASSERT_EQ(ProArrayAlloc(0, sizeof(int), 1, &a), PRO_TK_NO_ERROR);
  int one = 1, two[] = {2, 3}, zero = 0, nine = 9;
  EXPECT_EQ(ProArrayObjectAdd(&a, PRO_VALUE_UNUSED, 1, &one), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProArrayObjectAdd(&a, -7, 2, two), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProArrayObjectAdd(&a, 0, 1, &zero), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProArrayObjectAdd(&a, 4, 1, &nine), PRO_TK_NO_ERROR) << "index == size appends";
  EXPECT_EQ(Contents(static_cast<int*>(a)), (std::vector<int>{0, 1, 2, 3, 9}));
  ProArrayFree(&a);
}

TEST(ProArrayTest, GrowsPastManyReallocationsKeepingContents) {
  ProArray a = nullptr;
  ASSERT_EQ(ProArrayAlloc(0, sizeof(int), 3, &a), PRO_TK_NO_ERROR);
  std::vector<int> expected;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(ProArrayObjectAdd(&a, PRO_VALUE_UNUSED, 1, &i), PRO_TK_NO_ERROR);
    expected.push_back(i);
  }
  EXPECT_EQ(Contents(static_cast<int*>(a)), expected);
  ProArrayFree(&a);
}

TEST(ProArrayTest, AddingItsOwnElementsIsSafe) {
  ProArray a = nullptr;
  ASSERT_EQ(ProArrayAlloc(0, sizeof(int), 1, &a), PRO_TK_NO_ERROR);
  int v[] = {1, 2};
  ProArrayObjectAdd(&a, PRO_VALUE_UNUSED, 2, v);
  // The source lies inside the array, which reallocates while adding.
  EXPECT_EQ(ProArrayObjectAdd(&a, 0, 2, a), PRO_TK_NO_ERROR);
  EXPECT_EQ(Contents(static_cast<int*>(a)), (std::vector<int>{1, 2, 1, 2}));
  ProArrayFree(&a);
}

TEST(ProArrayTest, RefusesBadArguments) {
  ProArray a = nullptr;
  int x = 0;
  EXPECT_EQ(ProArrayAlloc(1, 0, 1, &a), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProArrayAlloc(-1, 4, 1, &a), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProArrayAlloc(1, 4, 0, &a), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProArrayAlloc(1, 4, 1, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(ProArraySizeGet(nullptr, &x), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProArrayObjectAdd(nullptr, 0, 1, &x), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProArrayObjectAdd(&a, 0, 1, &x), PRO_TK_BAD_INPUTS) << "null array";
  EXPECT_EQ(ProArrayFree(&a), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProArrayFree(nullptr), PRO_TK_BAD_INPUTS);

  ASSERT_EQ(ProArrayAlloc(1, sizeof(int), 1, &a), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProArraySizeGet(a, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProArrayObjectAdd(&a, 2, 1, &x), PRO_TK_BAD_INPUTS) << "index beyond the end";
  EXPECT_EQ(ProArrayObjectAdd(&a, 0, 0, &x), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProArrayObjectAdd(&a, 0, 1, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(Contents(static_cast<int*>(a)), std::vector<int>{0}) << "refusals change nothing";
  alignas(16) char plain[128] = {};
  EXPECT_EQ(ProArraySizeGet(plain + 64, &x), PRO_TK_BAD_INPUTS) << "not an array";
  EXPECT_EQ(ProArraySizeGet(plain + 3, &x), PRO_TK_BAD_INPUTS) << "misaligned";
  ProArrayFree(&a);
}

TEST(ProArrayTest, WstringArrayFreeReleasesStringsAndArray) {
  ProArray a = nullptr;
  ASSERT_EQ(ProArrayAlloc(0, sizeof(ProWstring), 2, &a), PRO_TK_NO_ERROR);
  for (const wchar_t* text : {L"d1 = d0 / 2", L"/* comment"}) {
    auto* s = static_cast<wchar_t*>(std::malloc((std::wcslen(text) + 1) * sizeof(wchar_t)));
    std::wcscpy(s, text);
    ASSERT_EQ(ProArrayObjectAdd(&a, PRO_VALUE_UNUSED, 1, &s), PRO_TK_NO_ERROR);
  }
  EXPECT_EQ(ProWstringproarrayFree(static_cast<ProWstring*>(a)), PRO_TK_NO_ERROR);  // ASan: no leak
  EXPECT_EQ(ProWstringproarrayFree(nullptr), PRO_TK_BAD_INPUTS);
}

TEST(StringConversionTest, RoundTripsNonAsciiText) {
  char utf8[] = "Zahnrad \xc3\xa4\xc3\xb6 \xe9\xbd\xbf\xe8\xbd\xae \xf0\x9f\x94\xa9";
  wchar_t wide[64];
  EXPECT_EQ(ProStringToWstring(wide, utf8), wide);
  EXPECT_STREQ(wide, L"Zahnrad \u00e4\u00f6 \u9f7f\u8f6e \U0001F529");
  char back[64];
  EXPECT_EQ(ProWstringToString(back, wide), back);
  EXPECT_STREQ(back, utf8);
  EXPECT_EQ(ProStringToWstring(nullptr, utf8), nullptr);
  EXPECT_EQ(ProWstringToString(back, nullptr), back);
  EXPECT_STREQ(back, "");
}

TEST(ParamvalueTest, SetsAndReadsEachType) {
  ProParamvalue v;
  const double d = 2.5;
  ASSERT_EQ(ProParamvalueSet(&v, &d, PRO_PARAM_DOUBLE), PRO_TK_NO_ERROR);
  ProParamvalueType type;
  EXPECT_EQ(ProParamvalueTypeGet(&v, &type), PRO_TK_NO_ERROR);
  EXPECT_EQ(type, PRO_PARAM_DOUBLE);
  double d_out = 0;
  EXPECT_EQ(ProParamvalueValueGet(&v, PRO_PARAM_DOUBLE, &d_out), PRO_TK_NO_ERROR);
  EXPECT_EQ(d_out, 2.5);

  ASSERT_EQ(ProParamvalueSet(&v, L"St\u00e4hl", PRO_PARAM_STRING), PRO_TK_NO_ERROR);
  ProLine s_out;
  EXPECT_EQ(ProParamvalueValueGet(&v, PRO_PARAM_STRING, s_out), PRO_TK_NO_ERROR);
  EXPECT_STREQ(s_out, L"St\u00e4hl");

  const int i = -42;
  ASSERT_EQ(ProParamvalueSet(&v, &i, PRO_PARAM_INTEGER), PRO_TK_NO_ERROR);
  int i_out = 0;
  EXPECT_EQ(ProParamvalueValueGet(&v, PRO_PARAM_INTEGER, &i_out), PRO_TK_NO_ERROR);
  EXPECT_EQ(i_out, -42);

  const short yes = 1;
  ASSERT_EQ(ProParamvalueSet(&v, &yes, PRO_PARAM_BOOLEAN), PRO_TK_NO_ERROR);
  short b_out = 0;
  EXPECT_EQ(ProParamvalueValueGet(&v, PRO_PARAM_BOOLEAN, &b_out), PRO_TK_NO_ERROR);
  EXPECT_EQ(b_out, 1);
}

TEST(ParamvalueTest, RefusesWrongTypesNullsAndOverlongTextWithoutChange) {
  ProParamvalue v;
  const int i = 5;
  ASSERT_EQ(ProParamvalueSet(&v, &i, PRO_PARAM_INTEGER), PRO_TK_NO_ERROR);
  double d = 0;
  EXPECT_EQ(ProParamvalueValueGet(&v, PRO_PARAM_DOUBLE, &d), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProParamvalueSet(&v, nullptr, PRO_PARAM_INTEGER), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProParamvalueSet(&v, &i, static_cast<ProParamvalueType>(55)), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProParamvalueSet(nullptr, &i, PRO_PARAM_INTEGER), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProParamvalueTypeGet(&v, nullptr), PRO_TK_BAD_INPUTS);
  const std::wstring longer(81, L'x');
  EXPECT_EQ(ProParamvalueSet(&v, longer.c_str(), PRO_PARAM_STRING), PRO_TK_BAD_INPUTS);
  int out = 0;
  EXPECT_EQ(ProParamvalueValueGet(&v, PRO_PARAM_INTEGER, &out), PRO_TK_NO_ERROR);
  EXPECT_EQ(out, 5) << "refusals leave the value as it was";
}

}  // namespace
