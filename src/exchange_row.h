#pragma once
// One row of an exchange table (RURO_2_feature, ...) on its way into the
// database: the table, the column names and their values. The export fills one
// row at a time (Clear, the Add...Column calls in the table's column order), then
// binds it to the insert statement of its columns (Insert, Bind).
//
// Values are bound, never written into the statement text: a text of any length,
// with any quotes, goes in as it is, and numbers go in as numbers. A plain value;
// one thread at a time.
#include <string>
#include <vector>

class CppSQLite3Statement;

class ExchangeRow {
 public:
  // "RURO_2_" + kind: RURO_2_feature, RURO_2_dimension, RURO_2_parameter,
  // RURO_2_relation.
  static std::wstring TableName(const std::wstring& kind);

  // Sets the table and empties the row.
  void SetTable(const std::wstring& table);
  // Empties the row's columns; the table stays.
  void Clear();

  void AddIntColumn(const std::wstring& name, int value);
  // A value that is not a finite number is written as NULL.
  void AddDoubleColumn(const std::wstring& name, double value);
  // A null text is written as ''.
  void AddTextColumn(const std::wstring& name, const wchar_t* text);

  // "insert into '<table>' (<names>,RURO_flag) values (?,...,0)": the statement
  // of every row with these columns.
  std::wstring Insert() const;
  // Binds the row's values to the parameters of Insert()'s statement.
  void Bind(CppSQLite3Statement& statement) const;

 private:
  struct Value {
    enum Kind { kInt, kDouble, kText } kind;
    int i;
    double d;
    std::wstring text;
  };

  std::wstring table_;
  std::vector<std::wstring> columns_;
  std::vector<Value> values_;
};
