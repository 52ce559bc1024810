// Relation lines: parsing, evaluation, and what regeneration does with them.
#include "sim/relations.h"

#include <cmath>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "sim/model_file.h"
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

// The values of expressions: precedence and associativity, functions in degrees
// and their inverses, logarithms of both bases, constants and names from the lookup.
TEST_F(RelationEvalTest, ExpressionsHaveTheirValues) {
  vars_["d0"] = RelValue::Num(40);
  vars_["WIDTH"] = RelValue::Num(2);
  const struct {
    const char* expr;
    double value;
  } cases[] = {
      {"2 + 3 * 4", 14},        {"(2 + 3) * 4", 20},   {"10 - 4 - 3", 3},      {"24 / 4 / 3", 2},
      {"2 ^ 3 ^ 2", 512},       {"-2 ^ 2", -4},        {"2 ^ -1", 0.5},        {"2 * -3", -6},
      {"sin(30)", 0.5},         {"ATAN(1)", 45},       {"log(1000)", 3},       {"ln(exp(2))", 2},
      {"pi", 3.14159265358979}, {"1.5e2 + .5", 150.5}, {"d0 / WIDTH + 1", 21},
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
      {"nosuch + 1", "unknown name"},
      {"MAT * 2", "string"},
      {"sqrt(-1)", ""},  // outside the function's domain
      {"10 ^ 400", ""},  // beyond a double
  };
  for (const auto& c : cases) {
    RelationLine line;
    std::string error;
    RelValue v;
    ASSERT_TRUE(ParseRelation(std::string("x = ") + c.expr, &line, &error)) << error;
    EXPECT_FALSE(EvaluateRelation(*line.rhs, Lookup(), &v, &error)) << c.expr;
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
  std::vector<std::string> bad = {"d1 =",        "= 3",         "d1 3",           "d1 = (2",
                                  "d1 = 2)",     "d1 = 2 +",    "d1 = foo(2)",    "d1 = sqrt 2",
                                  "d1 = 2 ** 3", "d1 = \"open", "3 = d1",         "d1 = 0x10",
                                  "d1 = 2 3",    "IF d1 > 2",   "d1 = sin(1, 2)", "d1 == 2"};
  // Deep nesting is refused, not a stack overflow.
  bad.push_back("d1 = " + std::string(100000, '(') + "1" + std::string(100000, ')'));
  bad.push_back("d1 = " + std::string(100000, '-') + "1");
  for (const std::string& text : bad) {
    RelationLine line;
    std::string error;
    EXPECT_FALSE(ParseRelation(text, &line, &error)) << text.substr(0, 20);
    EXPECT_FALSE(error.empty()) << text.substr(0, 20);
  }
}

// ---- Regeneration of a model value ----------------------------------------------
// (A relation that names no parameter yet creates one: tavhost's demo, BOLT_PITCH.)

// A part with d0 = 10, d1 = 20, d2 = 30 on feature 1, the parameters SCALE = 2.0,
// COUNT = 1 (an integer) and FLAG (a boolean), the given model relations and
// further members of feature 1 (relations, status, parameters), regenerated.
Model Regenerated(const std::string& relations, const std::string& feature = "",
                  std::string* error = nullptr) {
  const std::string text =
      R"({"format": "tavproe-model", "name": "BLOCK", "type": "PRT",
          "parameters": [{"name": "SCALE", "value": 2.0}, {"name": "COUNT", "value": 1},
                         {"name": "FLAG", "value": true}],
          "relations": [)" +
      relations + R"(], "features": [{"id": 1, "type": 917, "dimensions": [
          {"id": 0, "symbol": "d0", "value": 10}, {"id": 1, "symbol": "d1", "value": 20},
          {"id": 2, "symbol": "d2", "value": 30}])" +
      feature + "}]}";
  Model m;
  std::string why;
  EXPECT_TRUE(ModelFromText(text, &m, &why)) << why;
  std::string& reason = error ? *error : why;
  EXPECT_EQ(RegenerateModel(m, &reason), error == nullptr)
      << relations << feature << ": " << reason;
  return m;
}

TEST(RegenerateTest, RelationsSetTheirDimensions) {
  const struct {
    const char* what;
    std::string relations, feature;
    std::vector<double> values;
  } cases[] = {
      {"model relations in order, then the feature's",
       R"("d1 = d0 * scale", "/* comment", "", "d2 = d1 + 1")",
       R"(, "relations": ["D0 = d2 / 3"])",
       {7, 20, 21}},
      {"a suppressed feature's relations do not run",
       "",
       R"(, "status": "suppressed", "relations": ["d0 = 99"])",
       {10, 20, 30}},
      {"a negative value becomes its size", R"("d0 = -d1")", "", {20, 20, 30}},
      {"a feature's parameters shadow the model's",
       R"("d2 = d1 * scale")",
       R"(, "parameters": [{"name": "SCALE", "value": 3.0}], "relations": ["d0 = d1 * scale"])",
       {60, 20, 40}},
  };
  for (const auto& c : cases) {
    std::vector<double> values;
    for (const Dimension& d : Regenerated(c.relations, c.feature).dimensions)
      values.push_back(d.value);
    EXPECT_EQ(values, c.values) << c.what;
  }
  const Model m = Regenerated(R"("d1 = d0 * scale")", R"(, "relations": ["d2 = 1"])");
  EXPECT_EQ(std::vector<bool>({m.dimensions[0].rel_driven, m.dimensions[1].rel_driven,
                               m.dimensions[2].rel_driven}),
            std::vector<bool>({false, true, true}));
}

TEST(RegenerateTest, WrongTypesAndUnknownDimensionsFail) {
  for (const char* line : {R"("d7 = 1")", R"("d0 = \"x\"")", R"("count = 2.5")", R"("flag = 3")",
                           R"("d0 = nothing")"}) {
    std::string error;
    Regenerated(line, "", &error);
    EXPECT_FALSE(error.empty()) << line;
  }
}

}  // namespace
}  // namespace sim
