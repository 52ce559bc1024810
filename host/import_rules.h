#pragma once
// What the import does to one field of a row before the CAD session acts on it,
// and what the session refuses: the rules `diff` applies so that it names every
// row the import would fail on, with the code the import would give. They follow
// docs/exchange-format.md ("What an update does").
#include <string>

namespace tavhost {

// "PRO_TK_INVALID_NAME"; "" for a code without a name here.
std::string ToolkitCodeName(int code);
// "-22 PRO_TK_INVALID_NAME"
std::string CodeText(int code);

// A name the import hands to the session: more than 31 characters is -22.
int NameLengthCode(const std::string& name);
// What the session accepts, beyond the length: a feature name (letters of any
// script, digits, '_', '-'); a dimension symbol or a new parameter's name (a
// letter first, then letters, digits, '_'; a parameter's may not read like a
// dimension symbol, d0, d12 ...).
bool IsFeatureName(const std::string& name);
bool IsRelationName(const std::string& name);
bool LooksLikeDimensionSymbol(const std::string& name);

// A parameter value as the import builds it from paramValType and paramValue.
struct ImportedValue {
  int code = 0;       // 0, or the code the import fails with (-2, -6)
  int type = 0;       // 50 real, 51 text, 52 integer, 53 boolean, 54 note id
  double number = 0;  // real, integer, boolean and note id values
  std::string text;   // text values
};
ImportedValue ImportValue(int type, const std::string& text);
bool SameValue(const ImportedValue& a, const ImportedValue& b);
// As a person reads it: "TV-2041" in quotes, 25, true.
std::string ValueText(const ImportedValue& value);
std::string TypeName(int type);

}  // namespace tavhost
