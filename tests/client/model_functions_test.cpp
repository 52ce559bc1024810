// Models, windows, assemblies and drawings against the sample models.
#include <ProArray.h>
#include <ProMdl.h>
#include <ProSolid.h>
#include <ProWindows.h>
#include <string>

#include <gtest/gtest.h>

#include "tests/client/client_fixture.h"
#include "toolkit/client/wide_text.h"

namespace clienttest {
namespace {

ProError LoadAs(std::wstring path, ProMdlType type, ProMdl* mdl) {
  return ProMdlLoad(path.data(), type, PRO_B_FALSE, mdl);
}

class ModelFunctionsTest : public SessionTest {
 protected:
  ProMdl Load(const wchar_t* path) {
    ProMdl mdl = nullptr;
    EXPECT_EQ(LoadAs(path, PRO_MDL_UNUSED, &mdl), PRO_TK_NO_ERROR) << tkclient::ToUtf8(path);
    return mdl;
  }
  ProMdl Init(std::wstring name, ProMdlType type) {
    ProMdl mdl = nullptr;
    EXPECT_EQ(ProMdlInit(name.data(), type, &mdl), PRO_TK_NO_ERROR) << tkclient::ToUtf8(name);
    return mdl;
  }
};

TEST_F(ModelFunctionsTest, LoadsAModelOnceUnderOneHandle) {
  ProMdl mdl = Load(L"bracket.prt");
  ASSERT_NE(mdl, nullptr);
  EXPECT_EQ(Init(L"BRACKET", PRO_MDL_PART), mdl) << "a handle stays the same across calls";
  EXPECT_EQ(Load(L"BRACKET.PRT"), mdl) << "a model in memory is not read again";
  ProMdl retrieved = nullptr;
  ProFamilyName name = L"bracket";
  EXPECT_EQ(ProMdlRetrieve(name, PRO_MDL_PART, &retrieved), PRO_TK_NO_ERROR);
  EXPECT_EQ(retrieved, mdl);
  // A name in other letters than ASCII survives the round trip. (What the data
  // hold otherwise makes the module's model names: its notification tests.)
  ProMdldata data;
  ASSERT_EQ(ProMdlDataGet(Load(L"tr\u00e4ger.prt"), &data), PRO_TK_NO_ERROR);
  EXPECT_STREQ(data.name, L"TR\u00c4GER");
}

TEST_F(ModelFunctionsTest, LoadRefusesWhatNamesNoModelFileAndLeavesTheHandleAlone) {
  const struct {
    const wchar_t* path;
    ProMdlType type;
    ProError want;
  } cases[] = {
      {L"no_such_model.prt", PRO_MDL_UNUSED, PRO_TK_E_NOT_FOUND},
      {L"bracket", PRO_MDL_UNUSED, PRO_TK_BAD_INPUTS},  // no type at all
      {L"bracket.prt", PRO_MDL_ASSEMBLY, PRO_TK_BAD_INPUTS},
      {L"bracket.xyz", PRO_MDL_UNUSED, PRO_TK_BAD_INPUTS},
      {L"", PRO_MDL_PART, PRO_TK_BAD_INPUTS},
      {L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.prt", PRO_MDL_UNUSED, PRO_TK_INVALID_NAME},  // 32
  };
  ProMdl mdl = reinterpret_cast<ProMdl>(0x77);
  for (const auto& c : cases)
    EXPECT_EQ(LoadAs(c.path, c.type, &mdl), c.want) << tkclient::ToUtf8(c.path);
  ProName name = L"NOPE";
  EXPECT_EQ(ProMdlInit(name, PRO_MDL_PART, &mdl), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(mdl, reinterpret_cast<ProMdl>(0x77));
  EXPECT_EQ(LoadAs(L"bracket", PRO_MDL_PART, &mdl), PRO_TK_NO_ERROR) << "the type given apart";
}

TEST_F(ModelFunctionsTest, CurrentModelAndWindowsFollowDisplay) {
  ProMdl current = nullptr;
  EXPECT_EQ(ProMdlCurrentGet(&current), PRO_TK_BAD_CONTEXT);
  ProMdl bracket = Load(L"bracket.prt"), bolt = Load(L"bolt.prt");
  int window = -5;
  EXPECT_EQ(ProMdlWindowGet(bracket, &window), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(window, -5);
  ASSERT_EQ(ProMdlDisplay(bracket), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProMdlCurrentGet(&current), PRO_TK_NO_ERROR);
  EXPECT_EQ(current, bracket);
  int base = 0, bolt_window = 0, cur_window = 0;
  ASSERT_EQ(ProMdlWindowGet(bracket, &base), PRO_TK_NO_ERROR);
  ProMdl shown = nullptr;
  EXPECT_EQ(ProWindowMdlGet(base, &shown), PRO_TK_NO_ERROR);
  EXPECT_EQ(shown, bracket);

  // Each displayed model gets its own window, which becomes current.
  ASSERT_EQ(ProMdlDisplay(bolt), PRO_TK_NO_ERROR);
  ASSERT_EQ(ProMdlWindowGet(bolt, &bolt_window), PRO_TK_NO_ERROR);
  EXPECT_NE(bolt_window, base);
  EXPECT_EQ(ProWindowCurrentGet(&cur_window), PRO_TK_NO_ERROR);
  EXPECT_EQ(cur_window, bolt_window);
  // Setting the current window leaves the current model; activating changes it.
  EXPECT_EQ(ProWindowCurrentSet(base), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProMdlCurrentGet(&current), PRO_TK_NO_ERROR);
  EXPECT_EQ(current, bolt);
  EXPECT_EQ(ProWindowActivate(base), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProMdlCurrentGet(&current), PRO_TK_NO_ERROR);
  EXPECT_EQ(current, bracket);
  EXPECT_EQ(ProWindowActivate(77), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProWindowMdlGet(9999, &shown), PRO_TK_BAD_INPUTS);

  // Closing the base window empties it.
  EXPECT_EQ(ProWindowCurrentClose(), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProWindowMdlGet(base, &shown), PRO_TK_NO_ERROR);
  EXPECT_EQ(shown, nullptr);
  EXPECT_EQ(ProMdlCurrentGet(&current), PRO_TK_BAD_CONTEXT);
  EXPECT_EQ(ProMdlDisplay(nullptr), PRO_TK_E_NOT_FOUND) << "redisplay with nothing current";
}

// The dependency list itself is walked by the module's dependency tests.
TEST_F(ModelFunctionsTest, SessionListComesAsAProArray) {
  ProMdl* parts = nullptr;
  int count = -1;
  EXPECT_EQ(ProSessionMdlList(PRO_MDL_PART, &parts, &count), PRO_TK_E_NOT_FOUND);
  ASSERT_NE(Load(L"plate.asm"), nullptr);
  ASSERT_EQ(ProSessionMdlList(PRO_MDL_PART, &parts, &count), PRO_TK_NO_ERROR);
  EXPECT_EQ(count, 4) << "the assembly brought its parts";
  ProMdlType type;
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(ProMdlTypeGet(parts[i], &type), PRO_TK_NO_ERROR);
    EXPECT_EQ(type, PRO_MDL_PART);
  }
  ProArrayFree(reinterpret_cast<ProArray*>(&parts));
}

// A drawing's solids, and components' models, are read by the module's export tests.
TEST_F(ModelFunctionsTest, DrawingCannotBeRegenerated) {
  ProMdl drw = Load(L"plate.drw");
  EXPECT_EQ(ProSolidRegenerate(static_cast<ProSolid>(drw), PRO_REGEN_NO_FLAGS), PRO_TK_BAD_INPUTS);
}

// What erasing takes along and what it refuses: the store tests.
TEST_F(ModelFunctionsTest, ErasingTakesTheWindowAndLeavesStaleHandlesRefused) {
  ProMdl plate = Load(L"plate.asm");
  ASSERT_EQ(ProMdlDisplay(plate), PRO_TK_NO_ERROR);
  ProMdl bolt = Init(L"BOLT", PRO_MDL_PART);
  ASSERT_EQ(ProMdlEraseAll(plate), PRO_TK_NO_ERROR);
  ProMdl current = nullptr;
  EXPECT_EQ(ProMdlCurrentGet(&current), PRO_TK_BAD_CONTEXT) << "its window went with it";
  // The old handle gives an error, not a crash.
  ProMdlType type = PRO_MDL_PART;
  EXPECT_NE(ProMdlTypeGet(bolt, &type), PRO_TK_NO_ERROR);
  EXPECT_EQ(type, PRO_MDL_UNUSED);
  ProMdldata data;
  EXPECT_NE(ProMdlDataGet(bolt, &data), PRO_TK_NO_ERROR);
  EXPECT_NE(ProMdlSave(bolt), PRO_TK_NO_ERROR);
}

}  // namespace
}  // namespace clienttest
