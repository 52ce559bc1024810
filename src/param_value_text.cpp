#include "src/param_value_text.h"

#include <charconv>
#include <cstdint>
#include <cwchar>
#include <system_error>

#include "src/string_util.h"

namespace {

// The longest text a value holds: a ProLine less its terminator, as the CAD
// system counts (79 characters; the last place of the buffer stays unused).
constexpr std::size_t kMaxStringValue = 79;

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The leading decimal integer of `text`: white space, an optional sign, digits up
// to the first other character. The magnitude wraps modulo 2^64, which keeps its
// low bits; `in_int` says whether the value fits an int.
struct LeadingInteger {
  std::uint64_t bits = 0;  // the value modulo 2^64, two's complement for negatives
  bool in_int = true;
};

LeadingInteger ParseInteger(const std::wstring& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  std::uint64_t magnitude = 0;
  bool huge = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    const std::uint64_t next = magnitude * 10 + static_cast<std::uint64_t>(text[i] - L'0');
    huge |= magnitude > (UINT64_MAX - 9) / 10;
    magnitude = next;
  }
  LeadingInteger result;
  result.bits = negative ? 0 - magnitude : magnitude;
  result.in_int = !huge && magnitude <= (negative ? 2147483648ULL : 2147483647ULL);
  return result;
}

// The leading decimal number of `text`, in the "C" locale's form whatever the
// process's locale is. False when it lies outside the range of a double.
bool ParseReal(const std::wstring& text, double* value) {
  const std::string narrow = WideToMultiByte(text);
  const char* at = narrow.data();
  const char* const end = at + narrow.size();
  while (at < end && IsBlank(static_cast<unsigned char>(*at))) ++at;
  bool negative = false;
  if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
  *value = 0.0;
  // Only a decimal number: no second sign, no "inf", "nan" or hexadecimal form.
  if (at == end || !(IsDigit(static_cast<unsigned char>(*at)) || *at == '.')) return true;
  double parsed = 0.0;
  const std::from_chars_result r = std::from_chars(at, end, parsed, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) return false;
  if (r.ec == std::errc()) *value = negative ? -parsed : parsed;
  return true;
}

}  // namespace

std::wstring ParamvalueToText(const ProParamvalue& value) {
  switch (value.type) {
    case PRO_PARAM_DOUBLE:
      return FormatDouble(value.value.d_val);
    case PRO_PARAM_STRING:
      return std::wstring(value.value.s_val, wcsnlen(value.value.s_val, PRO_LINE_SIZE));
    case PRO_PARAM_BOOLEAN:
      return IntToWString(value.value.l_val);
    default:
      return IntToWString(value.value.i_val);
  }
}

ProError ParamvalueFromText(int type, const std::wstring& text, ProParamvalue* value) {
  ProParamvalue built = {};
  switch (type) {
    case PRO_PARAM_DOUBLE:
      if (!ParseReal(text, &built.value.d_val)) return PRO_TK_BAD_INPUTS;
      break;
    case PRO_PARAM_STRING:
      if (text.size() > kMaxStringValue) return PRO_TK_LINE_TOO_LONG;
      text.copy(built.value.s_val, text.size());
      break;
    case PRO_PARAM_BOOLEAN:
      built.value.l_val = static_cast<short>(ParseInteger(text).bits & 0xFFFF);
      break;
    case PRO_PARAM_INTEGER:
    case PRO_PARAM_NOTE_ID:
    case PRO_PARAM_VOID: {
      const LeadingInteger parsed = ParseInteger(text);
      if (!parsed.in_int) return PRO_TK_BAD_INPUTS;
      built.value.i_val = static_cast<int>(static_cast<std::int64_t>(parsed.bits));
      break;
    }
    default:
      return PRO_TK_BAD_INPUTS;
  }
  built.type = static_cast<ProParamvalueType>(type);
  *value = built;
  return PRO_TK_NO_ERROR;
}
