// The COM helpers that hosts get from the module, BSTR and VARIANT as on Windows;
// on Windows the system's own (oleaut32), which must behave the same.
#include "tavproe2/com.h"

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/fake_host.h"

namespace {

TEST(BstrTest, LengthComesFromTheBytePrefixNotFromAZero) {
  BSTR text = SysAllocString(L"bracket.prt");
  std::uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(text) - sizeof prefix, sizeof prefix);
  EXPECT_EQ(11u * sizeof(OLECHAR), prefix);
  EXPECT_EQ(11u * sizeof(OLECHAR), SysStringByteLen(text));
  SysFreeString(text);

  const OLECHAR raw[] = {L'a', 0, L'b'};
  text = SysAllocStringLen(raw, 3);
  EXPECT_EQ(3u, SysStringLen(text));
  EXPECT_EQ(std::wstring(raw, 3) + L'\0', std::wstring(text, 4));
  SysFreeString(text);
  text = SysAllocStringLen(nullptr, 2);  // zero-filled
  EXPECT_EQ(std::wstring(3, L'\0'), std::wstring(text, 3));
  SysFreeString(text);

  EXPECT_EQ(nullptr, SysAllocString(nullptr));
  EXPECT_EQ(0u, SysStringLen(nullptr));
  SysFreeString(nullptr);
}

// The address sanitizer reports a string that is not freed.
TEST(VariantTest, CopyDuplicatesOrAddsAReferenceAndClearUndoesIt) {
  VARIANT source, copy;
  VariantInit(&copy);
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocString(L"<mnu id=\"1\"/>");
  ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
  EXPECT_NE(source.bstrVal, copy.bstrVal);
  EXPECT_EQ(S_OK, VariantClear(&source));
  EXPECT_EQ(VT_EMPTY, source.vt);
  EXPECT_EQ(L"<mnu id=\"1\"/>", std::wstring(copy.bstrVal, SysStringLen(copy.bstrVal)));

  tavtest::FakeHost host;
  source.vt = VT_DISPATCH;
  source.pdispVal = &host;
  VariantCopy(&copy, &source);  // frees the string copied before
  EXPECT_EQ(1, host.References());
  VariantClear(&copy);
  EXPECT_EQ(0, host.References());
#ifndef _WIN32
  EXPECT_EQ(E_INVALIDARG, VariantClear(nullptr));  // the system's does not check
#endif
}

}  // namespace
