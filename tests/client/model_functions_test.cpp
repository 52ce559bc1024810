// Models, windows, assemblies and drawings against the sample models.
#include <ProArray.h>
#include <ProAsmcomp.h>
#include <ProDrawing.h>
#include <ProMdl.h>
#include <ProSolid.h>
#include <ProWindows.h>
#include <algorithm>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "tests/client/session_fixture.h"
#include "toolkit/client/wide_text.h"

namespace clienttest {
namespace {

class ModelFunctionsTest : public SessionTest {
 protected:
  ProMdl Load(const wchar_t* path) {
    ProMdl mdl = nullptr;
    std::wstring p = path;
    EXPECT_EQ(ProMdlLoad(p.data(), PRO_MDL_UNUSED, PRO_B_FALSE, &mdl), PRO_TK_NO_ERROR)
        << tkclient::ToUtf8(path);
    return mdl;
  }
};

TEST_F(ModelFunctionsTest, LoadsAModelAndReportsItsIdentity) {
  ProMdl mdl = Load(L"bracket.prt");
  ASSERT_NE(mdl, nullptr);
  ProMdlType type = PRO_MDL_UNUSED;
  EXPECT_EQ(ProMdlTypeGet(mdl, &type), PRO_TK_NO_ERROR);
  EXPECT_EQ(type, PRO_MDL_PART);
  ProMdldata data;
  ASSERT_EQ(ProMdlDataGet(mdl, &data), PRO_TK_NO_ERROR);
  EXPECT_STREQ(data.name, L"BRACKET");
  EXPECT_STREQ(data.type, L"PRT");
  EXPECT_EQ(data.version, 1);
  EXPECT_STREQ(data.device, L"");
  EXPECT_EQ(data.path[std::wcslen(data.path) - 1], L'/');
  ProMdl found = nullptr;
  ProName name = L"BRACKET";
  EXPECT_EQ(ProMdlInit(name, PRO_MDL_PART, &found), PRO_TK_NO_ERROR);
  EXPECT_EQ(found, mdl) << "a handle stays the same across calls";
  ProMdlsubtype sub;
  EXPECT_EQ(ProMdlSubtypeGet(mdl, &sub), PRO_TK_NO_ERROR);
  ProModelitem item;
  EXPECT_EQ(ProMdlToModelitem(mdl, &item), PRO_TK_NO_ERROR);
  EXPECT_EQ(item.owner, mdl);
}

TEST_F(ModelFunctionsTest, NonAsciiModelNamesSurviveTheRoundTrip) {
  ProMdl mdl = Load(L"tr\u00e4ger.prt");
  ASSERT_NE(mdl, nullptr);
  ProMdldata data;
  ASSERT_EQ(ProMdlDataGet(mdl, &data), PRO_TK_NO_ERROR);
  EXPECT_STREQ(data.name, L"TR\u00c4GER");
}

TEST_F(ModelFunctionsTest, MissingModelFailsAndLeavesTheHandleAlone) {
  ProMdl mdl = reinterpret_cast<ProMdl>(0x77);
  std::wstring p = L"no_such_model.prt";
  EXPECT_EQ(ProMdlLoad(p.data(), PRO_MDL_UNUSED, PRO_B_FALSE, &mdl), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(mdl, reinterpret_cast<ProMdl>(0x77));
  ProName name = L"NOPE";
  EXPECT_EQ(ProMdlInit(name, PRO_MDL_PART, &mdl), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(mdl, reinterpret_cast<ProMdl>(0x77));
}

TEST_F(ModelFunctionsTest, CurrentModelAndWindowsFollowDisplay) {
  ProMdl current = nullptr;
  EXPECT_EQ(ProMdlCurrentGet(&current), PRO_TK_BAD_CONTEXT);
  ProMdl mdl = Load(L"bracket.prt");
  int window = -5;
  EXPECT_EQ(ProMdlWindowGet(mdl, &window), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(window, -5);
  ASSERT_EQ(ProMdlDisplay(mdl), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProMdlCurrentGet(&current), PRO_TK_NO_ERROR);
  EXPECT_EQ(current, mdl);
  ASSERT_EQ(ProMdlWindowGet(mdl, &window), PRO_TK_NO_ERROR);
  ProMdl shown = nullptr;
  EXPECT_EQ(ProWindowMdlGet(window, &shown), PRO_TK_NO_ERROR);
  EXPECT_EQ(shown, mdl);
  int cur_window = 0;
  EXPECT_EQ(ProWindowCurrentGet(&cur_window), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProWindowCurrentSet(cur_window), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProWindowActivate(window), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProWindowMdlGet(9999, &shown), PRO_TK_BAD_INPUTS);
}

TEST_F(ModelFunctionsTest, SessionListAndDependenciesComeAsProArrays) {
  ProMdl plate = Load(L"plate.asm");
  ASSERT_NE(plate, nullptr);
  ProModel* deps = nullptr;
  int count = -1;
  ASSERT_EQ(ProMdlDependenciesList(plate, &deps, &count), PRO_TK_NO_ERROR);
  int size = 0;
  EXPECT_EQ(ProArraySizeGet(deps, &size), PRO_TK_NO_ERROR);
  EXPECT_EQ(size, count);
  std::set<std::string> names;
  for (int i = 0; i < count; ++i)
    names.insert(tkclient::ToUtf8(deps[i].name) + "." + tkclient::ToUtf8(deps[i].type));
  EXPECT_TRUE(names.count("BRACKET.PRT")) << count;
  EXPECT_TRUE(names.count("FASTENER.ASM"));
  EXPECT_EQ(ProArrayFree(reinterpret_cast<ProArray*>(&deps)), PRO_TK_NO_ERROR);

  ProMdl* parts = nullptr;
  ASSERT_EQ(ProSessionMdlList(PRO_MDL_PART, &parts, &count), PRO_TK_NO_ERROR);
  EXPECT_GE(count, 3) << "the assembly brought its parts";
  ProMdlType type;
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(ProMdlTypeGet(parts[i], &type), PRO_TK_NO_ERROR);
    EXPECT_EQ(type, PRO_MDL_PART);
  }
  ProArrayFree(reinterpret_cast<ProArray*>(&parts));
}

ProError CollectComponent(ProFeature* f, ProError, ProAppData data) {
  ProFeattype type;
  if (ProFeatureTypeGet(f, &type) == PRO_TK_NO_ERROR && type == PRO_FEAT_COMPONENT)
    static_cast<std::vector<ProFeature>*>(data)->push_back(*f);
  return PRO_TK_NO_ERROR;
}

TEST_F(ModelFunctionsTest, AssemblyComponentsNameTheirModels) {
  ProMdl plate = Load(L"plate.asm");
  std::vector<ProFeature> comps;
  ASSERT_EQ(ProSolidFeatVisit(static_cast<ProSolid>(plate), CollectComponent, nullptr, &comps),
            PRO_TK_NO_ERROR);
  ASSERT_GE(comps.size(), 4u);
  std::multiset<std::string> names;
  for (ProFeature& c : comps) {
    ProMdlType type;
    ProFamilyName name;
    ASSERT_EQ(ProAsmcompMdlNameGet(&c, &type, name), PRO_TK_NO_ERROR);
    names.insert(tkclient::ToUtf8(name));
    ProMdl mdl = nullptr;
    EXPECT_EQ(ProAsmcompMdlGet(&c, &mdl), PRO_TK_NO_ERROR);
    ProMdldata data;
    ASSERT_EQ(ProMdlDataGet(mdl, &data), PRO_TK_NO_ERROR);
    EXPECT_STREQ(data.name, name);
  }
  EXPECT_EQ(names.count("BOLT"), 2u);
  EXPECT_EQ(names.count("BRACKET"), 1u);
}

TEST_F(ModelFunctionsTest, DrawingShowsItsSolids) {
  ProMdl drw = Load(L"plate.drw");
  ASSERT_NE(drw, nullptr);
  ProSolid* solids = nullptr;
  ASSERT_EQ(ProDrawingSolidsCollect(static_cast<ProDrawing>(drw), &solids), PRO_TK_NO_ERROR);
  int n = 0;
  ProArraySizeGet(solids, &n);
  EXPECT_EQ(n, 2);
  ProArrayFree(reinterpret_cast<ProArray*>(&solids));
}

TEST_F(ModelFunctionsTest, ErasedModelHandleGivesAnErrorNotACrash) {
  ProMdl mdl = Load(L"bolt.prt");
  ASSERT_EQ(ProMdlEraseAll(mdl), PRO_TK_NO_ERROR);
  ProMdlType type = PRO_MDL_PART;
  EXPECT_NE(ProMdlTypeGet(mdl, &type), PRO_TK_NO_ERROR);
  EXPECT_EQ(type, PRO_MDL_UNUSED);
  ProMdldata data;
  EXPECT_NE(ProMdlDataGet(mdl, &data), PRO_TK_NO_ERROR);
  EXPECT_NE(ProMdlSave(mdl), PRO_TK_NO_ERROR);
}

TEST_F(ModelFunctionsTest, SavingWritesTheNextVersion) {
  // A copy, so that the saved version lands beside it and not in the sources.
  tavtest::TempDir dir;
  tavtest::WriteFile(dir.file("washer.prt.1"),
                     tavtest::ReadFile(tavtest::SampleModelsDir() + "washer.prt.1"));
  const std::wstring path = tkclient::FromUtf8(dir.file("washer.prt.1"));
  ProMdl mdl = Load(path.c_str());
  ASSERT_EQ(ProMdlSave(mdl), PRO_TK_NO_ERROR);
  ProMdldata data;
  ASSERT_EQ(ProMdlDataGet(mdl, &data), PRO_TK_NO_ERROR);
  EXPECT_EQ(data.version, 2);
  EXPECT_FALSE(tavtest::ReadFile(dir.file("washer.prt.2")).empty());
}

}  // namespace
}  // namespace clienttest
