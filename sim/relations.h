#pragma once
// Relation lines: parsing and evaluation, independent of any model.
//
// A line is empty (white space only), a comment (first non-blank characters
// "/*"), or an assignment `name = expression`, optionally followed by a comment
// starting with "/*". Expressions: numbers (12, 0.5, 1e-3), strings in double
// quotes, names (dimension symbols and parameters, any case), the operators
// + - * / ^ with the usual precedence (^ binds tightest and is right-associative;
// unary minus binds looser than ^, so -2^2 is -4), parentheses, and the functions
// sqrt sin cos tan asin acos atan abs ceil floor log (base 10) ln exp with one
// argument, angles in degrees. `pi` is a constant unless a parameter of that name
// exists. '+' of two strings concatenates; any other use of a string is an error.
//
// Evaluation asks a caller-supplied lookup for names; every failure (unknown name,
// division by zero, domain error, non-finite result, wrong type) is reported with
// a one-line reason, never thrown.
#include <functional>
#include <memory>
#include <string>

namespace sim {

struct RelNode;

struct RelValue {
  bool is_string = false;
  double num = 0.0;
  std::string str;
  static RelValue Num(double v) {
    RelValue r;
    r.num = v;
    return r;
  }
  static RelValue Str(std::string s) {
    RelValue r;
    r.is_string = true;
    r.str = std::move(s);
    return r;
  }
};

struct RelationLine {
  enum Kind { kEmpty, kComment, kAssignment };
  Kind kind = kEmpty;
  std::string lhs;                     // as written
  std::shared_ptr<const RelNode> rhs;  // assignments only
};

// Parses one line. On failure returns false with a reason ("line 3: ...").
bool ParseRelation(const std::string& line, RelationLine* out, std::string* error);

// Looks up a name (as written in the line); returns false if unknown.
using RelLookup = std::function<bool(const std::string& name, RelValue* value)>;

// Evaluates a parsed expression. Returns false with a reason on any error.
bool EvaluateRelation(const RelNode& node, const RelLookup& lookup, RelValue* value,
                      std::string* error);

}  // namespace sim
