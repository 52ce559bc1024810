#include "host/import_rules.h"

#include <charconv>
#include <cstdint>
#include <system_error>

#include "host/exchange_db.h"
#include "host/wide_text.h"

namespace tavhost {
namespace {

constexpr std::size_t kNameMax = 31;       // a ProName less its terminator
constexpr std::size_t kTextValueMax = 79;  // a ProLine less its terminator
constexpr int kReal = 50, kText = 51, kInteger = 52, kBoolean = 53, kNoteId = 54;
constexpr int kBadInputs = -2, kLineTooLong = -6;

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}

// The leading decimal integer: blanks, a sign, digits up to the first other
// character; false when it lies outside an int.
bool LeadingInteger(const std::string& text, long long* value) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned long long magnitude = 0;
  bool huge = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    huge = huge || magnitude > 1000000000000ULL;
    if (!huge) magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
  }
  *value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  return !huge && magnitude <= (negative ? 2147483648ULL : 2147483647ULL);
}

// The low 16 bits of the leading integer, as the import keeps a boolean.
bool LeadingBoolean(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i)
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
  return ((negative ? 0 - magnitude : magnitude) & 0xFFFF) != 0;
}

// The leading decimal number; false when it lies outside a double's range.
bool LeadingReal(const std::string& text, double* value) {
  const char* at = text.data();
  const char* const end = at + text.size();
  while (at < end && IsBlank(*at)) ++at;
  bool negative = false;
  if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
  *value = 0;
  if (at == end || !(IsDigit(*at) || *at == '.')) return true;
  double parsed = 0;
  const std::from_chars_result r = std::from_chars(at, end, parsed, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) return false;
  if (r.ec == std::errc()) *value = negative ? -parsed : parsed;
  return true;
}

}  // namespace

std::string ToolkitCodeName(int code) {
  static const char* const kNames[] = {
      "PRO_TK_NO_ERROR",     "PRO_TK_GENERAL_ERROR",   "PRO_TK_BAD_INPUTS",    "PRO_TK_USER_ABORT",
      "PRO_TK_E_NOT_FOUND",  "PRO_TK_E_FOUND",         "PRO_TK_LINE_TOO_LONG", "PRO_TK_CONTINUE",
      "PRO_TK_BAD_CONTEXT",  "PRO_TK_NOT_IMPLEMENTED", "PRO_TK_OUT_OF_MEMORY", "PRO_TK_COMM_ERROR",
      "PRO_TK_NO_CHANGE",    "PRO_TK_SUPP_PARENTS",    "PRO_TK_PICK_ABOVE",    "",
      "PRO_TK_INVALID_FILE", "PRO_TK_CANT_WRITE",      "PRO_TK_INVALID_TYPE",  "PRO_TK_INVALID_PTR",
      "PRO_TK_UNAV_SEC",     "PRO_TK_INVALID_MATRIX",  "PRO_TK_INVALID_NAME",  "PRO_TK_NOT_EXIST",
  };
  const int index = -code;
  return index >= 0 && index < static_cast<int>(sizeof kNames / sizeof *kNames) ? kNames[index]
                                                                                : "";
}

std::string CodeText(int code) {
  const std::string name = ToolkitCodeName(code);
  return std::to_string(code) + (name.empty() ? "" : " " + name);
}

int NameLengthCode(const std::string& name) { return Widen(name).size() > kNameMax ? -22 : 0; }

bool IsFeatureName(const std::string& name) {
  if (name.empty() || Narrow(Widen(name)) != name) return false;
  for (unsigned char c : name)
    if (!IsLetter(c) && !IsDigit(static_cast<char>(c)) && c != '_' && c != '-') return false;
  return true;
}

bool IsRelationName(const std::string& name) {
  if (name.empty() || Narrow(Widen(name)) != name || !IsLetter(static_cast<unsigned char>(name[0])))
    return false;
  for (unsigned char c : name)
    if (!IsLetter(c) && !IsDigit(static_cast<char>(c)) && c != '_') return false;
  return true;
}

bool LooksLikeDimensionSymbol(const std::string& name) {
  if (name.size() < 2 || (name[0] != 'd' && name[0] != 'D')) return false;
  for (std::size_t i = 1; i < name.size(); ++i)
    if (!IsDigit(name[i])) return false;
  return true;
}

ImportedValue ImportValue(int type, const std::string& text) {
  ImportedValue value;
  value.type = type;
  long long integer = 0;
  switch (type) {
    case kReal:
      if (!LeadingReal(text, &value.number)) value.code = kBadInputs;
      break;
    case kText:
      if (Widen(text).size() > kTextValueMax) value.code = kLineTooLong;
      value.text = text;
      break;
    case kBoolean:
      value.number = LeadingBoolean(text) ? 1 : 0;
      break;
    case kInteger:
    case kNoteId:
      if (!LeadingInteger(text, &integer)) value.code = kBadInputs;
      value.number = static_cast<double>(integer);
      break;
    default:  // no value type, or one that holds no value (57)
      value.code = kBadInputs;
  }
  return value;
}

bool SameValue(const ImportedValue& a, const ImportedValue& b) {
  return a.type == b.type && (a.type == kText ? a.text == b.text : a.number == b.number);
}

std::string ValueText(const ImportedValue& value) {
  if (value.type == kText) return "\"" + value.text + "\"";
  if (value.type == kBoolean) return value.number != 0 ? "true" : "false";
  return NumberText(value.number);
}

std::string TypeName(int type) {
  switch (type) {
    case kReal:
      return "real";
    case kText:
      return "text";
    case kInteger:
      return "integer";
    case kBoolean:
      return "boolean";
    case kNoteId:
      return "note id";
    default:
      return "type " + std::to_string(type);
  }
}

}  // namespace tavhost
