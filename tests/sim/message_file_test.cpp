// Message files as the session reads them: entry layout, class prefixes, byte-order
// marks and line ends, conversions with fields, and the published codes.
#include "sim/message_file.h"
#include "sim/model.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

using sim::MessageValue;

MessageValue Text(const std::string& s) {
  MessageValue v;
  v.kind = MessageValue::kText;
  v.text = s;
  return v;
}
MessageValue Int(long long n) {
  MessageValue v;
  v.kind = MessageValue::kInteger;
  v.integer = n;
  return v;
}
MessageValue Real(double d) {
  MessageValue v;
  v.kind = MessageValue::kDouble;
  v.real = d;
  return v;
}

TEST(MessageFileTest, KeysLoseTheirClassPrefixAndKeepSpaces) {
  sim::MessageFile f = sim::MessageFile::Parse(
      "%CPUSER Prompt\nEnter a value\n#\n#\n%CEUSER Error\nBroken\n#\n#\nPlain key\nplain\n\n#\n");
  ASSERT_EQ(f.size(), 3u);
  ASSERT_NE(f.Find("USER Prompt"), nullptr);
  EXPECT_EQ(f.Find("USER Prompt")->klass, 'P');
  EXPECT_EQ(f.Find("USER Error")->format, "Broken");
  EXPECT_EQ(f.Find("Plain key")->klass, 0);
  EXPECT_EQ(f.Find("Plain key")->format, "plain") << "a blank translation line is allowed";
  EXPECT_EQ(f.Find("%CPUSER Prompt"), nullptr);
}

TEST(MessageFileTest, ByteOrderMarkAndCrLfAreNotPartOfTheText) {
  sim::MessageFile f =
      sim::MessageFile::Parse("\xEF\xBB\xBFMorvelCap_0\r\nWerkzeugkästen\r\n#\r\n#\r\n");
  ASSERT_NE(f.Find("MorvelCap_0"), nullptr);
  EXPECT_EQ(f.Find("MorvelCap_0")->format, "Werkzeugkästen");
}

TEST(MessageFileTest, ConversionsTakeTheirArgumentByPosition) {
  std::string out;
  ASSERT_EQ(sim::FormatMessage("%1d items in %0w (%2(6.2)f mm, %1(4)d)",
                               {Text("BRACKET"), Int(7), Real(3.14159)}, &out),
            0);
  EXPECT_EQ(out, "7 items in BRACKET (  3.14 mm,    7)");
  ASSERT_EQ(sim::FormatMessage("%0f and 50% and %%", {Real(1.5)}, &out), 0);
  EXPECT_EQ(out, "1.500000 and 50% and %");
  ASSERT_EQ(sim::FormatMessage("Value: %0s|||default", {Text("x")}, &out), 0);
  EXPECT_EQ(out, "Value: x");
}

TEST(MessageFileTest, BadFormatsAndValuesHaveTheirCodes) {
  std::string out;
  EXPECT_EQ(sim::FormatMessage("%0q", {Int(1)}, &out), -30);
  EXPECT_EQ(sim::FormatMessage("%0(5.2f", {Real(1)}, &out), -30);
  EXPECT_EQ(sim::FormatMessage("%1d", {Int(1)}, &out), -2) << "value missing";
  EXPECT_EQ(sim::FormatMessage("%0d", {Text("x")}, &out), -2) << "text for an integer";
  std::string types;
  EXPECT_EQ(sim::MessageArgTypes("%0d %0w", &types), -30) << "one position, two types";
  ASSERT_EQ(sim::MessageArgTypes("%2f %0w|||%3s", &types), 0);
  EXPECT_EQ(types, "w-f") << "the keyboard default after ||| takes no value";
}

TEST(MessageFileTest, TextOverEightyCharactersIsCutAndReported) {
  std::string out;
  std::string umlauts;
  for (int i = 0; i < 85; ++i) umlauts += "ä";
  EXPECT_EQ(sim::FormatMessage(umlauts, {}, &out), -32);
  EXPECT_EQ(sim::CharCount(out), 80u);
  EXPECT_EQ(out.size(), 160u) << "cut between characters, not inside one";
  EXPECT_EQ(sim::FormatMessage(std::string(80, 'x'), {}, &out), 0);
}

TEST(MessageFileTest, FilesAreSearchedInOrderAndNamesMustBeBare) {
  tavtest::TempDir first, second;
  tavtest::WriteFile(second.file("msg.txt"), "K\nfrom second\n#\n#\n");
  std::vector<std::string> dirs{first.path(), second.path()};
  std::string out;
  EXPECT_EQ(sim::ResolveMessage(dirs, "msg.txt", "K", {}, &out), 0);
  EXPECT_EQ(out, "from second");
  tavtest::WriteFile(first.file("msg.txt"), "K\nfrom first\n#\n#\n");
  EXPECT_EQ(sim::ResolveMessage(dirs, "msg.txt", "K", {}, &out), 0);
  EXPECT_EQ(out, "from first");
  EXPECT_EQ(sim::ResolveMessage(dirs, "msg.txt", "Other", {}, &out), -28);
  EXPECT_EQ(sim::ResolveMessage(dirs, "none.txt", "K", {}, &out), -4);
  EXPECT_EQ(sim::ResolveMessage(dirs, "../msg.txt", "K", {}, &out), -2);
}

TEST(MessageFileTest, SearchDirectoriesIncludeTheTextSubfolders) {
  std::vector<std::string> dirs = sim::MessageSearchDirs("/c", "", "/work/");
  std::vector<std::string> expected{"/c/", "/c/text/usascii/", "/c/text/", "/work/"};
  EXPECT_EQ(dirs, expected);
}

}  // namespace
