#include "port/text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTest, RoundTripsEveryPlane) {
  const std::wstring text = L"a\u00e9\u6a21\u578b\U0001F600";
  EXPECT_EQ(port::WideToUtf8(text), "a\xC3\xA9\xE6\xA8\xA1\xE5\x9E\x8B\xF0\x9F\x98\x80");
  EXPECT_EQ(port::Utf8ToWide(port::WideToUtf8(text)), text);
  const std::u16string utf16 = port::WideToUtf16(text);
  EXPECT_EQ(utf16, u"a\u00e9\u6a21\u578b\U0001F600");
  EXPECT_EQ(utf16.size(), 6u);  // the emoji takes a surrogate pair
  EXPECT_EQ(port::Utf16ToWide(utf16), text);
  EXPECT_EQ(port::WideToUtf8(L""), "");
  EXPECT_EQ(port::Utf8ToWide(""), L"");
}

TEST(TextTest, KeepsEmbeddedZeros) {
  const std::wstring text(L"a\0b", 3);
  EXPECT_EQ(port::Utf8ToWide(port::WideToUtf8(text)), text);
}

TEST(TextTest, InvalidInputBecomesReplacementCharacter) {
  EXPECT_EQ(port::Utf8ToWide("a\xFF"
                             "b"),
            L"a\uFFFDb");
  EXPECT_EQ(port::Utf8ToWide("\xE6\xA8"), L"\uFFFD");      // cut short
  EXPECT_EQ(port::Utf8ToWide("\xC0\xAF"), L"\uFFFD");      // overlong '/'
  EXPECT_EQ(port::Utf8ToWide("\xED\xA0\x80"), L"\uFFFD");  // encoded surrogate
  EXPECT_EQ(port::Utf8ToWide("\xE6\xA8x"), L"\uFFFDx");    // next byte read afresh
  EXPECT_EQ(port::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
  EXPECT_EQ(port::WideToUtf16(std::wstring(1, static_cast<wchar_t>(0xD800))), u"\uFFFD");
  EXPECT_EQ(port::Utf16ToWide(std::u16string(1, u'\xDC00')), L"\uFFFD");
  EXPECT_EQ(port::Utf16ToWide(std::u16string{u'\xD800', u'a'}), L"\uFFFDa");
}

}  // namespace
