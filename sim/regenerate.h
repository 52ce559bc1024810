#pragma once
// Regeneration of one model: evaluating its relation sets and updating the
// dimensions and parameters they assign. Works on a Model value; the store
// regenerates a copy and keeps it only when this succeeds, so a failure leaves
// the session's model untouched.
//
// Names in relations resolve, without regard to case: in a feature's relation set
// first the feature's own parameters, then the model's dimension symbols, then the
// model's parameters; in the model's set the dimensions, then the parameters.
// Assigning a name that resolves to nothing creates a parameter on the set's owner
// (a real number, or a string for a string value), as the CAD system does;
// a name of the form d<digits> that is no dimension is an error instead.
#include <string>

#include "sim/model.h"
#include "sim/relations.h"

namespace sim {

// Checks that every line parses. False with the index of the first line that
// does not and the reason.
bool CheckRelationLines(const RelationSet& lines, int* bad_line, std::string* error);

// Evaluates the model's relation set, then the relation sets of its active
// features in feature order, then makes every dimension value non-negative and
// recomputes the relation-driven marks. False with a reason on the first error;
// `model` may then be partly changed (callers pass a copy).
bool RegenerateModel(Model& model, std::string* error);

// Marks exactly the dimensions that an assignment of the model's relation set or
// of an active feature's relation set drives.
void MarkDrivenDimensions(Model& model);

// True for a feature whose relations take part in regeneration (not suppressed).
bool FeatureIsActive(const Feature& f);

}  // namespace sim
