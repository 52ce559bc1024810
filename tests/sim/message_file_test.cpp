// Message files as the session reads them: entry layout, class prefixes, byte-order
// marks and line ends, conversions with fields, and the published codes. A text
// cut to the line is the client's message test.
#include "sim/message_file.h"

#include <gtest/gtest.h>

#include "sim/model.h"
#include "tests/support/temp_dir.h"

namespace {

using sim::MessageValue;

TEST(MessageFileTest, KeysLoseTheirClassPrefixAndKeepSpaces) {
  sim::MessageFile f = sim::MessageFile::Parse(
      "\xEF\xBB\xBF%CPUSER Prompt\r\nEnter a value\r\n#\r\n#\r\n%CEUSER Error\nBroken\n#\n#\n"
      "Plain key\nplain\n\n#\n");
  ASSERT_EQ(f.size(), 3u);
  ASSERT_NE(f.Find("USER Prompt"), nullptr) << "neither byte-order mark nor prefix in the key";
  EXPECT_EQ(f.Find("USER Prompt")->klass, 'P');
  EXPECT_EQ(f.Find("USER Prompt")->format, "Enter a value") << "no CR in the text";
  EXPECT_EQ(f.Find("USER Error")->format, "Broken");
  EXPECT_EQ(f.Find("Plain key")->klass, 0);
  EXPECT_EQ(f.Find("Plain key")->format, "plain") << "a blank translation line is allowed";
  EXPECT_EQ(f.Find("%CPUSER Prompt"), nullptr);
}

TEST(MessageFileTest, ConversionsTakeTheirArgumentByPositionOrHaveTheirCodes) {
  const std::vector<MessageValue> values{{MessageValue::kText, "BRACKET"},
                                         {MessageValue::kInteger, "", 7},
                                         {MessageValue::kDouble, "", 0, 3.14159}};
  const struct {
    const char* format;
    int code;
    const char* text;
  } cases[] = {
      {"%1d items in %0w (%2(6.2)f mm, %1(4)d)", 0, "7 items in BRACKET (  3.14 mm,    7)"},
      {"%2f and 50% and %%", 0, "3.141590 and 50% and %"},
      {"Value: %0s|||default", 0, "Value: BRACKET"},
      {"%0q", -30, ""},
      {"%2(5.2f", -30, ""},
      {"%3d", -2, ""},  // no value
      {"%0d", -2, ""},  // text for an integer
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(sim::FormatMessage(c.format, values, &out), c.code) << c.format;
    if (c.code == 0) {
      EXPECT_EQ(out, c.text) << c.format;
    }
  }
  std::string types;
  EXPECT_EQ(sim::MessageArgTypes("%0d %0w", &types), -30) << "one position, two types";
  ASSERT_EQ(sim::MessageArgTypes("%2f %0w|||%3s", &types), 0);
  EXPECT_EQ(types, "w-f") << "the keyboard default after ||| takes no value";
}

TEST(MessageFileTest, FilesAreSearchedInOrderAndNamesMustBeBare) {
  tavtest::TempDir first, second;
  tavtest::WriteFile(second.file("msg.txt"), "K\nfrom second\n#\n#\n");
  std::vector<std::string> dirs{first.path(), second.path()};
  sim::MessageFileCache cache;  // a file that appears earlier in the search wins at once
  std::string out;
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "msg.txt", "K", {}, &out), 0);
  EXPECT_EQ(out, "from second");
  tavtest::WriteFile(first.file("msg.txt"), "K\nfrom first\n#\n#\n");
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "msg.txt", "K", {}, &out), 0);
  EXPECT_EQ(out, "from first");
  // A reader keeps what it loaded; another reader, or the same after Forget, reads again.
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "msg.txt", "K", {}, &out, 7), 0);
  tavtest::WriteFile(first.file("msg.txt"), "K\nrewritten\n#\n#\n");
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "msg.txt", "K", {}, &out, 7), 0);
  EXPECT_EQ(out, "from first");
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "msg.txt", "K", {}, &out, 8), 0);
  EXPECT_EQ(out, "rewritten");
  cache.Forget(7);
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "msg.txt", "K", {}, &out, 7), 0);
  EXPECT_EQ(out, "rewritten");
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "msg.txt", "Other", {}, &out), -28);
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "none.txt", "K", {}, &out), -4);
  EXPECT_EQ(sim::ResolveMessage(cache, dirs, "../msg.txt", "K", {}, &out), -2);
  EXPECT_EQ(sim::MessageSearchDirs("/c", "", "/work/"),
            (std::vector<std::string>{"/c/", "/c/text/usascii/", "/c/text/", "/work/"}));
}

}  // namespace
