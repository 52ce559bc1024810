// The shared library shows a host only the two exported classes and the COM helpers.
#include <cstdio>
#include <regex>

#include "tests/module/module_env.h"

namespace tavtest {
namespace {

TEST(SharedLibrary, ExportsOnlyWhatHostsUse) {
  const auto [status, text] =
      RunShell(std::string("nm -D --defined-only --demangle '") + TAV_MODULE_LIBRARY + "'");
  ASSERT_EQ(0, status);

  const std::regex allowed(
      "((typeinfo |typeinfo name |vtable )?for )?(TAVCAX::TAVPROE2::|_com_error).*|"
      "Sys(Alloc|Free|String).*|Variant.*|IID_.*");
  std::string names = "\n";
  for (const std::string& line : Lines(text)) {
    // "<address> <kind> <name>"; the name may contain blanks.
    const std::size_t first = line.find(' '), second = line.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string name = line.substr(second + 1);
    EXPECT_TRUE(std::regex_match(name, allowed)) << "unexpected export: " << name;
    names += name + "\n";
  }
  for (const char* needed : {"ProeAsynConnector::LoadApplication",
                             "ProeAsynCommand::GetDependencies", "\nSysAllocString\n"})
    EXPECT_NE(std::string::npos, names.find(needed)) << needed;
}

}  // namespace
}  // namespace tavtest
