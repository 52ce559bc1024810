// Features, dimensions, parameters and relations of the sample bracket, and the
// visits that walk them. Relation lines are read, written, refused and regenerated
// through the module's export and import tests.
#include <ProArray.h>
#include <ProFeature.h>
#include <ProMdl.h>
#include <ProMdlUnits.h>
#include <ProModelitem.h>
#include <ProParameter.h>
#include <ProRelSet.h>
#include <ProSolid.h>
#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/client/client_fixture.h"
#include "toolkit/client/wide_text.h"

namespace clienttest {
namespace {

const std::vector<int> kBracketFeatureIds = {1, 3, 5, 7, 9, 40, 67, 90, 112, 130, 145, 160};

class ItemFunctionsTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    std::wstring p = L"bracket.prt";
    ASSERT_EQ(ProMdlLoad(p.data(), PRO_MDL_UNUSED, PRO_B_FALSE, &mdl_), PRO_TK_NO_ERROR);
    solid_ = static_cast<ProSolid>(mdl_);
  }
  ProFeature Feature(int id) {
    ProFeature f{};
    EXPECT_EQ(ProFeatureInit(solid_, id, &f), PRO_TK_NO_ERROR);
    return f;
  }
  ProDimension Dim(int id, ProType type = PRO_DIMENSION) {
    ProDimension d{};
    EXPECT_EQ(ProModelitemInit(mdl_, id, type, &d), PRO_TK_NO_ERROR);
    return d;
  }
  ProMdl mdl_ = nullptr;
  ProSolid solid_ = nullptr;
};

struct Walk {
  std::vector<int> ids;
  std::vector<ProError> statuses;
  int stop_at = -1;          // the action returns PRO_TK_USER_ABORT at this id
  int skip_below = -1;       // the filter skips ids below this
  bool filter_tags = false;  // the filter returns PRO_TK_E_FOUND for visited ones
};

ProError RecordFeature(ProFeature* f, ProError status, ProAppData data) {
  auto* w = static_cast<Walk*>(data);
  w->ids.push_back(f->id);
  w->statuses.push_back(status);
  return f->id == w->stop_at ? PRO_TK_USER_ABORT : PRO_TK_NO_ERROR;
}

ProError FilterFeature(ProFeature* f, ProAppData data) {
  auto* w = static_cast<Walk*>(data);
  if (f->id < w->skip_below) return PRO_TK_CONTINUE;
  return w->filter_tags ? PRO_TK_E_FOUND : PRO_TK_NO_ERROR;
}

TEST_F(ItemFunctionsTest, FeatureVisitFollowsItsFilterAndAction) {
  const struct {
    int stop_at, skip_below;
    bool filter_tags;
    ProError result;
    std::vector<int> ids;
  } cases[] = {
      {-1, -1, false, PRO_TK_NO_ERROR, kBracketFeatureIds},     // every feature, in order
      {-1, 100, true, PRO_TK_NO_ERROR, {112, 130, 145, 160}},   // filter skips, passes status
      {40, -1, false, PRO_TK_USER_ABORT, {1, 3, 5, 7, 9, 40}},  // action's result stops it
      {-1, 100000, false, PRO_TK_E_NOT_FOUND, {}},              // all filtered out
  };
  for (const auto& c : cases) {
    Walk w;
    w.stop_at = c.stop_at;
    w.skip_below = c.skip_below;
    w.filter_tags = c.filter_tags;
    EXPECT_EQ(
        ProSolidFeatVisit(solid_, RecordFeature, c.skip_below < 0 ? nullptr : FilterFeature, &w),
        c.result);
    EXPECT_EQ(w.ids, c.ids) << c.stop_at << " " << c.skip_below;
    for (ProError st : w.statuses) EXPECT_EQ(st, c.filter_tags ? PRO_TK_E_FOUND : PRO_TK_NO_ERROR);
  }
}

ProError ThrowingAction(ProFeature*, ProError, ProAppData) {
  throw std::logic_error("visit broke");
}

TEST_F(ItemFunctionsTest, VisitActionThatThrowsStopsTheWalkWithoutEscaping) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(ProSolidFeatVisit(solid_, ThrowingAction, nullptr, nullptr), PRO_TK_GENERAL_ERROR);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("callback raised: visit broke"),
            std::string::npos);
}

// The other feature queries (types, statuses in order, the failed ones left out)
// are read and compared with the session's own by the module's sample export tests.
TEST_F(ItemFunctionsTest, FeatureVisibility) {
  ProFeature f = Feature(9);
  ProBoolean visible = PRO_B_FALSE;
  EXPECT_EQ(ProFeatureVisibilityGet(&f, &visible), PRO_TK_NO_ERROR);
  EXPECT_EQ(visible, PRO_B_TRUE);
}

ProError RecordDimension(ProDimension* d, ProError, ProAppData data) {
  ProName symbol;
  if (ProDimensionSymbolGet(d, symbol) == PRO_TK_NO_ERROR)
    static_cast<std::vector<std::string>*>(data)->push_back(tkclient::ToUtf8(symbol));
  return PRO_TK_NO_ERROR;
}

// Values, tolerances and symbols otherwise travel through the module's export and
// import tests; these two rules do not.
TEST_F(ItemFunctionsTest, TolerancesChangeTypeAndSymbolsAreNamesInLowerCase) {
  ProDimension d0 = Dim(0), d4 = Dim(4);
  ProDimToleranceType tol;
  EXPECT_EQ(ProDimensionToltypeSet(&d0, PRO_TOL_LIMITS), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProDimensionToltypeGet(&d0, &tol), PRO_TK_NO_ERROR);
  EXPECT_EQ(tol, PRO_TOL_LIMITS);
  ProName slot = L"Slot_Depth", read;
  EXPECT_EQ(ProDimensionSymbolSet(&d4, slot), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProModelitemNameGet(&d4, read), PRO_TK_NO_ERROR);
  EXPECT_STREQ(read, L"slot_depth");
}

TEST_F(ItemFunctionsTest, RenamingADrivenDimensionFreesItAndBreaksItsRelation) {
  ProDimension d1 = Dim(1);
  ProBoolean driven = PRO_B_FALSE;
  EXPECT_EQ(ProDimensionIsReldriven(&d1, &driven), PRO_TK_NO_ERROR);
  EXPECT_EQ(driven, PRO_B_TRUE) << "d1 = d0 / 2";
  ProName width = L"width";
  ASSERT_EQ(ProDimensionSymbolSet(&d1, width), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProDimensionIsReldriven(&d1, &driven), PRO_TK_NO_ERROR);
  EXPECT_EQ(driven, PRO_B_FALSE);
  EXPECT_EQ(ProSolidRegenerate(solid_, PRO_REGEN_NO_FLAGS), PRO_TK_GENERAL_ERROR) << "d1 is gone";
}

ProError RecordParameter(ProParameter* p, ProError, ProAppData data) {
  static_cast<std::vector<std::string>*>(data)->push_back(tkclient::ToUtf8(p->id));
  return PRO_TK_NO_ERROR;
}

// Values of every type and units travel through the module's export tests; that
// names are matched in any case, through the deletion below and tavhost's diff tests.
TEST_F(ItemFunctionsTest, ParametersAreCreatedOnFeaturesAndDeleted) {
  ProFeature hole = Feature(67);
  ProParamvalue v;
  const double depth = 12.5;
  ASSERT_EQ(ProParamvalueSet(&v, &depth, PRO_PARAM_DOUBLE), PRO_TK_NO_ERROR);
  ProParameter p;
  ProName name = L"Depth";
  ASSERT_EQ(ProParameterCreate(&hole, name, &v, &p), PRO_TK_NO_ERROR);
  EXPECT_EQ(p.owner.type, PRM_ITEM);
  EXPECT_EQ(p.owner.who.item.id, 67);
  std::vector<std::string> names;
  ASSERT_EQ(ProParameterVisit(&hole, nullptr, RecordParameter, &names), PRO_TK_NO_ERROR);
  EXPECT_EQ(names, (std::vector<std::string>{"FIT", "DEPTH"}));
  std::wcscpy(p.id, L"depth");  // a handle may name it in any case
  EXPECT_EQ(ProParameterDelete(&p), PRO_TK_NO_ERROR);
  names.clear();
  ASSERT_EQ(ProParameterVisit(&hole, nullptr, RecordParameter, &names), PRO_TK_NO_ERROR);
  EXPECT_EQ(names, std::vector<std::string>{"FIT"});
  ProParameter gone;
  EXPECT_EQ(ProParameterInit(&hole, name, &gone), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(ProParameterDelete(&p), PRO_TK_GENERAL_ERROR);
  EXPECT_EQ(ProParameterValueSet(&p, &v), PRO_TK_GENERAL_ERROR);
}

ProError NameSet(ProModelitem item, std::wstring name) {
  return ProModelitemNameSet(&item, name.data());
}
ProError SymbolSet(ProDimension dim, std::wstring symbol) {
  return ProDimensionSymbolSet(&dim, symbol.data());
}
ProError ParamInit(ProModelitem owner, std::wstring name) {
  ProParameter p;
  return ProParameterInit(&owner, name.data(), &p);
}
ProError Create(ProModelitem owner, std::wstring name, ProParamvalue value) {
  ProParameter p;
  return ProParameterCreate(&owner, name.data(), &value, &p);
}

// The main refusal of each function; none of them changes the model. A name or
// symbol taken or refused, and a parameter the model has or named like a
// dimension, are refused through the module's import in tavhost's diff tests.
TEST_F(ItemFunctionsTest, RefusalsOfEachFunction) {
  ProModelitem owner, item;
  ASSERT_EQ(ProMdlToModelitem(mdl_, &owner), PRO_TK_NO_ERROR);
  ProFeature datum = Feature(1), chamfer = Feature(130), missing{PRO_FEATURE, 999, mdl_};
  ProDimension d0 = Dim(0), d4 = Dim(4), driven = Dim(8), ref = Dim(16, PRO_REF_DIMENSION);
  ProName part_no_name = L"PART_NO", revision_name = L"REVISION";
  ProParameter part_no, revision;
  ASSERT_EQ(ProParameterInit(&owner, part_no_name, &part_no), PRO_TK_NO_ERROR);
  ASSERT_EQ(ProParameterInit(&owner, revision_name, &revision), PRO_TK_NO_ERROR);
  ProParameter no_owner = part_no;
  no_owner.owner.type = PRM_ITEM;
  no_owner.owner.who.item = missing;
  ProParamvalue number, long_text, v;
  const double d = 1.5;
  ProParamvalueSet(&number, &d, PRO_PARAM_DOUBLE);
  const std::wstring eighty(80, L'x');  // fits a value, not a parameter
  ProParamvalueSet(&long_text, eighty.c_str(), PRO_PARAM_STRING);
  ProName name;
  ProDimToleranceType tol;
  ProUnititem unit;

  EXPECT_EQ(ProFeatureInit(solid_, 4242, &item), PRO_TK_NOT_EXIST);
  EXPECT_EQ(ProModelitemInit(mdl_, 16, PRO_DIMENSION, &item), PRO_TK_NOT_EXIST) << "a reference";
  EXPECT_EQ(ProModelitemInit(mdl_, 1, PRO_EDGE, &item), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProModelitemNameGet(&datum, name), PRO_TK_E_NOT_FOUND) << "unnamed";
  EXPECT_EQ(ProFeatureDimensionVisit(&datum, RecordDimension, nullptr, nullptr),
            PRO_TK_E_NOT_FOUND);
  // Names as the CAD system checks them.
  EXPECT_EQ(NameSet(chamfer, std::wstring(32, L'A')), PRO_TK_LINE_TOO_LONG);
  EXPECT_EQ(NameSet(chamfer, L"BRACKET.PRT"), PRO_TK_INVALID_NAME);
  EXPECT_EQ(NameSet(chamfer, L""), PRO_TK_INVALID_NAME);
  EXPECT_EQ(NameSet(missing, L"X"), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(NameSet(d4, L"d5"), PRO_TK_E_FOUND);
  EXPECT_EQ(SymbolSet(d4, L"D0"), PRO_TK_NO_CHANGE);
  EXPECT_EQ(SymbolSet(d4, L""), PRO_TK_BAD_INPUTS);
  // Dimensions that cannot change.
  EXPECT_EQ(ProDimensionValueSet(&ref, 1.0), PRO_TK_BAD_CONTEXT);
  EXPECT_EQ(ProDimensionToltypeGet(&ref, &tol), PRO_TK_BAD_CONTEXT);
  EXPECT_EQ(ProDimensionValueSet(&driven, 9.0), PRO_TK_BAD_CONTEXT) << "a feature's relation";
  EXPECT_EQ(ProDimensionValueSet(&d0, NAN), PRO_TK_BAD_INPUTS);
  // Parameters.
  EXPECT_EQ(ParamInit(owner, L"NO_SUCH"), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(ParamInit(missing, L"FIT"), PRO_TK_BAD_CONTEXT);
  EXPECT_EQ(ProParameterValueGet(&no_owner, &v), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(ProParameterValueSet(&part_no, &number), PRO_TK_BAD_INPUTS) << "another type";
  EXPECT_EQ(ProParameterValueSet(&revision, &long_text), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProParameterUnitsGet(&part_no, &unit), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(Create(owner, L"TWO WORDS", number), PRO_TK_INVALID_NAME);
  EXPECT_EQ(Create(owner, std::wstring(32, L'P'), number), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(Create(missing, L"X", number), PRO_TK_BAD_CONTEXT);
  // Relations.
  EXPECT_EQ(ProModelitemToRelset(&chamfer, &item), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(ProRelsetRelationsSet(&owner, nullptr, 1), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProRelsetCreate(&owner, &item), PRO_TK_E_FOUND) << "the model has its relations";

  EXPECT_EQ(ProModelitemNameGet(&chamfer, name), PRO_TK_E_NOT_FOUND) << "refusals change nothing";
  EXPECT_EQ(ProParameterValueGet(&revision, &v), PRO_TK_NO_ERROR);
  EXPECT_STRNE(v.value.s_val, eighty.c_str());
  EXPECT_EQ(NameSet(chamfer, L"fase"), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProModelitemNameGet(&chamfer, name), PRO_TK_NO_ERROR);
  EXPECT_STREQ(name, L"FASE") << "names are set in upper case";
}

}  // namespace
}  // namespace clienttest
