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

std::vector<int> Contents(ProArray array) {
  int n = 0;
  EXPECT_EQ(ProArraySizeGet(array, &n), PRO_TK_NO_ERROR);
  return std::vector<int>(static_cast<int*>(array), static_cast<int*>(array) + n);
}

TEST(ProArrayTest, AllocatesZeroedAppendsInsertsAndGrows) {
  ProArray a = nullptr;
  ASSERT_EQ(ProArrayAlloc(2, sizeof(int), 1, &a), PRO_TK_NO_ERROR);
  EXPECT_EQ(Contents(a), (std::vector<int>{0, 0}));
  int one = 1, two[] = {2, 3}, nine = 9;
  EXPECT_EQ(ProArrayObjectAdd(&a, PRO_VALUE_UNUSED, 1, &one), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProArrayObjectAdd(&a, -7, 2, two), PRO_TK_NO_ERROR) << "a negative index appends";
  EXPECT_EQ(ProArrayObjectAdd(&a, 0, 1, &nine), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProArrayObjectAdd(&a, 6, 1, &nine), PRO_TK_NO_ERROR) << "index == size appends";
  EXPECT_EQ(Contents(a), (std::vector<int>{9, 0, 0, 1, 2, 3, 9}));
  // The source lies inside the array, which reallocates while adding.
  EXPECT_EQ(ProArrayObjectAdd(&a, 1, 3, a), PRO_TK_NO_ERROR);
  std::vector<int> expected{9, 9, 0, 0, 0, 0, 1, 2, 3, 9};
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(ProArrayObjectAdd(&a, PRO_VALUE_UNUSED, 1, &i), PRO_TK_NO_ERROR);
    expected.push_back(i);
  }
  EXPECT_EQ(Contents(a), expected);
  EXPECT_EQ(ProArrayFree(&a), PRO_TK_NO_ERROR);
  EXPECT_EQ(a, nullptr) << "free clears the caller's pointer";
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
  EXPECT_EQ(Contents(a), std::vector<int>{0}) << "refusals change nothing";
  alignas(16) char plain[128] = {};
  EXPECT_EQ(ProArraySizeGet(plain + 64, &x), PRO_TK_BAD_INPUTS) << "not an array";
  EXPECT_EQ(ProArraySizeGet(plain + 3, &x), PRO_TK_BAD_INPUTS) << "misaligned";
  ProArrayFree(&a);
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

// Sets a value of `type` and reads it back.
template <class T>
void RoundTrip(ProParamvalueType type, const void* in, T* out) {
  ProParamvalue v;
  ASSERT_EQ(ProParamvalueSet(&v, in, type), PRO_TK_NO_ERROR);
  ProParamvalueType read;
  EXPECT_EQ(ProParamvalueTypeGet(&v, &read), PRO_TK_NO_ERROR);
  EXPECT_EQ(read, type);
  EXPECT_EQ(ProParamvalueValueGet(&v, type, out), PRO_TK_NO_ERROR);
}

TEST(ParamvalueTest, SetsAndReadsEachType) {
  const double d = 2.5;
  const int i = -42;
  const short yes = 1;
  double d_out = 0;
  int i_out = 0;
  short b_out = 0;
  ProLine s_out;
  RoundTrip(PRO_PARAM_DOUBLE, &d, &d_out);
  RoundTrip(PRO_PARAM_INTEGER, &i, &i_out);
  RoundTrip(PRO_PARAM_BOOLEAN, &yes, &b_out);
  RoundTrip(PRO_PARAM_STRING, L"St\u00e4hl", s_out);
  EXPECT_EQ(d_out, 2.5);
  EXPECT_EQ(i_out, -42);
  EXPECT_EQ(b_out, 1);
  EXPECT_STREQ(s_out, L"St\u00e4hl");
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
