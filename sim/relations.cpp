#include "sim/relations.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "sim/model.h"

namespace sim {

struct RelNode {
  enum Kind { kNumber, kString, kName, kNeg, kBinary, kCall };
  Kind kind = kNumber;
  double num = 0.0;
  std::string text;  // string literal, name, or function name (lower case)
  char op = 0;       // binary operator
  std::shared_ptr<const RelNode> a, b;
};

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxDepth = 200;  // nesting limit, so a hostile line cannot exhaust the stack

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

bool Anywhere(double) { return true; }
bool NotNegative(double x) { return x >= 0; }
bool Positive(double x) { return x > 0; }
bool WithinOne(double x) { return x >= -1 && x <= 1; }

// As radians: x * kPi / 180; as degrees: y * (180 / kPi).
constexpr double kDegrees = 180.0 / kPi;

// The relation functions: angles in degrees, log is base 10.
const struct {
  const char* name;
  double (*apply)(double);
  bool (*defined)(double);
} kMath[] = {
    {"sqrt", [](double x) { return std::sqrt(x); }, NotNegative},
    {"sin", [](double x) { return std::sin(x * kPi / 180.0); }, Anywhere},
    {"cos", [](double x) { return std::cos(x * kPi / 180.0); }, Anywhere},
    {"tan", [](double x) { return std::tan(x * kPi / 180.0); }, Anywhere},
    {"asin", [](double x) { return std::asin(x) * kDegrees; }, WithinOne},
    {"acos", [](double x) { return std::acos(x) * kDegrees; }, WithinOne},
    {"atan", [](double x) { return std::atan(x) * kDegrees; }, Anywhere},
    {"abs", [](double x) { return std::fabs(x); }, Anywhere},
    {"ceil", [](double x) { return std::ceil(x); }, Anywhere},
    {"floor", [](double x) { return std::floor(x); }, Anywhere},
    {"log", [](double x) { return std::log10(x); }, Positive},
    {"ln", [](double x) { return std::log(x); }, Positive},
    {"exp", [](double x) { return std::exp(x); }, Anywhere},
};

bool IsFunction(const std::string& lower) {
  for (const auto& f : kMath)
    if (lower == f.name) return true;
  return false;
}

class Parser {
 public:
  explicit Parser(const std::string& s) : s_(s) {}

  bool ParseLine(RelationLine* out, std::string* error) {
    SkipBlanks();
    if (AtEnd()) {
      out->kind = RelationLine::kEmpty;
      return true;
    }
    if (StartsComment()) {
      out->kind = RelationLine::kComment;
      return true;
    }
    std::string lhs;
    if (!Name(&lhs)) return Fail("a relation starts with the name it assigns", error);
    SkipBlanks();
    if (Peek() != '=') return Fail("'=' expected after " + lhs, error);
    ++pos_;
    std::shared_ptr<const RelNode> rhs;
    if (!Expr(&rhs, 0)) return Fail(err_, error);
    SkipBlanks();
    if (!AtEnd() && !StartsComment()) return Fail("unexpected '" + s_.substr(pos_, 1) + "'", error);
    out->kind = RelationLine::kAssignment;
    out->lhs = lhs;
    out->rhs = rhs;
    return true;
  }

 private:
  bool Fail(const std::string& why, std::string* error) {
    if (error) *error = why + " (column " + std::to_string(pos_ + 1) + ")";
    return false;
  }
  bool SetErr(const std::string& why) {
    if (err_.empty()) err_ = why;
    return false;
  }
  bool AtEnd() const { return pos_ >= s_.size(); }
  char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }
  bool StartsComment() const { return s_.compare(pos_, 2, "/*") == 0; }
  void SkipBlanks() {
    while (!AtEnd() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
      ++pos_;
  }
  bool Name(std::string* out) {
    if (AtEnd() || !IsNameStart(static_cast<unsigned char>(s_[pos_]))) return false;
    const size_t start = pos_;
    while (!AtEnd() && IsNameChar(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    *out = s_.substr(start, pos_ - start);
    return true;
  }

  // expr := term (('+'|'-') term)*
  bool Expr(std::shared_ptr<const RelNode>* out, int depth) {
    if (depth > kMaxDepth) return SetErr("expression nested too deeply");
    std::shared_ptr<const RelNode> left;
    if (!Term(&left, depth)) return false;
    for (;;) {
      SkipBlanks();
      const char c = Peek();
      if (c != '+' && c != '-') break;
      ++pos_;
      std::shared_ptr<const RelNode> right;
      if (!Term(&right, depth)) return false;
      left = Binary(c, left, right);
    }
    *out = left;
    return true;
  }
  // term := unary (('*'|'/') unary)*
  bool Term(std::shared_ptr<const RelNode>* out, int depth) {
    std::shared_ptr<const RelNode> left;
    if (!Unary(&left, depth)) return false;
    for (;;) {
      SkipBlanks();
      const char c = Peek();
      if (c != '*' && c != '/') break;
      if (StartsComment()) break;
      ++pos_;
      std::shared_ptr<const RelNode> right;
      if (!Unary(&right, depth)) return false;
      left = Binary(c, left, right);
    }
    *out = left;
    return true;
  }
  // unary := ('-'|'+') unary | power
  bool Unary(std::shared_ptr<const RelNode>* out, int depth) {
    if (depth > kMaxDepth) return SetErr("expression nested too deeply");
    SkipBlanks();
    if (Peek() == '-' || Peek() == '+') {
      const char c = Peek();
      ++pos_;
      std::shared_ptr<const RelNode> inner;
      if (!Unary(&inner, depth + 1)) return false;
      if (c == '+') {
        *out = inner;
        return true;
      }
      auto n = std::make_shared<RelNode>();
      n->kind = RelNode::kNeg;
      n->a = inner;
      *out = n;
      return true;
    }
    return Power(out, depth);
  }
  // power := primary ('^' unary)?   (right-associative through unary)
  bool Power(std::shared_ptr<const RelNode>* out, int depth) {
    std::shared_ptr<const RelNode> base;
    if (!Primary(&base, depth)) return false;
    SkipBlanks();
    if (Peek() == '^') {
      ++pos_;
      std::shared_ptr<const RelNode> exp;
      if (!Unary(&exp, depth + 1)) return false;
      *out = Binary('^', base, exp);
      return true;
    }
    *out = base;
    return true;
  }
  bool Primary(std::shared_ptr<const RelNode>* out, int depth) {
    SkipBlanks();
    const char c = Peek();
    if (c == '(') {
      ++pos_;
      if (!Expr(out, depth + 1)) return false;
      SkipBlanks();
      if (Peek() != ')') return SetErr("')' expected");
      ++pos_;
      return true;
    }
    if (c == '"') return String(out);
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return Number(out);
    std::string name;
    if (Name(&name)) return NameOrCall(name, out, depth);
    if (AtEnd()) return SetErr("expression incomplete");
    return SetErr("unexpected '" + s_.substr(pos_, 1) + "'");
  }
  bool String(std::shared_ptr<const RelNode>* out) {
    ++pos_;
    const size_t start = pos_;
    while (!AtEnd() && s_[pos_] != '"') ++pos_;
    if (AtEnd()) return SetErr("unterminated string");
    auto n = std::make_shared<RelNode>();
    n->kind = RelNode::kString;
    n->text = s_.substr(start, pos_ - start);
    ++pos_;
    *out = n;
    return true;
  }
  bool Number(std::shared_ptr<const RelNode>* out) {
    const char* begin = s_.c_str() + pos_;
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin) return SetErr("number expected");
    // strtod also reads "inf", hex and "nan"; relations only have decimals.
    for (const char* p = begin; p < end; ++p)
      if (!std::isdigit(static_cast<unsigned char>(*p)) && *p != '.' && *p != 'e' && *p != 'E' &&
          *p != '+' && *p != '-')
        return SetErr("malformed number");
    pos_ += end - begin;
    auto n = std::make_shared<RelNode>();
    n->kind = RelNode::kNumber;
    n->num = v;
    *out = n;
    return true;
  }
  // A name read already: a parameter, or a function when "(" follows.
  bool NameOrCall(const std::string& name, std::shared_ptr<const RelNode>* out, int depth) {
    SkipBlanks();
    auto n = std::make_shared<RelNode>();
    *out = n;
    if (Peek() != '(') {
      n->kind = RelNode::kName;
      n->text = name;
      return true;
    }
    const std::string fn = ToLower(name);
    if (!IsFunction(fn)) return SetErr("unknown function " + name);
    ++pos_;
    n->kind = RelNode::kCall;
    n->text = fn;
    std::shared_ptr<const RelNode> arg;
    if (!Expr(&arg, depth + 1)) return false;
    SkipBlanks();
    if (Peek() != ')') return SetErr("')' expected after the argument of " + name);
    ++pos_;
    n->a = arg;
    return true;
  }

  static std::shared_ptr<const RelNode> Binary(char op, std::shared_ptr<const RelNode> a,
                                               std::shared_ptr<const RelNode> b) {
    auto n = std::make_shared<RelNode>();
    n->kind = RelNode::kBinary;
    n->op = op;
    n->a = std::move(a);
    n->b = std::move(b);
    return n;
  }

  const std::string& s_;
  size_t pos_ = 0;
  std::string err_;
};

bool Num(const RelValue& v, const char* what, std::string* error) {
  if (!v.is_string) return true;
  *error = std::string("a string cannot be used in ") + what;
  return false;
}

// a op b for the four arithmetic operators and '^'; false on a division by zero
// or a result that is not a finite number.
bool Arithmetic(char op, double a, double b, double* result, std::string* error) {
  double r = 0.0;
  switch (op) {
    case '+':
      r = a + b;
      break;
    case '-':
      r = a - b;
      break;
    case '*':
      r = a * b;
      break;
    case '/':
      if (b == 0.0) {
        *error = "division by zero";
        return false;
      }
      r = a / b;
      break;
    case '^':
      r = std::pow(a, b);
      break;
  }
  if (!std::isfinite(r)) {
    *error = std::string("result of '") + op + "' is not a number";
    return false;
  }
  *result = r;
  return true;
}

// f(x); an unknown name gives 0 (the parser lets only known names through).
bool CallFunction(const std::string& f, double x, double* result, std::string* error) {
  double r = 0.0;
  for (const auto& function : kMath) {
    if (f != function.name) continue;
    if (function.defined(x))
      r = function.apply(x);
    else
      r = std::nan("");
    break;
  }
  if (!std::isfinite(r)) {
    *error = f + " of " + std::to_string(x) + " is undefined";
    return false;
  }
  *result = r;
  return true;
}

bool Eval(const RelNode& n, const RelLookup& lookup, RelValue* out, std::string* error) {
  RelValue a, b;
  double r = 0.0;
  switch (n.kind) {
    case RelNode::kNumber:
      *out = RelValue::Num(n.num);
      return true;
    case RelNode::kString:
      *out = RelValue::Str(n.text);
      return true;
    case RelNode::kName:
      if (lookup(n.text, out)) return true;
      if (ToLower(n.text) == "pi") {
        *out = RelValue::Num(kPi);
        return true;
      }
      *error = "unknown name " + n.text;
      return false;
    case RelNode::kNeg:
      if (!Eval(*n.a, lookup, &a, error) || !Num(a, "arithmetic", error)) return false;
      *out = RelValue::Num(-a.num);
      return true;
    case RelNode::kBinary:
      if (!Eval(*n.a, lookup, &a, error) || !Eval(*n.b, lookup, &b, error)) return false;
      if (n.op == '+' && a.is_string && b.is_string) {
        *out = RelValue::Str(a.str + b.str);
        return true;
      }
      if (!Num(a, "arithmetic", error) || !Num(b, "arithmetic", error) ||
          !Arithmetic(n.op, a.num, b.num, &r, error))
        return false;
      *out = RelValue::Num(r);
      return true;
    case RelNode::kCall:
      if (!Eval(*n.a, lookup, &a, error) || !Num(a, n.text.c_str(), error) ||
          !CallFunction(n.text, a.num, &r, error))
        return false;
      *out = RelValue::Num(r);
      return true;
  }
  *error = "bad expression";
  return false;
}

}  // namespace

bool ParseRelation(const std::string& line, RelationLine* out, std::string* error) {
  RelationLine parsed;
  Parser p(line);
  if (!p.ParseLine(&parsed, error)) return false;
  *out = std::move(parsed);
  return true;
}

bool EvaluateRelation(const RelNode& node, const RelLookup& lookup, RelValue* value,
                      std::string* error) {
  std::string why;
  RelValue v;
  if (!Eval(node, lookup, &v, &why)) {
    if (error) *error = why;
    return false;
  }
  *value = std::move(v);
  return true;
}

}  // namespace sim
