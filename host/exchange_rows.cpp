#include "host/exchange_rows.h"

#include "host/failure.h"

namespace tavhost {

const std::vector<ExchangeKind>& ExchangeKinds() {
  static const std::vector<ExchangeKind> kinds = {
      {"feature", "RURO_2_feature", "featId, featName"},
      {"dimension", "RURO_2_dimension",
       "dimId, dimSymbol, dimValue, upperLimit, lowerLimit, isReldriven"},
      {"parameter", "RURO_2_parameter",
       "ownerId, ownerName, ownerType, paramName, paramValType, paramValue"},
      {"relation", "RURO_2_relation", "ownerId, ownerType, relation"},
  };
  return kinds;
}

std::vector<std::string> ParseKinds(const std::string& text) {
  std::vector<std::string> kinds;
  if (text == "all") {
    for (const ExchangeKind& kind : ExchangeKinds()) kinds.push_back(kind.name);
    return kinds;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string name = text.substr(start, comma - start);
    bool known = false;
    for (const ExchangeKind& kind : ExchangeKinds()) known = known || kind.name == name;
    if (!known)
      throw UsageError("unknown kind '" + name +
                       "': write all, or some of feature,dimension,parameter,relation");
    kinds.push_back(name);
    if (comma == std::string::npos) return kinds;
    start = comma + 1;
  }
}

std::string JoinKinds(const std::vector<std::string>& kinds) {
  std::string text;
  for (const std::string& kind : kinds) text += (text.empty() ? "" : ",") + kind;
  return text;
}

ExchangeRows ReadRows(Database& db, const std::vector<std::string>& kinds,
                      const std::string& condition, bool snapshot) {
  ExchangeRows rows;
  for (const ExchangeKind& kind : ExchangeKinds()) {
    bool wanted = false;
    for (const std::string& name : kinds) wanted = wanted || name == kind.name;
    if (!wanted || !db.HasTable(kind.table)) continue;
    const bool tolerance = kind.name == "dimension" && !snapshot;
    const TextTable table =
        db.Query(std::string("select ") + (snapshot ? "sourceRowid, model" : "rowid, ''") +
                 ", RURO_flag, " + kind.columns + (tolerance ? ", tolType" : "") + " from " +
                 kind.table + " where " + condition + " order by 1");
    const std::vector<std::string>& names = table.columns();
    for (std::size_t r = 0; r < table.size(); ++r) {
      const std::vector<Cell>& c = table.row(r);
      std::vector<std::string> nulls;
      for (std::size_t i = 2; i < c.size(); ++i)
        if (c[i].value.is_null()) nulls.push_back(names[i]);
      const long long row = AsInt(c[0]);
      const std::string model = AsText(c[1]);
      const int flag = static_cast<int>(AsInt(c[2]));
      if (kind.name == "feature") {
        rows.features.push_back({row, flag, model, AsInt(c[3]), AsText(c[4]), nulls});
      } else if (kind.name == "dimension") {
        rows.dimensions.push_back({row, flag, model, AsInt(c[3]), AsText(c[4]), AsDouble(c[5]),
                                   AsDouble(c[6]), AsDouble(c[7]), AsInt(c[8]) != 0,
                                   tolerance ? static_cast<int>(AsInt(c[9])) : -1, nulls});
      } else if (kind.name == "parameter") {
        rows.parameters.push_back({row, flag, model, AsInt(c[3]), AsText(c[4]), AsText(c[5]),
                                   AsText(c[6]), static_cast<int>(AsInt(c[7])), AsText(c[8]),
                                   nulls});
      } else {
        rows.relations.push_back(
            {row, flag, model, AsInt(c[3]), static_cast<int>(AsInt(c[4])), AsText(c[5]), nulls});
      }
    }
  }
  return rows;
}

}  // namespace tavhost
