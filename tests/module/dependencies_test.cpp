// The dependency listing: breadth first through every level, each model once,
// models not in the session's memory left out. A drawing's walks the same way.
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

class DependenciesTest : public ConnectedTest {
 protected:
  std::wstring Dependencies(int expected_result = 0) {
    std::wstring list = L"stale";
    EXPECT_EQ(expected_result, command().GetDependencies(list)) << Narrow(command_.m_strStatus);
    return list;
  }
  std::wstring Names(std::initializer_list<const char*> files) {
    std::wstring out;
    for (const char* f : files) out += (out.empty() ? L"" : L"|") + Wide(SamplePath(f));
    return out;
  }
};

TEST_F(DependenciesTest, AssemblyListsEveryModelOnceBreadthFirst) {
  ASSERT_EQ(0, Open(SamplePath("plate.asm.1")));
  // plate: bracket, bolt (used twice), washer, fastener; fastener: träger, bolt, washer.
  EXPECT_EQ(
      Names({"bracket.prt.1", "bolt.prt.1", "washer.prt.1", "fastener.asm.1", "träger.prt.1"}),
      Dependencies());
  // The first look-up (the bracket) finds nothing in memory: it is left out.
  Fault("ProMdlInit", "-4");
  EXPECT_EQ(Names({"bolt.prt.1", "washer.prt.1", "fastener.asm.1", "träger.prt.1"}),
            Dependencies());
  // A model whose list fails contributes nothing.
  Fault("ProMdlDependenciesList", "-1");
  EXPECT_EQ(L"", Dependencies());
  EXPECT_EQ(0, command_.m_nStatus);
}

TEST_F(DependenciesTest, PartGivesAnEmptyListAndNoModelAFailure) {
  EXPECT_EQ(L"", Dependencies(-1));
  EXPECT_EQ(L"has not active document.", command_.m_strStatus);
  ASSERT_EQ(0, Open(SamplePath("bolt.prt.1")));
  EXPECT_EQ(L"", Dependencies());
}

}  // namespace
}  // namespace tavtest
