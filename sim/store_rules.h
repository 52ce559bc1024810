#pragma once
// The rules the store applies to model names, item names and values, shared by
// the store's files (store*.cpp); not used outside the store.
#include <cstddef>
#include <string>
#include <vector>

#include "sim/model.h"

namespace sim {

constexpr std::size_t kNameMax = 31;  // characters of a name or symbol

bool IsModelType(int type);  // part, assembly or drawing
bool IsSolidType(int type);  // part or assembly

// Names of models and features: letters (any script), digits, '_' and '-'.
bool IsItemName(const std::string& s);
// Names usable in relations: a letter first, then letters, digits and '_'.
bool IsRelationName(const std::string& s);
// "d" or "D" and digits: the symbols the session gives new dimensions.
bool IsDimSymbolPattern(const std::string& s);

// A value of a known type, a finite number, a string of at most 79 characters.
bool ValidValue(const ParamValue& v);
// The value with the members of its type only (the others zero or empty).
ParamValue Canonical(ParamValue v);
// Upper-cases the names and checks them and the values; false with the reason,
// prefixed by `where`.
bool NormaliseParams(std::vector<Parameter>& params, const std::string& where, std::string* reason);

// The models `m` uses: its components' models, and a drawing's solids; each once.
std::vector<ModelRef> DirectDeps(const Model& m);

}  // namespace sim
