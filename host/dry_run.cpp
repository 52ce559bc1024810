#include "host/dry_run.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

#include "host/wide_text.h"

namespace tavhost {
namespace {

constexpr int kFeatureItem = 3;  // the item type of a feature's relation set
constexpr int kRealType = 50, kTextType = 51;

std::string TypeName(int type) {
  switch (type) {
    case 50:
      return "real";
    case 51:
      return "text";
    case 52:
      return "integer";
    case 53:
      return "boolean";
    case 54:
      return "note id";
    default:
      return "type " + std::to_string(type);
  }
}

bool ParsesAsNumber(const std::string& text, double* value) {
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0';
}

std::string ValueText(int type, const std::string& value) {
  double number = 0;
  if (type == kTextType) return "\"" + value + "\"";
  if (type == kRealType && ParsesAsNumber(value, &number)) return NumberText(number);
  return value;
}

bool SameValue(int type, const std::string& a, const std::string& b) {
  double x = 0, y = 0;
  if (type != kTextType && ParsesAsNumber(a, &x) && ParsesAsNumber(b, &y)) return x == y;
  return a == b;
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

  void Change(const std::string& kind, std::vector<long long> rows, const std::string& item,
              const std::string& text, std::vector<std::string> lines = {}) {
    out_.changes.push_back({kind, std::move(rows), item, text, std::move(lines)});
  }
  void Conflict(const std::string& kind, std::vector<long long> rows, const std::string& item,
                const std::string& text, std::vector<std::string> lines = {}) {
    out_.conflicts.push_back({kind, std::move(rows), item, text, std::move(lines)});
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
    for (const FeatureRow& row : in_.edited.features) {
      if (row.flag == 1 || row.flag == 3)
        out_.notes.push_back("row " + std::to_string(row.row) + " of " + "RURO_2_feature" +
                             " is flagged " + std::to_string(row.flag) +
                             ": the import creates and deletes no features");
      if (row.flag != 2) continue;
      const std::string item = "feature " + std::to_string(row.id);
      const FeatureRow* now = CurrentFeature(row.id);
      if (!now) {
        Conflict("feature", {row.row}, item, "not in the model: the import would stop here");
        continue;
      }
      const FeatureRow* original = Exported(in_.exported.features, row.row);
      if (original && original->name != now->name)
        Conflict("feature", {row.row}, item,
                 "changed since the export: name " + original->name + " -> " + now->name);
      const std::string name = UpperCase(row.name);
      if (name == now->name) {
        Change("feature", {row.row}, item, "no change (" + now->name + ")");
        continue;
      }
      for (const FeatureRow& other : in_.current.features)
        if (other.id != row.id && other.name == name)
          Conflict("feature", {row.row}, item,
                   "feature " + std::to_string(other.id) + " is already named " + name +
                       ": the import would stop here");
      Change("feature", {row.row}, item, "name " + now->name + " -> " + name);
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
    for (const DimensionRow& row : in_.edited.dimensions) {
      if (row.flag == 1 || row.flag == 3)
        out_.notes.push_back("row " + std::to_string(row.row) + " of RURO_2_dimension is flagged " +
                             std::to_string(row.flag) +
                             ": the import creates and deletes no dimensions");
      if (row.flag != 2) continue;
      const DimensionRow* now = nullptr;
      for (const DimensionRow& dimension : in_.current.dimensions)
        if (dimension.id == row.id && !now) now = &dimension;
      std::string item = "dimension id " + std::to_string(row.id);
      if (!now) {
        Conflict("dimension", {row.row}, item, "not in the model: the import would stop here");
        continue;
      }
      item = now->symbol + " (id " + std::to_string(row.id) + ")";
      if (const DimensionRow* original = Exported(in_.exported.dimensions, row.row)) {
        const std::vector<std::string> moved = DimensionDifferences(*original, *now);
        if (!moved.empty())
          Conflict("dimension", {row.row}, item, "changed since the export: " + Joined(moved));
      }
      if (now->driven) {
        Change("dimension", {row.row}, item, "nothing: a relation drives it");
        continue;
      }
      const std::vector<std::string> parts = DimensionDifferences(*now, row);
      Change("dimension", {row.row}, item, parts.empty() ? "no change" : Joined(parts));
    }
  }

  // The current parameter a row names, found as the import finds its owner; null
  // with the reason in *why when there is none.
  const ParameterRow* CurrentParameter(const ParameterRow& row, std::string* why) const {
    const std::string type_text = in_.model.substr(in_.model.rfind('.') + 1);
    const bool own = row.owner_id == 0 && row.owner_type == type_text;
    if (!own) {
      char* end = nullptr;
      std::strtol(row.owner_type.c_str(), &end, 10);
      if (row.owner_type.empty() || *end == '\0') {
        *why = "owner type " + row.owner_type + ": not exported, cannot be compared";
        return nullptr;
      }
      if (!CurrentFeature(row.owner_id)) {
        *why = "no component " + std::to_string(row.owner_id) +
               " in the model: the import would stop here";
        return nullptr;
      }
    }
    const std::string name = UpperCase(row.name);
    for (const ParameterRow& parameter : in_.current.parameters) {
      const bool same_owner =
          own ? parameter.owner_id == 0 && parameter.owner_type == type_text
              : parameter.owner_id == row.owner_id && parameter.owner_type != type_text;
      if (same_owner && UpperCase(parameter.name) == name) return &parameter;
    }
    *why = "no parameter " + name + " there: the import would stop here";
    return nullptr;
  }

  void Parameters() {
    const std::string type_text = in_.model.substr(in_.model.rfind('.') + 1);
    std::set<std::string> own_names;  // the model's own parameters once the deletions ran
    for (const ParameterRow& parameter : in_.current.parameters)
      if (parameter.owner_id == 0 && parameter.owner_type == type_text)
        own_names.insert(UpperCase(parameter.name));
    for (const ParameterRow& row : in_.edited.parameters) {
      std::string why;
      if (row.flag == 3 && CurrentParameter(row, &why) && row.owner_id == 0)
        own_names.erase(UpperCase(row.name));
    }
    for (const ParameterRow& row : in_.edited.parameters) {
      if (row.flag < 1 || row.flag > 3) continue;
      const std::string name = UpperCase(row.name);
      if (row.flag == 1) {
        const std::string item = in_.model + " " + name;
        if (own_names.count(name))
          Conflict("parameter", {row.row}, item,
                   "the model already has it: the import would stop here");
        std::string text =
            "added: " + ValueText(row.type, row.value) + " (" + TypeName(row.type) + ")";
        if (row.owner_id != 0) text += ", on the model, not on " + row.owner_name;
        Change("parameter", {row.row}, item, text);
        continue;
      }
      const std::string item = row.owner_name + " " + name;
      std::string why;
      const ParameterRow* now = CurrentParameter(row, &why);
      if (!now) {
        Conflict("parameter", {row.row}, item, why);
        continue;
      }
      if (const ParameterRow* original = Exported(in_.exported.parameters, row.row))
        if (original->type != now->type || !SameValue(now->type, original->value, now->value))
          Conflict("parameter", {row.row}, item,
                   "changed since the export: " + ValueText(original->type, original->value) +
                       " -> " + ValueText(now->type, now->value));
      if (row.flag == 3) {
        Change("parameter", {row.row}, item,
               "deleted (was " + ValueText(now->type, now->value) + ")");
      } else if (row.type != now->type) {
        Conflict("parameter", {row.row}, item,
                 "the row holds a " + TypeName(row.type) + ", the parameter is a " +
                     TypeName(now->type) + ": the import would stop here");
      } else if (SameValue(row.type, row.value, now->value)) {
        Change("parameter", {row.row}, item,
               "no change (" + ValueText(now->type, now->value) + ")");
      } else {
        Change("parameter", {row.row}, item,
               ValueText(now->type, now->value) + " -> " + ValueText(row.type, row.value));
      }
    }
  }

  void Relations() {
    struct Owner {
      int type = 0;
      long long id = 0;
      std::vector<long long> rows;  // every row of the owner, flagged 3 or not
      std::vector<std::string> lines;
    };
    std::vector<Owner> owners;  // in the order of their first rows, as the import goes
    for (const RelationRow& row : in_.edited.relations) {
      const bool model = row.owner_type == in_.model_type;
      auto found = std::find_if(owners.begin(), owners.end(), [&](const Owner& owner) {
        return owner.type == row.owner_type && (model || owner.id == row.owner_id);
      });
      if (found == owners.end())
        found = owners.insert(owners.end(), {row.owner_type, row.owner_id, {}, {}});
      found->rows.push_back(row.row);
      if (row.flag != 3) found->lines.push_back(row.line);
    }
    for (const Owner& owner : owners) {
      const bool model = owner.type == in_.model_type;
      std::string item = "relations of " + in_.model;
      if (!model) {
        const FeatureRow* feature = owner.type == kFeatureItem ? CurrentFeature(owner.id) : nullptr;
        item = "relations of feature " + std::to_string(owner.id);
        if (!feature) {
          Conflict("relation", owner.rows, item,
                   owner.type == kFeatureItem
                       ? "no feature " + std::to_string(owner.id) +
                             " in the model: the import would stop here"
                       : "owner type " + std::to_string(owner.type) +
                             " is neither the model's nor a feature's: the import would stop here");
          continue;
        }
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
        Change("relation", owner.rows, item, "nothing: every row is flagged 3, the lines stay");
      } else if (owner.lines != now) {
        Change("relation", owner.rows, item, Lines(now.size()) + " -> " + Lines(owner.lines.size()),
               LineDiff(now, owner.lines));
      }
    }
  }

  const DryRunInput& in_;
  DryRun out_;
};

}  // namespace

DryRun PlanImport(const DryRunInput& input) { return Planner(input).Run(); }

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
