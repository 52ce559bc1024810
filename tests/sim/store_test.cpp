// The model store where its rules reach further than one toolkit call shows:
// what erasing takes along, regeneration across an assembly, and parameter edits
// against a plain reference model. Each toolkit function's own answers are
// covered end to end by the client tests.
#include "sim/store.h"

#include <ProFeatType.h>
#include <ProObjects.h>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>

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
  Item ModelItem(int mdl) {
    Item it;
    EXPECT_EQ(store_.ModelToItem(mdl, &it), PRO_TK_NO_ERROR);
    return it;
  }
  std::vector<Model> Snapshot() {
    std::vector<Model> out;
    for (int h : store_.AllModels()) out.push_back(*store_.Find(h));
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

TEST_F(StoreTest, RegeneratingTheSamplesAsTheyAreChangesNothing) {
  const int plate = Load("plate.asm");
  const std::vector<Model> before = Snapshot();
  std::string error;
  ASSERT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_NO_ERROR) << error;
  const std::vector<Model> after = Snapshot();
  for (size_t k = 0; k < before.size(); ++k) {
    EXPECT_TRUE(after[k] == before[k]) << before[k].name;
    EXPECT_FALSE(after[k].modified) << before[k].name;
  }
}

TEST_F(StoreTest, AFailedRegenerationLeavesEveryModelAsBefore) {
  const int plate = Load("plate.asm");
  const int bracket = Init("BRACKET", PRO_MDL_PART), washer = Init("WASHER", PRO_MDL_PART);
  ASSERT_EQ(store_.DimensionValueSet(Dim(bracket, 0), 300.0), PRO_TK_NO_ERROR);
  // A good change to the assembly and a bad relation in one of its parts.
  ASSERT_EQ(store_.DimensionValueSet(Dim(plate, 0), 50.0), PRO_TK_NO_ERROR);
  Item rs;
  ASSERT_EQ(store_.RelsetCreate(ModelItem(washer), &rs), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.RelsetLinesSet(rs, {"d2 = d0 / (d1 - 8.4)"}), PRO_TK_NO_ERROR);
  const std::vector<Model> before = Snapshot();
  std::string error;
  EXPECT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_GENERAL_ERROR);
  EXPECT_NE(error.find("division by zero"), std::string::npos) << error;
  const std::vector<Model> after = Snapshot();
  for (size_t k = 0; k < before.size(); ++k) EXPECT_TRUE(after[k] == before[k]) << before[k].name;
  EXPECT_DOUBLE_EQ(Value(bracket, 1), 60.0);
  // Fixing the washer lets the whole tree regenerate.
  ASSERT_EQ(store_.RelsetLinesSet(rs, {"d2 = d0 / 10"}), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.Regenerate(plate, 0, &error), PRO_TK_NO_ERROR) << error;
  EXPECT_DOUBLE_EQ(Value(bracket, 1), 150.0);
  EXPECT_DOUBLE_EQ(Value(plate, 1), 130.0);
  EXPECT_DOUBLE_EQ(Value(washer, 2), 1.6);
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
      case 0:
        v = ParamValue::Double(static_cast<int>(rng() % 1000) / 8.0);
        break;
      case 1:
        v = ParamValue::Integer(static_cast<int>(rng() % 100) - 50);
        break;
      default:
        v = ParamValue::String("s" + std::to_string(rng() % 10));
        break;
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
