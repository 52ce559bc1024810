// The model store on the sample models: what each toolkit operation does to the
// session and which published code it answers with.
#include "sim/store.h"

#include <ProFeatType.h>
#include <ProFeature.h>
#include <ProObjects.h>
#include <ProParamval.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <random>

#include "sim/model_file.h"
#include "tests/support/temp_dir.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& e : fs::directory_iterator(std::string(TAV_SOURCE_DIR) + "/samples/models"))
      fs::copy_file(e.path(), dir_.path() + e.path().filename().string());
    store_.SetWorkingDir(dir_.path());
  }

  int Load(const std::string& path) {
    int h = 0;
    EXPECT_EQ(store_.Load(path, PRO_MDL_UNUSED, &h), PRO_TK_NO_ERROR) << store_.last_error();
    return h;
  }
  Item Feat(int mdl, int id) { return Item{PRO_FEATURE, id, mdl}; }
  Item Dim(int mdl, int id) { return Item{PRO_DIMENSION, id, mdl}; }
  const Dimension& D(int mdl, int id) {
    const Dimension* d = nullptr;
    EXPECT_EQ(store_.GetDimension(Dim(mdl, id), &d), PRO_TK_NO_ERROR);
    return *d;
  }
  Item ModelItem(int mdl) {
    Item it;
    EXPECT_EQ(store_.ModelToItem(mdl, &it), PRO_TK_NO_ERROR);
    return it;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (int h : store_.AllModels())
      out.push_back(store_.Find(h)->name + "." + ModelTypeText(store_.Find(h)->type));
    return out;
  }

  tavtest::TempDir dir_;
  Store store_;
};

// ---- Loading and the session's models -------------------------------------------

TEST_F(StoreTest, LoadingAnAssemblyBringsInEveryModelItUses) {
  const int plate = Load("plate.asm");
  EXPECT_EQ(Names(), (std::vector<std::string>{"PLATE.ASM", "BRACKET.PRT", "BOLT.PRT", "WASHER.PRT",
                                               "FASTENER.ASM", "TRÄGER.PRT"}));
  EXPECT_TRUE(store_.Find(plate)->explicit_load);
  int bolt = 0;
  ASSERT_EQ(store_.Init("bolt", PRO_MDL_PART, &bolt), PRO_TK_NO_ERROR);
  EXPECT_FALSE(store_.Find(bolt)->explicit_load);
}

TEST_F(StoreTest, LoadingAModelAlreadyInMemoryReturnsTheSameHandle) {
  const int plate = Load("plate.asm");
  int bolt = 0;
  ASSERT_EQ(store_.Init("BOLT", PRO_MDL_PART, &bolt), PRO_TK_NO_ERROR);
  EXPECT_EQ(Load(dir_.path() + "bolt.prt.1"), bolt);
  EXPECT_TRUE(store_.Find(bolt)->explicit_load);
  EXPECT_EQ(Load("PLATE.ASM"), plate);
  EXPECT_EQ(store_.AllModels().size(), 6u);
}

TEST_F(StoreTest, LoadRefusesWhatItCannotFindOrRead) {
  int h = 0;
  EXPECT_EQ(store_.Load("nosuch.prt", PRO_MDL_UNUSED, &h), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(store_.Load("bracket", PRO_MDL_UNUSED, &h), PRO_TK_BAD_INPUTS);  // no type at all
  EXPECT_EQ(store_.Load("bracket.prt", PRO_MDL_ASSEMBLY, &h), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.Load("bracket.xyz", PRO_MDL_UNUSED, &h), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.Load("", PRO_MDL_PART, &h), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.Load(std::string(32, 'a') + ".prt", PRO_MDL_UNUSED, &h), PRO_TK_INVALID_NAME);
  EXPECT_EQ(store_.Load("bracket", PRO_MDL_PART, &h), PRO_TK_NO_ERROR);
}

TEST_F(StoreTest, AnAssemblyWithAMissingComponentLoadsNothing) {
  fs::remove(dir_.path() + "träger.prt.1");
  int h = 0;
  EXPECT_EQ(store_.Load("plate.asm", PRO_MDL_UNUSED, &h), PRO_TK_E_NOT_FOUND);
  EXPECT_NE(store_.last_error().find("träger.prt"), std::string::npos) << store_.last_error();
  EXPECT_TRUE(store_.AllModels().empty());
}

TEST_F(StoreTest, DependenciesAreFirstLevelAndListEachModelOnce) {
  const int plate = Load("plate.asm");
  std::vector<ModelRef> deps;
  ASSERT_EQ(store_.Dependencies(plate, &deps), PRO_TK_NO_ERROR);
  EXPECT_EQ(deps, (std::vector<ModelRef>{{"BRACKET", PRO_MDL_PART}, {"BOLT", PRO_MDL_PART},
                                         {"WASHER", PRO_MDL_PART}, {"FASTENER", PRO_MDL_ASSEMBLY}}));
  int bracket = 0;
  ASSERT_EQ(store_.Init("Bracket", PRO_MDL_PART, &bracket), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.Dependencies(bracket, &deps), PRO_TK_NO_ERROR);
  EXPECT_TRUE(deps.empty());
}

TEST_F(StoreTest, SessionModelListSaysWhenThereAreNone) {
  std::vector<int> list;
  EXPECT_EQ(store_.SessionModels(PRO_MDL_PART, &list), PRO_TK_E_NOT_FOUND);
  Load("washer.prt");
  ASSERT_EQ(store_.SessionModels(PRO_MDL_PART, &list), PRO_TK_NO_ERROR);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(store_.SessionModels(PRO_MDL_ASSEMBLY, &list), PRO_TK_E_NOT_FOUND);
}

TEST_F(StoreTest, ErasingAModelInUseIsRefused) {
  Load("plate.asm");
  int bolt = 0, fastener = 0;
  ASSERT_EQ(store_.Init("BOLT", PRO_MDL_PART, &bolt), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.Init("FASTENER", PRO_MDL_ASSEMBLY, &fastener), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.Erase(bolt), PRO_TK_E_IN_USE);
  EXPECT_EQ(store_.Erase(fastener), PRO_TK_E_IN_USE);
  EXPECT_EQ(store_.AllModels().size(), 6u);
}

TEST_F(StoreTest, ErasingRemovesWhatOnlyItUsesAndKeepsTheRest) {
  const int plate = Load("plate.asm");
  Model holder;
  holder.name = "HOLDER";
  holder.type = PRO_MDL_ASSEMBLY;
  Feature c;
  c.id = 1;
  c.type = PRO_FEAT_COMPONENT;
  c.comp_name = "BOLT";
  c.comp_type = PRO_MDL_PART;
  holder.features.push_back(c);
  int h = 0;
  ASSERT_EQ(store_.Adopt(holder, &h), PRO_TK_NO_ERROR);
  std::vector<int> erased;
  ASSERT_EQ(store_.Erase(plate, &erased), PRO_TK_NO_ERROR);
  EXPECT_EQ(erased.size(), 5u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"BOLT.PRT", "HOLDER.ASM"}));
  int again = 0;
  EXPECT_GT(Load("plate.asm"), h) << "handles are never reused";
  ASSERT_EQ(store_.Init("PLATE", PRO_MDL_ASSEMBLY, &again), PRO_TK_NO_ERROR);
}

TEST_F(StoreTest, NewModelsAreEmptyAndNamesAreUnique) {
  int h = 0;
  ASSERT_EQ(store_.Create("gehäuse", PRO_MDL_PART, &h), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.Find(h)->name, "GEHÄUSE");
  EXPECT_TRUE(store_.Find(h)->features.empty());
  EXPECT_EQ(store_.Create("GEHÄUSE", PRO_MDL_PART, &h), PRO_TK_E_FOUND);
  EXPECT_EQ(store_.Create("GEHÄUSE", PRO_MDL_ASSEMBLY, &h), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.Create("bad name", PRO_MDL_PART, &h), PRO_TK_INVALID_NAME);
  EXPECT_EQ(store_.Create(std::string(32, 'x'), PRO_MDL_PART, &h), PRO_TK_LINE_TOO_LONG);
  EXPECT_EQ(store_.Create("x", 7, &h), PRO_TK_BAD_INPUTS);
}

// ---- Features -------------------------------------------------------------------------

TEST_F(StoreTest, FeatureStatusListCoversEveryFeatureInOrder) {
  const int b = Load("bracket.prt");
  std::vector<int> ids, statuses;
  ASSERT_EQ(store_.FeatureStatuses(b, &ids, &statuses), PRO_TK_NO_ERROR);
  EXPECT_EQ(ids, (std::vector<int>{1, 3, 5, 7, 9, 40, 67, 90, 112, 130, 145, 160}));
  EXPECT_EQ(statuses.back(), PRO_FEAT_SUPPRESSED);
  EXPECT_EQ(statuses.front(), PRO_FEAT_ACTIVE);
  std::vector<int> failed;
  ASSERT_EQ(store_.FailedFeatures(b, &failed), PRO_TK_NO_ERROR);
  EXPECT_EQ(failed, std::vector<int>{145});
  const int w = Load("washer.prt");
  EXPECT_EQ(store_.FailedFeatures(w, &failed), PRO_TK_E_NOT_FOUND);
}

TEST_F(StoreTest, FeatureNamesAreCheckedLikeTheCadSystemDoes) {
  const int b = Load("bracket.prt");
  EXPECT_EQ(store_.ItemNameSet(Feat(b, 1), std::string(31, 'A')), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.ItemNameSet(Feat(b, 1), std::string(32, 'A')), PRO_TK_LINE_TOO_LONG);
  EXPECT_EQ(store_.ItemNameSet(Feat(b, 1), "loch_ø8"), PRO_TK_E_FOUND);
  EXPECT_EQ(store_.ItemNameSet(Feat(b, 1), "BRACKET.PRT"), PRO_TK_INVALID_NAME);
  EXPECT_EQ(store_.ItemNameSet(Feat(b, 1), ""), PRO_TK_INVALID_NAME);
  EXPECT_EQ(store_.ItemNameSet(Feat(b, 999), "X"), PRO_TK_BAD_INPUTS);
  ASSERT_EQ(store_.ItemNameSet(Feat(b, 1), "mittelebene"), PRO_TK_NO_ERROR);
  std::string name;
  ASSERT_EQ(store_.ItemNameGet(Feat(b, 1), &name), PRO_TK_NO_ERROR);
  EXPECT_EQ(name, "MITTELEBENE");
  EXPECT_EQ(store_.ItemNameSet(Feat(b, 1), "---"), PRO_TK_NO_ERROR);
  EXPECT_TRUE(store_.Find(b)->modified);
}

// ---- Dimensions ----------------------------------------------------------------------

TEST_F(StoreTest, DimensionsOfAFeatureInOrderWithReferenceDimensionsTyped) {
  const int b = Load("bracket.prt");
  std::vector<Item> dims;
  ASSERT_EQ(store_.FeatureDimensions(Feat(b, 9), &dims), PRO_TK_NO_ERROR);
  ASSERT_EQ(dims.size(), 4u);
  EXPECT_EQ(dims[0], Dim(b, 0));
  EXPECT_EQ(dims[3], (Item{PRO_REF_DIMENSION, 16, b}));
  ASSERT_EQ(store_.FeatureDimensions(Feat(b, 1), &dims), PRO_TK_NO_ERROR);
  EXPECT_TRUE(dims.empty());
  Item it;
  EXPECT_EQ(store_.ModelitemInit(b, 16, PRO_DIMENSION, &it), PRO_TK_NOT_EXIST);
  EXPECT_EQ(store_.ModelitemInit(b, 16, PRO_REF_DIMENSION, &it), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.ModelitemInit(b, 5, PRO_DIMENSION, &it), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.ModelitemInit(b, 99, PRO_DIMENSION, &it), PRO_TK_NOT_EXIST);
  EXPECT_EQ(store_.ModelitemInit(b, 9, PRO_FEATURE, &it), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.ModelitemInit(b, b, PRO_PART, &it), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.ModelitemInit(b, 1, PRO_EDGE, &it), PRO_TK_BAD_INPUTS);
}

TEST_F(StoreTest, DimensionValuesToleranceAndRelationMarksComeFromTheFile) {
  const int b = Load("bracket.prt");
  EXPECT_DOUBLE_EQ(D(b, 0).value, 120.0);
  EXPECT_EQ(D(b, 0).tol_type, PRO_TOL_PLUS_MINUS);
  EXPECT_DOUBLE_EQ(D(b, 2).upper, 0.05);
  EXPECT_DOUBLE_EQ(D(b, 2).lower, 0.1);
  EXPECT_EQ(D(b, 5).dim_type, 4);  // diameter
  EXPECT_EQ(D(b, 13).dim_type, 21);  // angle
  EXPECT_FALSE(D(b, 0).rel_driven);
  EXPECT_TRUE(D(b, 1).rel_driven);   // model relation
  EXPECT_TRUE(D(b, 8).rel_driven);   // relation of feature 90
  EXPECT_FALSE(D(b, 15).rel_driven);
}

TEST_F(StoreTest, ReferenceAndDrivenDimensionsCannotBeModified) {
  const int b = Load("bracket.prt");
  const Item ref{PRO_REF_DIMENSION, 16, b};
  EXPECT_EQ(store_.DimensionValueSet(ref, 1.0), PRO_TK_BAD_CONTEXT);
  EXPECT_EQ(store_.DimensionToleranceSet(ref, 0.1, 0.1), PRO_TK_BAD_CONTEXT);
  int tol = 0;
  EXPECT_EQ(store_.DimensionToltypeGet(ref, &tol), PRO_TK_BAD_CONTEXT);
  EXPECT_EQ(store_.DimensionValueSet(Dim(b, 8), 9.0), PRO_TK_BAD_CONTEXT);
  EXPECT_EQ(store_.DimensionValueSet(Dim(b, 0), NAN), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.DimensionValueSet(Dim(b, 77), 1.0), PRO_TK_BAD_INPUTS);
  ASSERT_EQ(store_.DimensionValueSet(Dim(b, 0), 150.0), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.DimensionToleranceSet(Dim(b, 0), 0.3, 0.2), PRO_TK_NO_ERROR);
  EXPECT_DOUBLE_EQ(D(b, 0).value, 150.0);
  EXPECT_DOUBLE_EQ(D(b, 0).upper, 0.3);
  EXPECT_DOUBLE_EQ(D(b, 0).lower, 0.2);
}

TEST_F(StoreTest, SymbolsAreLowerCaseAndUniqueInTheModel) {
  const int b = Load("bracket.prt");
  EXPECT_EQ(store_.DimensionSymbolSet(Dim(b, 4), "D0"), PRO_TK_NO_CHANGE);
  EXPECT_EQ(store_.DimensionSymbolSet(Dim(b, 4), ""), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.DimensionSymbolSet(Dim(b, 4), "2x"), PRO_TK_BAD_INPUTS);
  ASSERT_EQ(store_.DimensionSymbolSet(Dim(b, 4), "Slot_Depth"), PRO_TK_NO_ERROR);
  EXPECT_EQ(D(b, 4).symbol, "slot_depth");
  EXPECT_EQ(store_.DimensionSymbolSet(Dim(b, 4), "d4"), PRO_TK_NO_ERROR);
  std::string name;
  ASSERT_EQ(store_.ItemNameGet(Dim(b, 4), &name), PRO_TK_NO_ERROR);
  EXPECT_EQ(name, "d4");
  EXPECT_EQ(store_.ItemNameSet(Dim(b, 4), "d5"), PRO_TK_E_FOUND);
}

TEST_F(StoreTest, RenamingADrivenDimensionFreesIt) {
  const int b = Load("bracket.prt");
  ASSERT_EQ(store_.DimensionSymbolSet(Dim(b, 1), "width"), PRO_TK_NO_ERROR);
  EXPECT_FALSE(D(b, 1).rel_driven);
  std::string error;
  EXPECT_EQ(store_.Regenerate(b, 0, &error), PRO_TK_GENERAL_ERROR);  // "d1" is gone
  EXPECT_NE(error.find("d1"), std::string::npos) << error;
}

// ---- Parameters -----------------------------------------------------------------------

TEST_F(StoreTest, ParametersAreFoundWithoutRegardToCase) {
  const int b = Load("bracket.prt");
  ParamRef p;
  ASSERT_EQ(store_.ParamInit(ModelItem(b), "matériau", &p), PRO_TK_NO_ERROR);
  EXPECT_EQ(p.name, "MATÉRIAU");
  ParamValue v;
  ASSERT_EQ(store_.ParamValueGet(p, &v), PRO_TK_NO_ERROR);
  EXPECT_EQ(v, ParamValue::String("S235JR"));
  EXPECT_EQ(store_.ParamInit(ModelItem(b), "NOSUCH", &p), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(store_.ParamInit(ModelItem(b), "", &p), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.ParamInit(Feat(b, 999), "FIT", &p), PRO_TK_BAD_CONTEXT);
  ASSERT_EQ(store_.ParamInit(Feat(b, 67), "fit", &p), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.ParamValueGet(p, &v), PRO_TK_NO_ERROR);
  EXPECT_EQ(v, ParamValue::String("H7"));
}

TEST_F(StoreTest, ValueSetRefusesAValueOfAnotherType) {
  const int b = Load("bracket.prt");
  ParamRef p;
  ASSERT_EQ(store_.ParamInit(ModelItem(b), "PART_NO", &p), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.ParamValueSet(p, ParamValue::Double(5.0)), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.ParamValueSet(p, ParamValue::String("5")), PRO_TK_BAD_INPUTS);
  ASSERT_EQ(store_.ParamValueSet(p, ParamValue::Integer(-3)), PRO_TK_NO_ERROR);
  ParamValue v;
  ASSERT_EQ(store_.ParamValueGet(p, &v), PRO_TK_NO_ERROR);
  EXPECT_EQ(v, ParamValue::Integer(-3));
  ASSERT_EQ(store_.ParamInit(ModelItem(b), "REVISION", &p), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.ParamValueSet(p, ParamValue::String(std::string(80, 'x'))), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.ParamValueSet(p, ParamValue::String(std::string(79, 'x'))), PRO_TK_NO_ERROR);
  ParamRef gone{ModelItem(b), "GONE"};
  EXPECT_EQ(store_.ParamValueSet(gone, ParamValue::Integer(1)), PRO_TK_GENERAL_ERROR);
  ParamRef no_owner{Feat(b, 2), "FIT"};
  EXPECT_EQ(store_.ParamValueGet(no_owner, &v), PRO_TK_E_NOT_FOUND);
}

TEST_F(StoreTest, CreateAndDeleteParameters) {
  const int b = Load("bracket.prt");
  ParamRef p;
  EXPECT_EQ(store_.ParamCreate(ModelItem(b), "Revision", ParamValue::String("C"), &p), PRO_TK_E_FOUND);
  EXPECT_EQ(store_.ParamCreate(ModelItem(b), "d7", ParamValue::Double(1), &p), PRO_TK_INVALID_NAME);
  EXPECT_EQ(store_.ParamCreate(ModelItem(b), "TWO WORDS", ParamValue::Double(1), &p), PRO_TK_INVALID_NAME);
  EXPECT_EQ(store_.ParamCreate(ModelItem(b), std::string(32, 'P'), ParamValue::Double(1), &p), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.ParamCreate(Feat(b, 2), "X", ParamValue::Double(1), &p), PRO_TK_BAD_CONTEXT);
  ParamValue bad;
  bad.type = 55;
  EXPECT_EQ(store_.ParamCreate(ModelItem(b), "X", bad, &p), PRO_TK_BAD_INPUTS);
  ASSERT_EQ(store_.ParamCreate(ModelItem(b), "Gewicht_kg", ParamValue::Double(1.5), &p), PRO_TK_NO_ERROR);
  EXPECT_EQ(p.name, "GEWICHT_KG");
  ASSERT_EQ(store_.ParamCreate(Feat(b, 9), "Gewicht_kg", ParamValue::Boolean(true), &p), PRO_TK_NO_ERROR);
  ParamRef model_param{ModelItem(b), "gewicht_kg"};
  ASSERT_EQ(store_.ParamDelete(model_param), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.ParamDelete(model_param), PRO_TK_GENERAL_ERROR);
  EXPECT_EQ(store_.ParamDelete(ParamRef{Feat(b, 2), "X"}), PRO_TK_E_NOT_FOUND);
  // Deleted and created again in one go, as an update does.
  ASSERT_EQ(store_.ParamCreate(ModelItem(b), "GEWICHT_KG", ParamValue::Integer(2), &p), PRO_TK_NO_ERROR);
  std::vector<std::string> names;
  ASSERT_EQ(store_.ParamList(ModelItem(b), &names), PRO_TK_NO_ERROR);
  EXPECT_EQ(names.back(), "GEWICHT_KG");
}

// ---- Relations ------------------------------------------------------------------------

TEST_F(StoreTest, ALineThatDoesNotParseLeavesTheSetUnchanged) {
  const int b = Load("bracket.prt");
  const Model before = *store_.Find(b);
  Item rs;
  ASSERT_EQ(store_.ItemToRelset(ModelItem(b), &rs), PRO_TK_NO_ERROR);
  int bad = -1;
  EXPECT_EQ(store_.RelsetLinesSet(rs, {"d1 = d0 / 3", "d2 = (d0", "d4 = 1"}, &bad), PRO_TK_GENERAL_ERROR);
  EXPECT_EQ(bad, 1);
  EXPECT_TRUE(*store_.Find(b) == before);
  EXPECT_EQ(store_.RelsetLinesSet(Item{PRO_FEATURE, 9, b}, {"d2 = 1"}), PRO_TK_E_NOT_FOUND);
}

// ---- Regeneration -----------------------------------------------------------------------

TEST_F(StoreTest, RegenerationAppliesModelThenFeatureRelations) {
  const int b = Load("bracket.prt");
  ASSERT_EQ(store_.DimensionValueSet(Dim(b, 0), 200.0), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.DimensionValueSet(Dim(b, 5), 10.0), PRO_TK_NO_ERROR);
  std::string error;
  ASSERT_EQ(store_.Regenerate(b, 0, &error), PRO_TK_NO_ERROR) << error;
  EXPECT_DOUBLE_EQ(D(b, 1).value, 100.0);
  EXPECT_DOUBLE_EQ(D(b, 3).value, 50.0);
  EXPECT_DOUBLE_EQ(D(b, 8).value, 10.0);
  ParamRef p;
  ParamValue v;
  ASSERT_EQ(store_.ParamInit(ModelItem(b), "MASS_EST", &p), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.ParamValueGet(p, &v), PRO_TK_NO_ERROR);
  EXPECT_NEAR(v.d, 200 * 100 * 8 * 7.85 / 1e6, 1e-12);
}

TEST_F(StoreTest, RegeneratingTheSamplesAsTheyAreChangesNothing) {
  const int plate = Load("plate.asm");
  std::vector<Model> before;
  for (int h : store_.AllModels()) before.push_back(*store_.Find(h));
  std::string error;
  ASSERT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_NO_ERROR) << error;
  for (size_t k = 0; k < before.size(); ++k) {
    EXPECT_TRUE(*store_.Find(store_.AllModels()[k]) == before[k]) << before[k].name;
    EXPECT_FALSE(store_.Find(store_.AllModels()[k])->modified) << before[k].name;
  }
}

TEST_F(StoreTest, AFailedRegenerationLeavesEveryModelAsBefore) {
  const int plate = Load("plate.asm");
  int bracket = 0;
  ASSERT_EQ(store_.Init("BRACKET", PRO_MDL_PART, &bracket), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.DimensionValueSet(Dim(bracket, 0), 300.0), PRO_TK_NO_ERROR);
  // A good change to the assembly and a bad relation in one of its parts.
  ASSERT_EQ(store_.DimensionValueSet(Dim(plate, 0), 50.0), PRO_TK_NO_ERROR);
  int washer = 0;
  ASSERT_EQ(store_.Init("WASHER", PRO_MDL_PART, &washer), PRO_TK_NO_ERROR);
  Item rs;
  ASSERT_EQ(store_.RelsetCreate(ModelItem(washer), &rs), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.RelsetLinesSet(rs, {"d2 = d0 / (d1 - 8.4)"}), PRO_TK_NO_ERROR);
  std::vector<Model> before;
  for (int h : store_.AllModels()) before.push_back(*store_.Find(h));
  std::string error;
  EXPECT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_GENERAL_ERROR);
  EXPECT_NE(error.find("division by zero"), std::string::npos) << error;
  for (size_t k = 0; k < before.size(); ++k)
    EXPECT_TRUE(*store_.Find(store_.AllModels()[k]) == before[k]) << before[k].name;
  EXPECT_DOUBLE_EQ(D(bracket, 1).value, 60.0);
  // Fixing the washer lets the whole tree regenerate.
  ASSERT_EQ(store_.RelsetLinesSet(rs, {"d2 = d0 / 10"}), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_NO_ERROR) << error;
  EXPECT_DOUBLE_EQ(D(bracket, 1).value, 150.0);
  EXPECT_DOUBLE_EQ(D(plate, 1).value, 130.0);
  EXPECT_DOUBLE_EQ(D(washer, 2).value, 1.6);
}

TEST_F(StoreTest, RegenerationIsForSolidsOnly) {
  const int drw = Load("plate.drw");
  EXPECT_EQ(store_.Regenerate(drw, 0), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(store_.Regenerate(12345, 0), PRO_TK_BAD_INPUTS);
}

TEST_F(StoreTest, AdoptRefusesAModelThatBreaksTheRules) {
  Model m;
  m.name = "DUP";
  m.type = PRO_MDL_PART;
  Feature f;
  f.id = 1;
  m.features = {f, f};
  int h = 0;
  EXPECT_EQ(store_.Adopt(m, &h), PRO_TK_INVALID_FILE);
  m.features = {f};
  m.features[0].dims = {4};
  EXPECT_EQ(store_.Adopt(m, &h), PRO_TK_INVALID_FILE);
  m.features[0].dims.clear();
  ASSERT_EQ(store_.Adopt(m, &h), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.Adopt(m, &h), PRO_TK_E_FOUND);
}

// Random parameter edits applied to the store and to a plain map side by side;
// the first step where they disagree is reported.
TEST_F(StoreTest, RandomParameterEditsMatchAPlainReferenceModel) {
  const int b = Load("washer.prt");
  const Item owner = ModelItem(b);
  std::map<std::string, ParamValue> expected;
  for (const Parameter& p : store_.Find(b)->params) expected[p.name] = p.value;
  const char* const names[] = {"A", "b", "MASSE", "masse", "DESCRIPTION", "Größe", "SIZE"};
  std::mt19937 rng(20240611);
  for (int step = 0; step < 3000; ++step) {
    const std::string name = names[rng() % 7];
    const std::string key = ToUpper(name);
    ParamValue v;
    switch (rng() % 3) {
      case 0: v = ParamValue::Double(static_cast<int>(rng() % 1000) / 8.0); break;
      case 1: v = ParamValue::Integer(static_cast<int>(rng() % 100) - 50); break;
      default: v = ParamValue::String("s" + std::to_string(rng() % 10)); break;
    }
    const bool exists = expected.count(key) > 0;
    ParamRef ref{owner, name};
    ProError got = PRO_TK_NO_ERROR, want = PRO_TK_NO_ERROR;
    switch (rng() % 4) {
      case 0:
        got = store_.ParamCreate(owner, name, v, nullptr);
        want = exists ? PRO_TK_E_FOUND : PRO_TK_NO_ERROR;
        if (!exists) expected[key] = v;
        break;
      case 1:
        got = store_.ParamDelete(ref);
        want = exists ? PRO_TK_NO_ERROR : PRO_TK_GENERAL_ERROR;
        expected.erase(key);
        break;
      case 2:
        got = store_.ParamValueSet(ref, v);
        want = !exists ? PRO_TK_GENERAL_ERROR
                       : (expected[key].type == v.type ? PRO_TK_NO_ERROR : PRO_TK_BAD_INPUTS);
        if (want == PRO_TK_NO_ERROR) expected[key] = v;
        break;
      default: {
        ParamValue out;
        got = store_.ParamValueGet(ref, &out);
        want = exists ? PRO_TK_NO_ERROR : PRO_TK_GENERAL_ERROR;
        if (exists) {
          ASSERT_EQ(out, expected[key]) << "step " << step << " " << name;
        }
      }
    }
    ASSERT_EQ(got, want) << "step " << step << " " << name;
    std::vector<std::string> list;
    ASSERT_EQ(store_.ParamList(owner, &list), PRO_TK_NO_ERROR);
    ASSERT_EQ(list.size(), expected.size()) << "step " << step;
  }
}

}  // namespace
}  // namespace sim
