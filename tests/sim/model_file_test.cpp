// Model files on disk: naming, versions, the search path, saving, malformed files.
#include "sim/model_file.h"

#include <ProObjects.h>
#include <filesystem>

#include <gtest/gtest.h>

#include "sim/store.h"
#include "tests/support/temp_dir.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

std::string Sample(const std::string& file) {
  return tavtest::ReadFile(std::string(TAV_SOURCE_DIR) + "/samples/models/" + file);
}

class ModelFileTest : public ::testing::Test {
 protected:
  void SetUp() override { store_.SetWorkingDir(dir_.path()); }

  void Put(const std::string& dir, const std::string& file, const std::string& text) {
    fs::create_directories(dir);
    tavtest::WriteFile(DirWithSlash(dir) + file, text);
  }
  void PutSample(const std::string& dir, const std::string& file) { Put(dir, file, Sample(file)); }

  // A part whose REVISION parameter tells which file it came from.
  std::string PartText(const std::string& name, const std::string& revision) {
    return R"({"format": "tavproe-model", "name": ")" + name +
           R"(", "type": "PRT", "parameters": [{"name": "REVISION", "value": ")" + revision +
           R"("}]})";
  }
  std::string Revision(int mdl) {
    ParamRef p;
    ParamValue v;
    Item owner;
    EXPECT_EQ(store_.ModelToItem(mdl, &owner), PRO_TK_NO_ERROR);
    EXPECT_EQ(store_.ParamInit(owner, "REVISION", &p), PRO_TK_NO_ERROR);
    EXPECT_EQ(store_.ParamValueGet(p, &v), PRO_TK_NO_ERROR);
    return v.s;
  }

  tavtest::TempDir dir_;
  Store store_;
};

// What a good path names is met by every load and save below and the client's.
TEST_F(ModelFileTest, RefusesPathsThatNameNoModelFile) {
  ModelPath p;
  for (const char* bad : {"", "/m/", "a.xyz", "a.prt.x", "a.prt.0", "a.prt.1.2", ".prt"})
    EXPECT_FALSE(SplitModelPath(bad, &p)) << bad;
}

TEST_F(ModelFileTest, LoadsTheHighestVersionUnlessOneIsNamed) {
  Put(dir_.path(), "gear.prt.1", PartText("GEAR", "A"));
  Put(dir_.path(), "gear.prt.3", PartText("GEAR", "C"));
  Put(dir_.path(), "gear.prt.2", PartText("GEAR", "B"));
  int h = 0;
  ASSERT_EQ(store_.Load("gear", PRO_MDL_PART, &h), PRO_TK_NO_ERROR);
  EXPECT_EQ(Revision(h), "C");
  EXPECT_EQ(store_.Find(h)->version, 3);
  ASSERT_EQ(store_.Erase(h), PRO_TK_NO_ERROR);
  ASSERT_EQ(store_.Load(dir_.path() + "gear.prt.2", PRO_MDL_UNUSED, &h), PRO_TK_NO_ERROR);
  EXPECT_EQ(Revision(h), "B");
  ASSERT_EQ(store_.Erase(h), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.Load("gear.prt.4", PRO_MDL_UNUSED, &h), PRO_TK_E_NOT_FOUND);
}

TEST_F(ModelFileTest, SaveWritesTheNextVersionAndNeverOverwrites) {
  Put(dir_.path(), "gear.prt.1", PartText("GEAR", "A"));
  const std::string v1 = tavtest::ReadFile(dir_.file("gear.prt.1"));
  int h = 0;
  ASSERT_EQ(store_.Load("gear.prt", PRO_MDL_UNUSED, &h), PRO_TK_NO_ERROR);
  int version = 0;
  ASSERT_EQ(store_.Save(h, &version), PRO_TK_NO_ERROR);
  EXPECT_EQ(version, 2);
  EXPECT_EQ(tavtest::ReadFile(dir_.file("gear.prt.1")), v1);
  // Someone else wrote version 5 meanwhile: ours goes above it.
  Put(dir_.path(), "gear.prt.5", PartText("GEAR", "X"));
  const std::string v5 = tavtest::ReadFile(dir_.file("gear.prt.5"));
  ASSERT_EQ(store_.Save(h, &version), PRO_TK_NO_ERROR);
  EXPECT_EQ(version, 6);
  EXPECT_EQ(tavtest::ReadFile(dir_.file("gear.prt.5")), v5);
}

TEST_F(ModelFileTest, SavingANewModelWritesVersionOneInTheWorkingDirectory) {
  int h = 0;
  ASSERT_EQ(store_.Create("neu", PRO_MDL_ASSEMBLY, &h), PRO_TK_NO_ERROR);
  ModelData d;
  ASSERT_EQ(store_.DataGet(h, &d), PRO_TK_NO_ERROR);
  EXPECT_EQ(d.version, 0);
  EXPECT_EQ(d.path, dir_.path());
  int v = 0;
  ASSERT_EQ(store_.Save(h, &v), PRO_TK_NO_ERROR);
  EXPECT_EQ(v, 1);
  EXPECT_TRUE(fs::exists(dir_.file("neu.asm.1")));
}

TEST_F(ModelFileTest, SaveFailsCleanlyWhenTheDirectoryIsGone) {
  const std::string sub = dir_.path() + "gone/";
  Put(sub, "gear.prt.1", PartText("GEAR", "A"));
  int h = 0;
  ASSERT_EQ(store_.Load(sub + "gear.prt", PRO_MDL_UNUSED, &h), PRO_TK_NO_ERROR);
  fs::remove_all(sub);
  EXPECT_EQ(store_.Save(h), PRO_TK_CANT_WRITE);
  EXPECT_EQ(store_.Find(h)->version, 1);
  EXPECT_FALSE(store_.last_error().empty());
}

TEST_F(ModelFileTest, EverySampleSurvivesASaveAndReload) {
  for (const auto& e : fs::directory_iterator(std::string(TAV_SOURCE_DIR) + "/samples/models"))
    fs::copy_file(e.path(), dir_.path() + e.path().filename().string());
  int drw = 0;
  ASSERT_EQ(store_.Load("plate.drw", PRO_MDL_UNUSED, &drw), PRO_TK_NO_ERROR) << store_.last_error();
  ASSERT_EQ(store_.AllModels().size(), 7u);
  for (int h : store_.AllModels()) ASSERT_EQ(store_.Save(h), PRO_TK_NO_ERROR);
  Store other;
  other.SetWorkingDir(dir_.path());
  int drw2 = 0;
  ASSERT_EQ(other.Load("plate.drw", PRO_MDL_UNUSED, &drw2), PRO_TK_NO_ERROR) << other.last_error();
  for (int h : store_.AllModels()) {
    const Model& m = *store_.Find(h);
    int h2 = 0;
    ASSERT_EQ(other.Init(m.name, m.type, &h2), PRO_TK_NO_ERROR) << m.name;
    EXPECT_EQ(other.Find(h2)->version, 2) << m.name;
    EXPECT_TRUE(*other.Find(h2) == m) << m.name;
  }
}

TEST_F(ModelFileTest, ComponentsAreFoundBesideTheAssemblyFirstThenAlongTheSearchPath) {
  const std::string asm_dir = dir_.path() + "asm/";
  const std::string lib = dir_.path() + "lib/";
  PutSample(asm_dir, "fastener.asm.1");
  Put(asm_dir, "bolt.prt.1", PartText("BOLT", "beside the assembly"));
  Put(dir_.path(), "bolt.prt.7", PartText("BOLT", "working directory"));
  PutSample(lib, "washer.prt.1");
  PutSample(lib, "träger.prt.1");
  int h = 0;
  EXPECT_EQ(store_.Load(asm_dir + "fastener.asm", PRO_MDL_UNUSED, &h), PRO_TK_E_NOT_FOUND);
  EXPECT_TRUE(store_.AllModels().empty());
  store_.SetSearchPath({"lib"});  // relative to the working directory
  ASSERT_EQ(store_.Load(asm_dir + "fastener.asm", PRO_MDL_UNUSED, &h), PRO_TK_NO_ERROR)
      << store_.last_error();
  int bolt = 0, washer = 0;
  ASSERT_EQ(store_.Init("BOLT", PRO_MDL_PART, &bolt), PRO_TK_NO_ERROR);
  EXPECT_EQ(Revision(bolt), "beside the assembly");
  ASSERT_EQ(store_.Init("WASHER", PRO_MDL_PART, &washer), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.Find(washer)->dir, lib);
}

TEST_F(ModelFileTest, ABareNameIsLookedForInTheWorkingDirectoryThenTheSearchPath) {
  PutSample(dir_.path() + "a/", "washer.prt.1");
  Put(dir_.path() + "b/", "washer.prt.9", PartText("WASHER", "later dir"));
  store_.SetSearchPath({dir_.path() + "a", dir_.path() + "b"});
  int h = 0;
  ASSERT_EQ(store_.Load("washer", PRO_MDL_PART, &h), PRO_TK_NO_ERROR);
  EXPECT_EQ(store_.Find(h)->dir, dir_.path() + "a/");
  EXPECT_EQ(store_.Find(h)->version, 1);
}

TEST_F(ModelFileTest, MalformedFilesGiveInvalidFileAndLoadNothing) {
  const char* const bad[] = {
      "[1, 2, 3]",
      R"({"name": "GEAR", "type": "PRT"})",  // no format marker
      R"({"format": "tavproe-model", "format_version": 9})",
      R"({"format": "tavproe-model", "name": "OTHER"})",
      R"({"format": "tavproe-model", "type": "ASM"})",
      R"({"format": "tavproe-model", "features": {}})",
      R"({"format": "tavproe-model", "features": [{"id": "one"}]})",
      R"({"format": "tavproe-model", "features": [{"id": 1}, {"id": 1}]})",
      R"({"format": "tavproe-model", "features": [{"id": 1, "type": 1000}]})",
      R"({"format": "tavproe-model", "features": [{"id": 1, "status": "sleeping"}]})",
      R"({"format": "tavproe-model", "features": [{"id": 1, "name": )"
      R"("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456"}]})",
      R"({"format": "tavproe-model", "features": [{"id": 1, "dimensions": [{"symbol": )"
      R"("d0"}, {"symbol": "D0"}]}]})",
      R"({"format": "tavproe-model", "features": [{"id": 1, "shown_dimensions": [4]}]})",
      R"({"format": "tavproe-model", "relations": ["d0 = ("]})",
      R"({"format": "tavproe-model", "parameters": [{"name": "A", "type": "integer", )"
      R"("value": 1.5}]})",
      R"({"format": "tavproe-model", "parameters": [{"name": "A", "value": 1}, )"
      R"({"name": "a", "value": 2}]})",
      R"({"format": "tavproe-model", "parameters": [{"name": "A"}]})",
      R"({"format": "tavproe-model", "solids": [{"name": "X", "type": "PRT"}]})",
  };
  int n = 0;
  for (const char* text : bad) {
    const std::string file = "bad" + std::to_string(++n) + ".prt.1";
    Put(dir_.path(), file, text);
    int h = 0;
    EXPECT_EQ(store_.Load(file, PRO_MDL_UNUSED, &h), PRO_TK_INVALID_FILE) << text;
    EXPECT_FALSE(store_.last_error().empty()) << text;
  }
  EXPECT_TRUE(store_.AllModels().empty());
}

// A model loads with everything it uses, or nothing loads.
TEST_F(ModelFileTest, AnAssemblyThatCannotBeReadWholeLoadsNothing) {
  const std::string uses = R"({"format": "tavproe-model", "features": [{"id": 1, )"
                           R"("type": 1000, "component": )";
  Put(dir_.path(), "loop.asm.1", uses + R"({"name": "LOOP2", "type": "ASM"}}]})");
  Put(dir_.path(), "loop2.asm.1", uses + R"({"name": "LOOP", "type": "ASM"}}]})");
  Put(dir_.path(), "holder.asm.1", uses + R"({"name": "GEAR", "type": "PRT"}}]})");
  fs::create_directories(dir_.path() + "gear.prt.1");
  for (const char* file : {"fastener.asm.1", "bolt.prt.1", "träger.prt.1"})
    PutSample(dir_.path(), file);
  Put(dir_.path(), "washer.prt.1", R"({"format": "tavproe-model", "features": 3})");
  const struct {
    const char* name;
    ProError code;
    const char* reason;  // a part of last_error()
  } cases[] = {
      {"loop.asm", PRO_TK_INVALID_FILE, "contains it"},
      {"fastener.asm", PRO_TK_INVALID_FILE, "washer.prt.1"},  // a malformed component
      {"holder.asm", PRO_TK_CANT_OPEN, "gear.prt.1"},         // a directory in place of a file
  };
  for (const auto& c : cases) {
    int h = 0;
    EXPECT_EQ(store_.Load(c.name, PRO_MDL_UNUSED, &h), c.code) << c.name;
    EXPECT_NE(store_.last_error().find(c.reason), std::string::npos) << store_.last_error();
  }
  EXPECT_TRUE(store_.AllModels().empty());
}

TEST_F(ModelFileTest, HandWrittenFilesMayLeaveOutIdsAndSymbols) {
  Put(dir_.path(), "block.prt.1",
      R"({"format": "tavproe-model", "features": [)"
      R"({"type": 917, "dimensions": [{"value": 10}, {"value": 20}]},)"
      R"({"type": 911, "dimensions": [{"value": 5, "type": "diameter"}], )"
      R"("shown_dimensions": [0]}]})");
  int h = 0;
  ASSERT_EQ(store_.Load("block.prt", PRO_MDL_UNUSED, &h), PRO_TK_NO_ERROR) << store_.last_error();
  const Model& m = *store_.Find(h);
  ASSERT_EQ(m.features.size(), 2u);
  EXPECT_EQ(m.features[0].id, 1);
  EXPECT_EQ(m.features[1].id, 2);
  EXPECT_EQ(m.features[0].type_name, "PROTRUSION");
  EXPECT_EQ(m.features[1].dims, (std::vector<int>{2, 0}));
  EXPECT_EQ(m.dimensions[2].symbol, "d2");
  EXPECT_EQ(m.dimensions[2].dim_type, 4);
}

}  // namespace
}  // namespace sim
