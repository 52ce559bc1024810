// The shared library shows a host only the two exported classes and the COM helpers.
#include <cstdio>
#include <regex>

#include "tests/module/module_env.h"

namespace tavtest {
namespace {

TEST(SharedLibrary, ExportsOnlyWhatHostsUse) {
  std::string command = std::string("nm -D --defined-only --demangle '") + TAV_MODULE_LIBRARY + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(nullptr, pipe);
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  ASSERT_EQ(0, ::pclose(pipe));

  const std::regex allowed(
      "(TAVCAX::TAVPROE2::|typeinfo for TAVCAX::TAVPROE2::|typeinfo name for TAVCAX::TAVPROE2::|"
      "vtable for TAVCAX::TAVPROE2::|_com_error|typeinfo for _com_error|"
      "typeinfo name for _com_error|vtable for _com_error|Sys(Alloc|Free|String)|Variant|IID_).*");
  int exported = 0;
  bool connector = false, command_slot = false, bstr = false;
  for (const std::string& line : Lines(text)) {
    // "<address> <kind> <name>"; the name may contain blanks.
    std::size_t first = line.find(' '), second = line.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string name = line.substr(second + 1);
    EXPECT_TRUE(std::regex_match(name, allowed)) << "unexpected export: " << name;
    ++exported;
    connector |= name.find("ProeAsynConnector::LoadApplication") != std::string::npos;
    command_slot |= name.find("ProeAsynCommand::GetDependencies") != std::string::npos;
    bstr |= name == "SysAllocString";
  }
  EXPECT_GT(exported, 10);
  EXPECT_TRUE(connector);
  EXPECT_TRUE(command_slot);
  EXPECT_TRUE(bstr);
}

}  // namespace
}  // namespace tavtest
