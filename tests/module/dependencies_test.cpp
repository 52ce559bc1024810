// The dependency listing: breadth first through every level, each model once,
// models not in the session's memory left out.
#include "src/dependencies.h"

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
  EXPECT_EQ(0, command_.m_nStatus);
}

TEST_F(DependenciesTest, DrawingListsItsModelsAndTheirs) {
  ASSERT_EQ(0, Open(SamplePath("plate.drw.1")));
  std::wstring list = Dependencies();
  EXPECT_EQ(0u, list.find(Wide(SamplePath("plate.asm.1"))));
  EXPECT_NE(std::wstring::npos, list.find(Wide(SamplePath("träger.prt.1"))));
  EXPECT_EQ(std::wstring::npos, list.find(Wide(SamplePath("plate.drw.1"))));
}

TEST_F(DependenciesTest, PartWithoutDependenciesGivesAnEmptyList) {
  ASSERT_EQ(0, Open(SamplePath("bolt.prt.1")));
  EXPECT_EQ(L"", Dependencies());
}

TEST_F(DependenciesTest, NoCurrentModelIsAFailureWithAnEmptyList) {
  EXPECT_EQ(L"", Dependencies(-1));
  EXPECT_EQ(-1, command_.m_nStatus);
  EXPECT_EQ(L"has not active document.", command_.m_strStatus);
}

TEST_F(DependenciesTest, ComponentNotInMemoryIsLeftOutSilently) {
  ASSERT_EQ(0, Open(SamplePath("plate.asm.1")));
  // The first look-up (the bracket) finds nothing in memory.
  ASSERT_EQ(0, sim_->Ctl({"fault", "ProMdlInit", "-4", "1"}).code);
  EXPECT_EQ(Names({"bolt.prt.1", "washer.prt.1", "fastener.asm.1", "träger.prt.1"}),
            Dependencies());
  EXPECT_EQ(0, command_.m_nStatus);
}

TEST_F(DependenciesTest, AModelWhoseListFailsContributesNothing) {
  ASSERT_EQ(0, Open(SamplePath("plate.asm.1")));
  ASSERT_EQ(0, sim_->Ctl({"fault", "ProMdlDependenciesList", "-1", "1"}).code);
  EXPECT_EQ(L"", Dependencies());
}

TEST(ModelTypeFromExtension, KnowsTheToolkitTypesWhateverTheCase) {
  const std::pair<const wchar_t*, int> cases[] = {
      {L"prt", 2},   {L"PRT", 2},   {L"Prt", 2},  {L"asm", 1},  {L"drw", 4},
      {L"sec", 11},  {L"mfg", 37},  {L"lay", 19}, {L"frm", 33}, {L"rep", 105},
      {L"mrk", 116}, {L"dgm", 121}, {L"xyz", -2}, {L"", -2},    {L"prt ", -2}};
  for (const auto& [text, code] : cases) EXPECT_EQ(code, ModelTypeFromExtension(text)) << text;
}

TEST(AppendUnique, JoinsItemsOnceUnlessDuplicatesAreAllowed) {
  std::wstring list;
  AppendUnique(L"", list, L"|", false);
  EXPECT_EQ(L"", list);
  AppendUnique(L"a.prt", list, L"|", false);
  AppendUnique(L"b.prt", list, L"|", false);
  AppendUnique(L"a.prt", list, L"|", false);
  AppendUnique(L"a.pr", list, L"|", false);  // a prefix of an item is another item
  EXPECT_EQ(L"a.prt|b.prt|a.pr", list);
  AppendUnique(L"A.PRT", list, L"|", false);  // exact comparison
  AppendUnique(L"b.prt", list, L"|", true);
  EXPECT_EQ(L"a.prt|b.prt|a.pr|A.PRT|b.prt", list);
}

}  // namespace
}  // namespace tavtest
