#include <gtest/gtest.h>

#include "base/text_case.h"
#include "base/utf.h"

namespace {

TEST(UtfTest, RoundTripsEveryPlane) {
  const std::wstring text = L"a\u00e9\u6a21\u578b\U0001F600";
  EXPECT_EQ(base::WideToUtf8(text), "a\xC3\xA9\xE6\xA8\xA1\xE5\x9E\x8B\xF0\x9F\x98\x80");
  EXPECT_EQ(base::Utf8ToWide(base::WideToUtf8(text)), text);
  const std::u16string utf16 = base::WideToUtf16(text);
  EXPECT_EQ(utf16, u"a\u00e9\u6a21\u578b\U0001F600");
  EXPECT_EQ(utf16.size(), 6u);  // the emoji takes a surrogate pair
  EXPECT_EQ(base::Utf16ToWide(utf16), text);
  EXPECT_EQ(base::WideToUtf8(L""), "");
  EXPECT_EQ(base::Utf8ToWide(""), L"");
}

TEST(UtfTest, KeepsEmbeddedZeros) {
  const std::wstring text(L"a\0b", 3);
  EXPECT_EQ(base::Utf8ToWide(base::WideToUtf8(text)), text);
}

TEST(UtfTest, InvalidInputBecomesReplacementCharacter) {
  EXPECT_EQ(base::Utf8ToWide("a\xFF"
                             "b"),
            L"a\uFFFDb");
  EXPECT_EQ(base::Utf8ToWide("\xE6\xA8"), L"\uFFFD");      // cut short
  EXPECT_EQ(base::Utf8ToWide("\xC0\xAF"), L"\uFFFD");      // overlong '/'
  EXPECT_EQ(base::Utf8ToWide("\xED\xA0\x80"), L"\uFFFD");  // encoded surrogate
  EXPECT_EQ(base::Utf8ToWide("\xE6\xA8x"), L"\uFFFDx");    // next byte read afresh
  if (sizeof(wchar_t) == 4) {  // beyond Unicode; a 16-bit wchar_t cannot hold it
    EXPECT_EQ(base::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
  }
  EXPECT_EQ(base::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xEF\xBF\xBD");
  EXPECT_EQ(base::WideToUtf16(std::wstring(1, static_cast<wchar_t>(0xD800))), u"\uFFFD");
  EXPECT_EQ(base::Utf16ToWide(std::u16string(1, u'\xDC00')), L"\uFFFD");
  EXPECT_EQ(base::Utf16ToWide(std::u16string{u'\xD800', u'a'}), L"\uFFFDa");
}

TEST(UtfTest, ValidatesUtf8) {
  EXPECT_TRUE(base::IsValidUtf8("TR\xC3\x84GER"));
  EXPECT_FALSE(base::IsValidUtf8("TR\xC3"));
  EXPECT_FALSE(base::IsValidUtf8("\xC0\xAF"));
}

// Model names are kept in upper case and written to disk in lower case, for any
// script a user types them in.
TEST(TextCaseTest, MapsLettersOfEveryScriptAndKeepsTheRest) {
  EXPECT_EQ(base::ToUpperCase(L"tr\u00e4ger_\u00df\u03b1\u0436-1.prt"),
            L"TR\u00c4GER_\u00df\u0391\u0416-1.PRT");
  EXPECT_EQ(base::ToLowerCase(L"TR\u00c4GER\u0391\u0416.PRT"), L"tr\u00e4ger\u03b1\u0436.prt");
}

}  // namespace
