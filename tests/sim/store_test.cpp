// The model store where its rules reach further than one toolkit call shows:
// what erasing takes along, and regeneration across an assembly. Each toolkit
// function's own answers are covered end to end by the client tests, and lookups
// as parameters go and come back by the exchange tests' random round trip.
#include "sim/store.h"

#include <ProFeatType.h>
#include <ProObjects.h>
#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

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
  int Init(const std::string& name, int type) {
    int h = 0;
    EXPECT_EQ(store_.Init(name, type, &h), PRO_TK_NO_ERROR) << name;
    return h;
  }
  Item Dim(int mdl, int id) { return Item{PRO_DIMENSION, id, mdl}; }
  double Value(int mdl, int id) {
    const Dimension* d = nullptr;
    EXPECT_EQ(store_.GetDimension(Dim(mdl, id), &d), PRO_TK_NO_ERROR);
    return d ? d->value : NAN;
  }
  std::vector<Model> Snapshot() {
    std::vector<Model> out;
    for (int h : store_.AllModels()) out.push_back(*store_.Find(h));
    return out;
  }
  // The names of the models that differ from `before`.
  std::vector<std::string> Changed(const std::vector<Model>& before) {
    std::vector<std::string> out;
    const std::vector<Model> now = Snapshot();
    for (size_t k = 0; k < before.size(); ++k)
      if (k >= now.size() || !(now[k] == before[k])) out.push_back(before[k].name);
    return out;
  }

  tavtest::TempDir dir_;
  Store store_;
};

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
  EXPECT_EQ(store_.Erase(Init("FASTENER", PRO_MDL_ASSEMBLY)), PRO_TK_E_IN_USE);
  std::vector<int> erased;
  ASSERT_EQ(store_.Erase(plate, &erased), PRO_TK_NO_ERROR);
  EXPECT_EQ(erased.size(), 5u);
  std::vector<std::string> names;
  for (const Model& m : Snapshot()) names.push_back(m.name);
  EXPECT_EQ(names, (std::vector<std::string>{"BOLT", "HOLDER"}));
  EXPECT_GT(Load("plate.asm"), h) << "handles are never reused";
}

TEST_F(StoreTest, RegenerationChangesAllModelsOfATreeOrNone) {
  const int plate = Load("plate.asm");
  const std::vector<Model> loaded = Snapshot();
  std::string error;
  ASSERT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_NO_ERROR) << error;
  EXPECT_EQ(Changed(loaded), std::vector<std::string>{}) << "the samples regenerate to themselves";
  const int bracket = Init("BRACKET", PRO_MDL_PART), washer = Init("WASHER", PRO_MDL_PART);
  ASSERT_EQ(store_.DimensionValueSet(Dim(bracket, 0), 300.0), PRO_TK_NO_ERROR);
  // A good change to the assembly and a bad relation in one of its parts.
  ASSERT_EQ(store_.DimensionValueSet(Dim(plate, 0), 50.0), PRO_TK_NO_ERROR);
  Item owner, rs;
  ASSERT_EQ(store_.ModelToItem(washer, &owner), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.RelsetCreate(owner, &rs), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.RelsetLinesSet(rs, {"d2 = d0 / (d1 - 8.4)"}), PRO_TK_NO_ERROR);
  const std::vector<Model> before = Snapshot();
  EXPECT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_GENERAL_ERROR);
  EXPECT_NE(error.find("division by zero"), std::string::npos) << error;
  EXPECT_EQ(Changed(before), std::vector<std::string>{});
  EXPECT_DOUBLE_EQ(Value(bracket, 1), 60.0);
  // Fixing the washer lets the whole tree regenerate.
  ASSERT_EQ(store_.RelsetLinesSet(rs, {"d2 = d0 / 10"}), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_NO_ERROR) << error;
  EXPECT_DOUBLE_EQ(Value(bracket, 1), 150.0);
  EXPECT_DOUBLE_EQ(Value(plate, 1), 130.0);
  EXPECT_DOUBLE_EQ(Value(washer, 2), 1.6);
}

}  // namespace
}  // namespace sim
