// Relation lines: parsing, evaluation, and what regeneration does with them.
#include "sim/relations.h"

#include <cmath>
#include <map>

#include <gtest/gtest.h>

#include "sim/regenerate.h"

namespace sim {
namespace {

class RelationEvalTest : public ::testing::Test {
 protected:
  // Evaluates the right-hand side of "x = <expr>" against vars_.
  RelValue Eval(const std::string& expr) {
    RelationLine line;
    std::string error;
    RelValue v;
    v.num = NAN;
    EXPECT_TRUE(ParseRelation("x = " + expr, &line, &error)) << expr << ": " << error;
    if (line.kind != RelationLine::kAssignment) return v;
    EXPECT_TRUE(EvaluateRelation(*line.rhs, Lookup(), &v, &error)) << expr << ": " << error;
    return v;
  }
  std::string EvalError(const std::string& expr) {
    RelationLine line;
    std::string error;
    EXPECT_TRUE(ParseRelation("x = " + expr, &line, &error)) << error;
    RelValue v;
    EXPECT_FALSE(EvaluateRelation(*line.rhs, Lookup(), &v, &error)) << expr;
    return error;
  }
  RelLookup Lookup() {
    return [this](const std::string& name, RelValue* out) {
      auto it = vars_.find(name);
      if (it == vars_.end()) return false;
      *out = it->second;
      return true;
    };
  }
  std::map<std::string, RelValue> vars_;
};

// The values of expressions: precedence and associativity, functions in degrees,
// constants and names from the lookup.
TEST_F(RelationEvalTest, ExpressionsHaveTheirValues) {
  vars_["d0"] = RelValue::Num(40);
  vars_["WIDTH"] = RelValue::Num(2);
  const struct {
    const char* expr;
    double value;
  } cases[] = {
      {"2 + 3 * 4", 14},  {"(2 + 3) * 4", 20},      {"10 - 4 - 3", 3},     {"24 / 4 / 3", 2},
      {"2 ^ 3 ^ 2", 512}, {"-2 ^ 2", -4},           {"2 ^ -1", 0.5},       {"-(3)", -3},
      {"2 * -3", -6},     {"sin(30)", 0.5},         {"cos(60)", 0.5},      {"tan(45)", 1},
      {"asin(1)", 90},    {"acos(0)", 90},          {"ATAN(1)", 45},       {"sqrt(16)", 4},
      {"abs(-2.5)", 2.5}, {"ceil(1.2)", 2},         {"floor(-1.2)", -2},   {"log(1000)", 3},
      {"ln(exp(2))", 2},  {"pi", 3.14159265358979}, {"1.5e2 + .5", 150.5}, {"d0 / WIDTH + 1", 21},
  };
  for (const auto& c : cases) EXPECT_NEAR(Eval(c.expr).num, c.value, 1e-12) << c.expr;
  vars_["A"] = RelValue::Str("ST");
  EXPECT_EQ(Eval("A + \"EEL\"").str, "STEEL") << "'+' of two strings concatenates";
}

TEST_F(RelationEvalTest, ReportsErrorsInsteadOfProducingValues) {
  vars_["MAT"] = RelValue::Str("STEEL");
  const struct {
    const char* expr;
    const char* reason;  // a part of it
  } cases[] = {
      {"1 / 0", "division by zero"},
      {"1 / (2 - 2)", "division by zero"},
      {"nosuch + 1", "unknown name"},
      {"MAT * 2", "string"},
      {"sqrt(-1)", ""},
      {"asin(2)", ""},
      {"log(0)", ""},
      {"ln(-3)", ""},
      {"10 ^ 400", ""},
  };
  for (const auto& c : cases) {
    const std::string error = EvalError(c.expr);
    EXPECT_FALSE(error.empty()) << c.expr;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.expr << ": " << error;
  }
}

TEST(RelationParseTest, RecognisesEmptyLinesCommentsAndAssignments) {
  const struct {
    const char* text;
    RelationLine::Kind kind;
    const char* lhs;
  } cases[] = {
      {"   ", RelationLine::kEmpty, ""},
      {"  /* width follows the length", RelationLine::kComment, ""},
      {"d1 = d0 / 2 /* half", RelationLine::kAssignment, "d1"},
      {"DICKE_MAß = LÄNGE * 0.1", RelationLine::kAssignment, "DICKE_MAß"},
  };
  for (const auto& c : cases) {
    RelationLine line;
    std::string error;
    ASSERT_TRUE(ParseRelation(c.text, &line, &error)) << c.text << ": " << error;
    EXPECT_EQ(line.kind, c.kind) << c.text;
    EXPECT_EQ(line.lhs, c.lhs) << c.text;
  }
}

TEST(RelationParseTest, RefusesMalformedLines) {
  const char* bad[] = {"d1 =",        "= 3",         "d1 3",           "d1 = (2",
                       "d1 = 2)",     "d1 = 2 +",    "d1 = foo(2)",    "d1 = sqrt 2",
                       "d1 = 2 ** 3", "d1 = \"open", "3 = d1",         "d1 = 0x10",
                       "d1 = 2 3",    "IF d1 > 2",   "d1 = sin(1, 2)", "d1 == 2"};
  for (const char* text : bad) {
    RelationLine line;
    std::string error;
    EXPECT_FALSE(ParseRelation(text, &line, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(RelationParseTest, DeepNestingIsRefusedNotFatal) {
  std::string deep = "d1 = " + std::string(100000, '(') + "1" + std::string(100000, ')');
  RelationLine line;
  std::string error;
  EXPECT_FALSE(ParseRelation(deep, &line, &error));
  std::string minus = "d1 = " + std::string(100000, '-') + "1";
  EXPECT_FALSE(ParseRelation(minus, &line, &error));
}

// ---- Regeneration of a model value ----------------------------------------------

Model SmallPart() {
  Model m;
  m.name = "BLOCK";
  m.type = 2;
  Feature f;
  f.id = 1;
  f.type = 917;
  f.type_name = "PROTRUSION";
  f.dims = {0, 1, 2};
  m.features.push_back(f);
  for (int k = 0; k < 3; ++k) {
    Dimension d;
    d.id = k;
    d.symbol = "d" + std::to_string(k);
    d.value = 10.0 * (k + 1);
    m.dimensions.push_back(d);
  }
  Parameter p;
  p.name = "SCALE";
  p.value = ParamValue::Double(2.0);
  m.params.push_back(p);
  return m;
}

TEST(RegenerateTest, ModelRelationsRunBeforeFeatureRelationsInOrder) {
  Model m = SmallPart();
  m.relations = RelationSet{"d1 = d0 * scale", "/* comment", "", "d2 = d1 + 1"};
  Feature hole;
  hole.id = 2;
  hole.type = 911;
  hole.relations = RelationSet{"D0 = d2 / 3"};
  m.features.push_back(hole);
  std::string error;
  ASSERT_TRUE(RegenerateModel(m, &error)) << error;
  EXPECT_DOUBLE_EQ(m.dimensions[1].value, 20);
  EXPECT_DOUBLE_EQ(m.dimensions[2].value, 21);
  EXPECT_DOUBLE_EQ(m.dimensions[0].value, 7);
  EXPECT_TRUE(m.dimensions[0].rel_driven);
  EXPECT_TRUE(m.dimensions[1].rel_driven);
  EXPECT_TRUE(m.dimensions[2].rel_driven);
}

TEST(RegenerateTest, RelationsOfSuppressedFeaturesDoNotRun) {
  Model m = SmallPart();
  m.features[0].status = 5;
  m.features[0].relations = RelationSet{"d0 = 99"};
  std::string error;
  ASSERT_TRUE(RegenerateModel(m, &error)) << error;
  EXPECT_DOUBLE_EQ(m.dimensions[0].value, 10);
  EXPECT_FALSE(m.dimensions[0].rel_driven);
}

TEST(RegenerateTest, AssigningAnUnknownNameCreatesARealParameter) {
  Model m = SmallPart();
  m.relations = RelationSet{"area = d0 * d1", "label = \"A\" + \"B\""};
  std::string error;
  ASSERT_TRUE(RegenerateModel(m, &error)) << error;
  ASSERT_EQ(m.params.size(), 3u);
  EXPECT_EQ(m.params[1].name, "AREA");
  EXPECT_EQ(m.params[1].value, ParamValue::Double(200));
  EXPECT_EQ(m.params[2].value, ParamValue::String("AB"));
}

TEST(RegenerateTest, WrongTypesAndUnknownDimensionsFail) {
  const char* bad[] = {"d7 = 1", "d0 = \"x\"", "count = 2.5", "flag = 3", "d0 = nothing"};
  for (const char* text : bad) {
    Model m = SmallPart();
    Parameter count{"COUNT", ParamValue::Integer(1), "", ""};
    Parameter flag{"FLAG", ParamValue::Boolean(true), "", ""};
    m.params.push_back(count);
    m.params.push_back(flag);
    m.relations = RelationSet{text};
    std::string error;
    EXPECT_FALSE(RegenerateModel(m, &error)) << text;
    EXPECT_FALSE(error.empty());
  }
}

TEST(RegenerateTest, NegativeValuesBecomeTheirSize) {
  Model m = SmallPart();
  m.relations = RelationSet{"d0 = -d1"};
  std::string error;
  ASSERT_TRUE(RegenerateModel(m, &error)) << error;
  EXPECT_DOUBLE_EQ(m.dimensions[0].value, 20);
}

TEST(RegenerateTest, FeatureParametersShadowModelParameters) {
  Model m = SmallPart();
  m.features[0].params.push_back(Parameter{"SCALE", ParamValue::Double(3.0), "", ""});
  m.features[0].relations = RelationSet{"d0 = d1 * scale"};
  m.relations = RelationSet{"d2 = d1 * scale"};
  std::string error;
  ASSERT_TRUE(RegenerateModel(m, &error)) << error;
  EXPECT_DOUBLE_EQ(m.dimensions[0].value, 60);
  EXPECT_DOUBLE_EQ(m.dimensions[2].value, 40);
}

}  // namespace
}  // namespace sim
