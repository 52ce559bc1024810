#include "host/dry_run.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

#include "host/import_rules.h"
#include "host/wide_text.h"

namespace tavhost {
namespace {

constexpr int kFeatureItem = 3;  // the item type of a feature's relation set
constexpr int kDrawing = 4;      // the item type of a drawing
constexpr int kDimensionItem = 8, kReferenceDimensionItem = 28;
constexpr int kFirstItemType = -5, kLastItemType = 10019;  // the toolkit's item types
constexpr int kBadInputs = -2, kNotFound = -4, kFound = -5, kNoChange = -12, kInvalidType = -18,
              kInvalidName = -22, kNotExist = -23;

// " (featName is NULL)" when the column is among the row's NULLs.
std::string NullNote(const std::vector<std::string>& nulls, const std::string& column) {
  for (const std::string& null : nulls)
    if (null == column) return " (" + column + " is NULL)";
  return "";
}

std::string Tolerance(double upper, double lower) {
  return "+" + NumberText(upper) + "/-" + NumberText(lower);
}

// The lines of `after` against `before`: "- " removed, "+ " added (a longest
// common subsequence keeps the lines both share); a removal comes before the
// addition that replaces it.
std::vector<std::string> LineDiff(const std::vector<std::string>& before,
                                  const std::vector<std::string>& after) {
  const std::size_t n = before.size(), m = after.size();
  std::vector<std::vector<std::size_t>> common(n + 1, std::vector<std::size_t>(m + 1, 0));
  for (std::size_t i = n; i-- > 0;)
    for (std::size_t j = m; j-- > 0;)
      common[i][j] = before[i] == after[j] ? common[i + 1][j + 1] + 1
                                           : std::max(common[i + 1][j], common[i][j + 1]);
  std::vector<std::string> lines;
  std::size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && before[i] == after[j]) {
      ++i, ++j;
    } else if (j < m && (i == n || common[i][j + 1] > common[i + 1][j])) {
      lines.push_back("+ " + after[j++]);
    } else {
      lines.push_back("- " + before[i++]);
    }
  }
  return lines;
}

std::string Lines(std::size_t n) { return std::to_string(n) + (n == 1 ? " line" : " lines"); }

template <class Row>
const Row* ByRow(const std::vector<Row>& rows, long long row) {
  for (const Row& candidate : rows)
    if (candidate.row == row) return &candidate;
  return nullptr;
}

class Planner {
 public:
  explicit Planner(const DryRunInput& input) : in_(input) {}

  DryRun Run() {
    CheckExportedModel();
    if (Wanted("feature")) Features();
    if (Wanted("dimension")) Dimensions();
    if (Wanted("parameter")) Parameters();
    if (Wanted("relation")) Relations();
    if (!in_.has_snapshot)
      out_.notes.push_back(
          "no export snapshot beside the file: changes made to the model since the export "
          "cannot be told from the edits");
    return std::move(out_);
  }

 private:
  bool Wanted(const std::string& kind) const {
    return std::find(in_.kinds.begin(), in_.kinds.end(), kind) != in_.kinds.end();
  }
  bool Drawing() const { return in_.model_type == kDrawing; }

  void Change(const std::string& kind, std::vector<long long> rows, const std::string& item,
              const std::string& text, std::vector<std::string> lines = {}) {
    out_.changes.push_back({kind, std::move(rows), item, text, std::move(lines)});
  }
  void Unchanged(const std::string& kind, long long row, const std::string& item,
                 const std::string& text) {
    out_.changes.push_back({kind, {row}, item, text, {}, true});
  }
  void Conflict(const std::string& kind, std::vector<long long> rows, const std::string& item,
                const std::string& text, std::vector<std::string> lines = {}) {
    out_.conflicts.push_back({kind, std::move(rows), item, text, std::move(lines)});
  }
  // A row the import fails at: `why`, and the code the import gives.
  void Fails(const std::string& kind, std::vector<long long> rows, const std::string& item,
             const std::string& why, int code) {
    out_.conflicts.push_back({kind,
                              std::move(rows),
                              item,
                              why + ": the import fails with " + CodeText(code),
                              {},
                              false,
                              code});
  }

  // The snapshot's row for `row`, when it was exported from the current model.
  template <class Row>
  const Row* Exported(const std::vector<Row>& rows, long long row) const {
    const Row* found = ByRow(rows, row);
    return found && found->model == in_.model ? found : nullptr;
  }

  // Rows exported from another model cannot be compared with this one.
  void CheckExportedModel() {
    std::map<std::string, std::vector<long long>> foreign;
    const auto note = [&](const auto& edited, const auto& exported) {
      for (const auto& row : edited) {
        if (row.flag == 0) continue;
        const auto* original = ByRow(exported, row.row);
        if (original && original->model != in_.model) foreign[original->model].push_back(row.row);
      }
    };
    note(in_.edited.features, in_.exported.features);
    note(in_.edited.dimensions, in_.exported.dimensions);
    note(in_.edited.parameters, in_.exported.parameters);
    note(in_.edited.relations, in_.exported.relations);
    for (const auto& entry : foreign)
      Conflict("model", entry.second, entry.first,
               "exported from " + entry.first + "; the current model is " + in_.model);
  }

  const FeatureRow* CurrentFeature(long long id) const {
    for (const FeatureRow& feature : in_.current.features)
      if (feature.id == id) return &feature;
    return nullptr;
  }

  void Features() {
    // The names as the renames before each row leave them.
    std::map<long long, std::string> names;
    for (const FeatureRow& feature : in_.current.features) names[feature.id] = feature.name;
    for (const FeatureRow& row : in_.edited.features) {
      if (row.flag == 1 || row.flag == 3)
        out_.notes.push_back("row " + std::to_string(row.row) + " of " + "RURO_2_feature" +
                             " is flagged " + std::to_string(row.flag) +
                             ": the import creates and deletes no features");
      if (row.flag != 2) continue;
      const std::string item = "feature " + std::to_string(row.id);
      if (Drawing()) {
        Fails("feature", {row.row}, item, "a drawing has no features", kInvalidType);
        continue;
      }
      const FeatureRow* now = CurrentFeature(row.id);
      if (!now) {
        Fails("feature", {row.row}, item, "not in the model" + NullNote(row.nulls, "featId"),
              kNotExist);
        continue;
      }
      const FeatureRow* original = Exported(in_.exported.features, row.row);
      if (original && original->name != now->name)
        Conflict("feature", {row.row}, item,
                 "changed since the export: name " + original->name + " -> " + now->name);
      if (const int code = NameLengthCode(row.name)) {
        Fails("feature", {row.row}, item, "a name of more than 31 characters", code);
        continue;
      }
      if (!IsFeatureName(row.name)) {
        Fails("feature", {row.row}, item,
              (row.name.empty() ? "an empty name" + NullNote(row.nulls, "featName")
                                : "name " + row.name) +
                  ": the session takes letters, digits, _ and - only",
              kInvalidName);
        continue;
      }
      const std::string name = UpperCase(row.name);
      const std::string before = names[row.id];
      if (name == before) {
        Unchanged("feature", row.row, item, "no change (" + before + ")");
        continue;
      }
      bool taken = false;
      for (const auto& other : names)
        if (other.first != row.id && other.second == name) {
          Fails("feature", {row.row}, item,
                "feature " + std::to_string(other.first) + " is already named " + name, kFound);
          taken = true;
        }
      if (taken) continue;
      names[row.id] = name;
      Change("feature", {row.row}, item, "name " + before + " -> " + name);
    }
  }

  static std::vector<std::string> DimensionDifferences(const DimensionRow& from,
                                                       const DimensionRow& to) {
    std::vector<std::string> parts;
    if (UpperCase(from.symbol) != UpperCase(to.symbol))
      parts.push_back("symbol " + from.symbol + " -> " + to.symbol);
    if (from.value != to.value)
      parts.push_back("value " + NumberText(from.value) + " -> " + NumberText(to.value));
    if (from.upper != to.upper || from.lower != to.lower)
      parts.push_back("tolerance " + Tolerance(from.upper, from.lower) + " -> " +
                      Tolerance(to.upper, to.lower));
    return parts;
  }

  static std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
  }

  void Dimensions() {
    // The symbols as the rows before each one leave them (the session keeps them
    // in lower case and unique in the model).
    std::map<long long, std::string> symbols;
    for (const DimensionRow& dimension : in_.current.dimensions)
      symbols.emplace(dimension.id, UpperCase(dimension.symbol));
    for (const DimensionRow& row : in_.edited.dimensions) Dimension(row, symbols);
  }

  // Whether the session refuses the row's symbol (too long, malformed, another
  // dimension's), with the failure recorded.
  bool SymbolRefused(const DimensionRow& row, const std::string& item, const std::string& symbol,
                     const std::map<long long, std::string>& symbols) {
    if (const int code = NameLengthCode(row.symbol)) {
      Fails("dimension", {row.row}, item, "a symbol of more than 31 characters", code);
      return true;
    }
    if (!IsRelationName(row.symbol)) {
      Fails("dimension", {row.row}, item,
            (row.symbol.empty() ? "an empty symbol" + NullNote(row.nulls, "dimSymbol")
                                : "symbol " + row.symbol) +
                ": the session takes a letter, then letters, digits and _",
            kBadInputs);
      return true;
    }
    bool taken = false;
    for (const auto& other : symbols)
      if (other.first != row.id && other.second == symbol) {
        Fails("dimension", {row.row}, item,
              "dimension id " + std::to_string(other.first) + " has the symbol " + row.symbol,
              kNoChange);
        taken = true;
      }
    return taken;
  }

  // One edited dimension row; `symbols` takes its symbol once it is accepted.
  void Dimension(const DimensionRow& row, std::map<long long, std::string>& symbols) {
    if (row.flag == 1 || row.flag == 3)
      out_.notes.push_back("row " + std::to_string(row.row) + " of RURO_2_dimension is flagged " +
                           std::to_string(row.flag) +
                           ": the import creates and deletes no dimensions");
    if (row.flag != 2) return;
    const DimensionRow* now = nullptr;
    for (const DimensionRow& dimension : in_.current.dimensions)
      if (dimension.id == row.id && !now) now = &dimension;
    std::string item = "dimension id " + std::to_string(row.id);
    if (!now || Drawing()) {
      Fails("dimension", {row.row}, item,
            Drawing() ? "a drawing's dimensions are not imported"
                      : "not in the model" + NullNote(row.nulls, "dimId"),
            Drawing() ? kInvalidType : kNotExist);
      return;
    }
    item = now->symbol + " (id " + std::to_string(row.id) + ")";
    if (const DimensionRow* original = Exported(in_.exported.dimensions, row.row)) {
      const std::vector<std::string> moved = DimensionDifferences(*original, *now);
      if (!moved.empty())
        Conflict("dimension", {row.row}, item, "changed since the export: " + Joined(moved));
    }
    if (now->tol_type == 0) {
      Unchanged("dimension", row.row, item, "nothing: a reference dimension");
      return;
    }
    if (now->driven) {
      Unchanged("dimension", row.row, item, "nothing: a relation drives it");
      return;
    }
    const std::string symbol = UpperCase(row.symbol);
    if (SymbolRefused(row, item, symbol, symbols)) return;
    if (!std::isfinite(row.value)) {
      Fails("dimension", {row.row}, item, "value " + NumberText(row.value), kBadInputs);
      return;
    }
    symbols[row.id] = symbol;
    const std::vector<std::string> parts = DimensionDifferences(*now, row);
    if (parts.empty())
      Unchanged("dimension", row.row, item, "no change");
    else
      Change("dimension", {row.row}, item, Joined(parts));
  }

  // The current parameter a row names, found as the import finds its owner and
  // the parameter; null when there is none, with *code the import's code (0 when
  // the row cannot be compared) and *why the reason.
  const ParameterRow* CurrentParameter(const ParameterRow& row, int* code, std::string* why) const {
    const std::string type_text = in_.model.substr(in_.model.rfind('.') + 1);
    const bool own = row.owner_type == type_text;
    *code = 0;
    // A drawing takes only its own parameters; the import refuses any other
    // owner's row before it changes anything.
    if (Drawing() && !(own && row.owner_id == 0)) {
      *code = kInvalidType;
      *why = "a drawing takes only its own parameters";
      return nullptr;
    }
    if (own && row.owner_id != 0) {
      *code = kNotExist;
      *why = "owner id " + std::to_string(row.owner_id) + " with the model's type " + type_text +
             ": the model's own parameters have owner id 0";
      return nullptr;
    }
    if (!own) {
      char* end = nullptr;
      const long type = std::strtol(row.owner_type.c_str(), &end, 10);
      if (row.owner_type.empty() || *end == '\0') {
        if (type < kFirstItemType || type > kLastItemType ||
            (type != kFeatureItem && type != kDimensionItem && type != kReferenceDimensionItem &&
             type != 1 && type != 2 && type != kDrawing)) {
          *code = kBadInputs;
          *why = "owner type " + (row.owner_type.empty() ? std::string("empty") : row.owner_type) +
                 NullNote(row.nulls, "ownerType") + ": no item type that owns parameters";
        } else {
          *why = "owner type " + row.owner_type + ": not exported, cannot be compared";
        }
        return nullptr;
      }
      if (!CurrentFeature(row.owner_id)) {
        *code = kNotExist;
        *why = "no component " + std::to_string(row.owner_id) + " in the model";
        return nullptr;
      }
    }
    if (const int length = NameLengthCode(row.name)) {
      *code = length;
      *why = "a name of more than 31 characters";
      return nullptr;
    }
    if (row.name.empty()) {
      *code = kBadInputs;
      *why = "an empty name" + NullNote(row.nulls, "paramName");
      return nullptr;
    }
    const std::string name = UpperCase(row.name);
    for (const ParameterRow& parameter : in_.current.parameters) {
      const bool same_owner =
          own ? parameter.owner_id == 0 && parameter.owner_type == type_text
              : parameter.owner_id == row.owner_id && parameter.owner_type != type_text;
      if (same_owner && UpperCase(parameter.name) == name &&
          !deleted_.count({parameter.owner_name, name}))
        return &parameter;
    }
    *code = kNotFound;
    *why = "no parameter " + name + " there";
    return nullptr;
  }

  // A row flagged 2 or 3: the parameter it names, or a conflict and null.
  const ParameterRow* Named(const ParameterRow& row, const std::string& item) {
    int code = 0;
    std::string why;
    const ParameterRow* now = CurrentParameter(row, &code, &why);
    if (!now) {
      if (code)
        Fails("parameter", {row.row}, item, why, code);
      else
        Conflict("parameter", {row.row}, item, why);
      return nullptr;
    }
    if (const ParameterRow* original = Exported(in_.exported.parameters, row.row)) {
      const ImportedValue was = ImportValue(original->type, original->value);
      const ImportedValue is = ImportValue(now->type, now->value);
      if (!SameValue(was, is))
        Conflict("parameter", {row.row}, item,
                 "changed since the export: " + ValueText(was) + " -> " + ValueText(is));
    }
    return now;
  }

  // In the import's order: every change (2), then every deletion (3), then every
  // creation (1), each seeing what the ones before it did.
  void Parameters() {
    for (const ParameterRow& row : in_.edited.parameters) {
      if (row.flag != 2) continue;
      const std::string item = row.owner_name + " " + UpperCase(row.name);
      const ParameterRow* now = Named(row, item);
      if (!now) continue;
      const ImportedValue value = ImportValue(row.type, row.value);
      const ImportedValue current = ImportValue(now->type, now->value);
      if (value.code) {
        Fails("parameter", {row.row}, item,
              value.code == -6 ? "a text of more than 79 characters"
                               : "value " + ValueText(value) + NullNote(row.nulls, "paramValType") +
                                     ": not a " + TypeName(row.type) + " the import can read",
              value.code);
      } else if (row.type != now->type) {
        Fails("parameter", {row.row}, item,
              "the row holds a " + TypeName(row.type) + NullNote(row.nulls, "paramValType") +
                  ", the parameter is a " + TypeName(now->type),
              kBadInputs);
      } else if (SameValue(value, current)) {
        Unchanged("parameter", row.row, item, "no change (" + ValueText(current) + ")");
      } else {
        Change("parameter", {row.row}, item, ValueText(current) + " -> " + ValueText(value));
      }
    }
    for (const ParameterRow& row : in_.edited.parameters) {
      if (row.flag != 3) continue;
      const std::string item = row.owner_name + " " + UpperCase(row.name);
      const ParameterRow* now = Named(row, item);
      if (!now) continue;
      deleted_.insert({now->owner_name, UpperCase(now->name)});
      Change("parameter", {row.row}, item,
             "deleted (was " + ValueText(ImportValue(now->type, now->value)) + ")");
    }
    AddedParameters();
  }

  // The rows flagged 1, after the changes and deletions.
  void AddedParameters() {
    const std::string type_text = in_.model.substr(in_.model.rfind('.') + 1);
    std::set<std::string> own_names;  // the model's own parameters as the rows leave them
    for (const ParameterRow& parameter : in_.current.parameters)
      if (parameter.owner_id == 0 && parameter.owner_type == type_text &&
          !deleted_.count({parameter.owner_name, UpperCase(parameter.name)}))
        own_names.insert(UpperCase(parameter.name));
    for (const ParameterRow& row : in_.edited.parameters) {
      if (row.flag != 1) continue;
      const std::string name = UpperCase(row.name);
      const std::string item = in_.model + " " + name;
      const ImportedValue value = ImportValue(row.type, row.value);
      if (const int code = NameLengthCode(row.name)) {
        Fails("parameter", {row.row}, item, "a name of more than 31 characters", code);
      } else if (value.code) {
        Fails("parameter", {row.row}, item,
              value.code == -6 ? "a text of more than 79 characters"
                               : "value " + ValueText(value) + NullNote(row.nulls, "paramValType") +
                                     ": not a " + TypeName(row.type) + " the import can read",
              value.code);
      } else if (row.name.empty()) {
        Fails("parameter", {row.row}, item, "an empty name" + NullNote(row.nulls, "paramName"),
              kBadInputs);
      } else if (!IsRelationName(row.name) || LooksLikeDimensionSymbol(row.name)) {
        Fails("parameter", {row.row}, item,
              "name " + row.name +
                  ": the session takes a letter, then letters, digits and _, not a dimension's "
                  "symbol",
              kInvalidName);
      } else if (!own_names.insert(name).second) {
        Fails("parameter", {row.row}, item, "the model already has it", kFound);
      } else {
        std::string text = "added: " + ValueText(value) + " (" + TypeName(row.type) + ")";
        if (row.owner_id != 0) text += ", on the model, not on " + row.owner_name;
        Change("parameter", {row.row}, item, text);
      }
    }
  }

  // The code the import gives for a relation owner that is neither the model
  // nor one of its features; 0 when it would be found.
  int OwnerCode(int type, long long id) const {
    if (type < kFirstItemType || type > kLastItemType) return kBadInputs;
    if (type == 1 || type == 2 || type == kDrawing) return kNotExist;
    if (type == kFeatureItem) return CurrentFeature(id) ? 0 : kNotExist;
    if (type == kDimensionItem || type == kReferenceDimensionItem) return kNotExist;
    return kBadInputs;
  }

  struct RelationOwner {
    int type = 0;
    long long id = 0;
    std::vector<long long> rows;  // every row of the owner, flagged 3 or not
    std::vector<std::string> lines;
    bool null_type = false;
    bool edited = false;  // a row flagged 1 or 2
  };

  // The owners of the relation rows, in the order of their first rows, as the
  // import goes.
  std::vector<RelationOwner> RelationOwners() const {
    std::vector<RelationOwner> owners;
    for (const RelationRow& row : in_.edited.relations) {
      // The import reads the rows whose flag is not 3; a NULL flag is no such row.
      if (!NullNote(row.nulls, "RURO_flag").empty()) continue;
      const bool model = row.owner_type == in_.model_type;
      auto found = std::find_if(owners.begin(), owners.end(), [&](const RelationOwner& owner) {
        return owner.type == row.owner_type && (model || owner.id == row.owner_id);
      });
      if (found == owners.end())
        found = owners.insert(owners.end(), {row.owner_type, row.owner_id, {}, {}});
      found->rows.push_back(row.row);
      found->null_type = found->null_type || !NullNote(row.nulls, "ownerType").empty();
      if (row.flag != 3) found->lines.push_back(row.line);
      found->edited = found->edited || row.flag == 1 || row.flag == 2;
    }
    return owners;
  }

  void Relations() {
    for (const RelationOwner& owner : RelationOwners()) OwnerRelations(owner);
  }

  void OwnerRelations(const RelationOwner& owner) {
    const bool model = owner.type == in_.model_type;
    std::string item = "relations of " + in_.model;
    if (!model) {
      item = std::string("relations of ") + (owner.type == kFeatureItem ? "feature " : "item ") +
             std::to_string(owner.id);
      const FeatureRow* feature = owner.type == kFeatureItem ? CurrentFeature(owner.id) : nullptr;
      // A drawing rewrites only its own set: other owners' rows are refused when
      // edited, and otherwise left as they are.
      if (Drawing()) {
        if (owner.edited)
          Fails("relation", owner.rows, item, "a drawing takes only its own relations",
                kInvalidType);
        return;
      }
      const int code = OwnerCode(owner.type, owner.id);
      // Rows that are all flagged 3 are not read: their owner is never looked up.
      if (code && !owner.lines.empty()) {
        Fails("relation", owner.rows, item,
              "owner type " + std::to_string(owner.type) +
                  (owner.null_type ? " (ownerType is NULL)" : "") + ", id " +
                  std::to_string(owner.id) + ": not the model, nor a feature of it",
              code);
        return;
      }
      if (!feature) return;
      item += " " + feature->name;
    }
    std::vector<std::string> now;
    for (const RelationRow& relation : in_.current.relations)
      if (relation.owner_type == owner.type && (model || relation.owner_id == owner.id))
        now.push_back(relation.line);
    std::vector<std::string> exported;
    for (long long row : owner.rows)
      if (const RelationRow* original = Exported(in_.exported.relations, row))
        exported.push_back(original->line);
    if (!exported.empty() && exported != now)
      Conflict("relation", owner.rows, item, "changed since the export", LineDiff(exported, now));
    if (owner.lines.empty()) {
      out_.changes.push_back({"relation",
                              owner.rows,
                              item,
                              "nothing: every row is flagged 3, the lines stay",
                              {},
                              true});
    } else if (owner.lines != now) {
      Change("relation", owner.rows, item, Lines(now.size()) + " -> " + Lines(owner.lines.size()),
             LineDiff(now, owner.lines));
    }
  }

  const DryRunInput& in_;
  DryRun out_;
  // (ownerName, NAME) of the parameters the rows delete. A model placed twice
  // shows under both components with its name as ownerName (when they are not
  // named): deleting through one deletes it from both.
  std::set<std::pair<std::string, std::string>> deleted_;
};

}  // namespace

DryRun PlanImport(const DryRunInput& input) { return Planner(input).Run(); }

std::size_t DryRun::Changing() const {
  std::size_t n = 0;
  for (const DryRunLine& line : changes) n += line.unchanged ? 0 : 1;
  return n;
}

std::size_t DryRun::Failing() const {
  std::size_t n = 0;
  for (const DryRunLine& line : conflicts) n += line.code != 0 ? 1 : 0;
  return n;
}

std::string RowsText(const std::vector<long long>& rows) {
  std::vector<long long> sorted = rows;
  std::sort(sorted.begin(), sorted.end());
  std::string text;
  for (std::size_t i = 0; i < sorted.size();) {
    std::size_t j = i;
    while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1) ++j;
    text += (text.empty() ? "" : ", ") + std::to_string(sorted[i]);
    if (j > i) text += "-" + std::to_string(sorted[j]);
    i = j + 1;
  }
  return text;
}

}  // namespace tavhost
