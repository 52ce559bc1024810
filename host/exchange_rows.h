#pragma once
// The rows of the exchange database (docs/exchange-format.md) as the import reads
// them, typed: what `diff` compares and what an export snapshot keeps. NULL reads
// as 0, 0.0 or "", as in the module.
#include <map>
#include <string>
#include <vector>

#include "host/exchange_db.h"

namespace tavhost {

struct FeatureRow {
  long long row = 0;  // rowid in the host's file (the snapshot keeps it as sourceRowid)
  int flag = 0;
  std::string model;  // snapshot only: the model exported, NAME.TYPE
  long long id = 0;
  std::string name;
  std::vector<std::string> nulls;  // the columns read here that hold NULL
};

struct DimensionRow {
  long long row = 0;
  int flag = 0;
  std::string model;
  long long id = 0;
  std::string symbol;
  double value = 0, upper = 0, lower = 0;
  bool driven = false;
  int tol_type = -1;  // the host's file only: 0 for a reference dimension
  std::vector<std::string> nulls;
};

struct ParameterRow {
  long long row = 0;
  int flag = 0;
  std::string model;
  long long owner_id = 0;
  std::string owner_name, owner_type, name;
  int type = 0;  // 50 real, 51 text, 52 integer, 53 boolean, 54 note id
  std::string value;
  std::vector<std::string> nulls;
};

struct RelationRow {
  long long row = 0;
  int flag = 0;
  std::string model;
  long long owner_id = 0;
  int owner_type = 0;
  std::string line;
  std::vector<std::string> nulls;
};

struct ExchangeRows {
  std::vector<FeatureRow> features;
  std::vector<DimensionRow> dimensions;
  std::vector<ParameterRow> parameters;
  std::vector<RelationRow> relations;
};

// The four kinds in the module's order, with their tables.
struct ExchangeKind {
  std::string name;     // "feature"
  std::string table;    // "RURO_2_feature"
  std::string columns;  // the columns read here, comma separated
};
const std::vector<ExchangeKind>& ExchangeKinds();
// "all" or a comma-separated list of kind names; a UsageError for anything else.
std::vector<std::string> ParseKinds(const std::string& text);
std::string JoinKinds(const std::vector<std::string>& kinds);

// Reads the tables of `kinds` that exist in `db`, in rowid order, each row where
// `condition` holds. The host's file keys rows by rowid; a snapshot by sourceRowid
// and also holds the model column. Rows of the host's file also say which of
// their columns are NULL, and dimensions their tolerance type.
ExchangeRows ReadRows(Database& db, const std::vector<std::string>& kinds,
                      const std::string& condition, bool snapshot = false);

}  // namespace tavhost
