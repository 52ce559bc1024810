// Relation lines: parsing, evaluation, and what regeneration does with them.
#include "sim/relations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "sim/regenerate.h"

namespace sim {
namespace {

class RelationEvalTest : public ::testing::Test {
 protected:
  // Evaluates the right-hand side of "x = <expr>" against vars_.
  double Eval(const std::string& expr) {
    RelationLine line;
    std::string error;
    EXPECT_TRUE(ParseRelation("x = " + expr, &line, &error)) << expr << ": " << error;
    if (line.kind != RelationLine::kAssignment) return NAN;
    RelValue v;
    EXPECT_TRUE(EvaluateRelation(*line.rhs, Lookup(), &v, &error)) << expr << ": " << error;
    EXPECT_FALSE(v.is_string);
    return v.num;
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

TEST_F(RelationEvalTest, MultiplicationBindsTighterThanAddition) {
  EXPECT_DOUBLE_EQ(Eval("2 + 3 * 4"), 14);
  EXPECT_DOUBLE_EQ(Eval("(2 + 3) * 4"), 20);
  EXPECT_DOUBLE_EQ(Eval("10 - 4 - 3"), 3);
  EXPECT_DOUBLE_EQ(Eval("24 / 4 / 3"), 2);
}

TEST_F(RelationEvalTest, PowerIsRightAssociativeAndBindsTighterThanUnaryMinus) {
  EXPECT_DOUBLE_EQ(Eval("2 ^ 3 ^ 2"), 512);
  EXPECT_DOUBLE_EQ(Eval("-2 ^ 2"), -4);
  EXPECT_DOUBLE_EQ(Eval("2 ^ -1"), 0.5);
  EXPECT_DOUBLE_EQ(Eval("-(3)"), -3);
  EXPECT_DOUBLE_EQ(Eval("2 * -3"), -6);
}

TEST_F(RelationEvalTest, TrigonometryWorksInDegrees) {
  EXPECT_NEAR(Eval("sin(30)"), 0.5, 1e-12);
  EXPECT_NEAR(Eval("cos(60)"), 0.5, 1e-12);
  EXPECT_NEAR(Eval("tan(45)"), 1.0, 1e-12);
  EXPECT_NEAR(Eval("asin(1)"), 90.0, 1e-12);
  EXPECT_NEAR(Eval("acos(0)"), 90.0, 1e-12);
  EXPECT_NEAR(Eval("ATAN(1)"), 45.0, 1e-12);
}

TEST_F(RelationEvalTest, OtherFunctions) {
  EXPECT_DOUBLE_EQ(Eval("sqrt(16)"), 4);
  EXPECT_DOUBLE_EQ(Eval("abs(-2.5)"), 2.5);
  EXPECT_DOUBLE_EQ(Eval("ceil(1.2)"), 2);
  EXPECT_DOUBLE_EQ(Eval("floor(-1.2)"), -2);
  EXPECT_DOUBLE_EQ(Eval("log(1000)"), 3);
  EXPECT_NEAR(Eval("ln(exp(2))"), 2, 1e-12);
  EXPECT_NEAR(Eval("pi"), 3.14159265358979, 1e-12);
  EXPECT_DOUBLE_EQ(Eval("1.5e2 + .5"), 150.5);
}

TEST_F(RelationEvalTest, NamesResolveThroughTheLookup) {
  vars_["d0"] = RelValue::Num(40);
  vars_["WIDTH"] = RelValue::Num(2);
  EXPECT_DOUBLE_EQ(Eval("d0 / WIDTH + 1"), 21);
}

TEST_F(RelationEvalTest, ReportsErrorsInsteadOfProducingValues) {
  EXPECT_NE(EvalError("1 / 0").find("division by zero"), std::string::npos);
  EXPECT_NE(EvalError("1 / (2 - 2)").find("division by zero"), std::string::npos);
  EXPECT_NE(EvalError("nosuch + 1").find("unknown name"), std::string::npos);
  EvalError("sqrt(-1)");
  EvalError("asin(2)");
  EvalError("log(0)");
  EvalError("ln(-3)");
  EvalError("10 ^ 400");
  vars_["MAT"] = RelValue::Str("STEEL");
  EXPECT_NE(EvalError("MAT * 2").find("string"), std::string::npos);
}

TEST_F(RelationEvalTest, StringsConcatenate) {
  vars_["A"] = RelValue::Str("ST");
  RelationLine line;
  std::string error;
  ASSERT_TRUE(ParseRelation("x = A + \"EEL\"", &line, &error)) << error;
  RelValue v;
  ASSERT_TRUE(EvaluateRelation(*line.rhs, Lookup(), &v, &error)) << error;
  EXPECT_TRUE(v.is_string);
  EXPECT_EQ(v.str, "STEEL");
}

TEST(RelationParseTest, RecognisesCommentsAndEmptyLines) {
  RelationLine line;
  std::string error;
  ASSERT_TRUE(ParseRelation("   ", &line, &error));
  EXPECT_EQ(line.kind, RelationLine::kEmpty);
  ASSERT_TRUE(ParseRelation("  /* width follows the length", &line, &error));
  EXPECT_EQ(line.kind, RelationLine::kComment);
  ASSERT_TRUE(ParseRelation("d1 = d0 / 2 /* half", &line, &error)) << error;
  EXPECT_EQ(line.kind, RelationLine::kAssignment);
  EXPECT_EQ(line.lhs, "d1");
}

TEST(RelationParseTest, AcceptsNonAsciiNames) {
  RelationLine line;
  std::string error;
  ASSERT_TRUE(ParseRelation("DICKE_MAß = LÄNGE * 0.1", &line, &error)) << error;
  EXPECT_EQ(line.lhs, "DICKE_MAß");
}

TEST(RelationParseTest, RefusesMalformedLines) {
  const char* bad[] = {"d1 =",          "= 3",          "d1 3",          "d1 = (2",
                       "d1 = 2)",       "d1 = 2 +",     "d1 = foo(2)",   "d1 = sqrt 2",
                       "d1 = 2 ** 3",   "d1 = \"open",  "3 = d1",        "d1 = 0x10",
                       "d1 = 2 3",      "IF d1 > 2",    "d1 = sin(1, 2)", "d1 == 2"};
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
