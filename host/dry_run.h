#pragma once
// The dry run of an import (`diff`): what UpdateTable would do to the current
// model with the flagged rows of an exchange database, worked out from three
// sets of rows and applied to nothing.
//
//  - edited:   the host's file as its user left it (every row; the flags say
//              which ones the import reads);
//  - current:  the model as it is now, exported into a private database;
//  - exported: the export snapshot (export_snapshot.h), the rows as the module
//              first wrote them, keyed by their rowid in the host's file.
//
// A change compares an edited row with the model now, following the import's
// rules (docs/exchange-format.md) in the import's order: rows flagged 2 rename
// features and set dimension symbols, values and tolerances (a relation-driven
// or reference dimension is left alone); parameters are changed (2), then
// deleted (3), then added to the model (1); each relation owner with rows not
// flagged 3 gets exactly those lines. A conflict is a row whose exported value
// no longer matches the model (the model changed since the export), or a row the
// import would fail at, with the code it would fail with (import_rules.h). The
// import is all or nothing: one such row and nothing is applied.
#include <string>
#include <vector>

#include "host/exchange_rows.h"

namespace tavhost {

struct DryRunLine {
  std::string kind;                // feature, dimension, parameter, relation
  std::vector<long long> rows;     // rowids in the host's file
  std::string item;                // what the line is about: "d0 (id 0)", "PLATE.ASM PROJECT"
  std::string text;                // the change, or why it conflicts
  std::vector<std::string> lines;  // relation lines: "+ added", "- removed"
  bool unchanged = false;          // a change line that changes nothing ("no change")
  int code = 0;                    // a conflict the import fails at: the code it gives
};

struct DryRun {
  std::vector<DryRunLine> changes;
  std::vector<DryRunLine> conflicts;
  std::vector<std::string> notes;
  std::size_t Changing() const;  // changes that change something
  std::size_t Failing() const;   // conflicts the import fails at
};

struct DryRunInput {
  ExchangeRows edited;
  ExchangeRows current;
  ExchangeRows exported;
  bool has_snapshot = false;
  std::string model;   // the current model, NAME.TYPE ("PLATE.ASM")
  int model_type = 0;  // its item type: 2 part, 1 assembly, 4 drawing
  std::vector<std::string> kinds;
};

DryRun PlanImport(const DryRunInput& input);

// "3", "1-3, 7"
std::string RowsText(const std::vector<long long>& rows);

}  // namespace tavhost
