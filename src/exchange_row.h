#pragma once
// One row of an exchange table (RURO_2_feature, ...) on its way into the
// database: the table, the column names and their values as SQL literals, and
// the insert statement built from them. The export fills one row at a time:
// Clear, the Add...Column calls in the table's column order, then BuildInsert.
//
// Values are written into the statement text, so every value is formatted here:
// integers in decimal, floating-point numbers in the shortest form that reads
// back as the same double, texts in single quotes with every quote inside
// doubled (no text can change the statement). Text values go through
// FormatString, so a value of 1024 characters or more (quotes included) throws
// std::length_error. A plain value; one thread at a time.
#include <string>
#include <vector>

class ExchangeRow {
 public:
  // "RURO_2_" + kind: RURO_2_feature, RURO_2_dimension, RURO_2_parameter,
  // RURO_2_relation.
  static std::wstring TableName(const std::wstring& kind);

  // Sets the table and empties the row.
  void SetTable(const std::wstring& table);
  // Empties the row's columns and clears the flag marker; the table stays.
  void Clear();

  void AddIntColumn(const std::wstring& name, int value);
  // A value that is not a finite number is written as NULL.
  void AddDoubleColumn(const std::wstring& name, double value);
  // A null text is written as ''.
  void AddTextColumn(const std::wstring& name, const wchar_t* text);

  // "insert into '<table>' (<names>) values (<values>)". With `with_flag`, the
  // column RURO_flag with the value 0 is appended once, as the row's last column.
  std::wstring BuildInsert(bool with_flag);

 private:
  void Add(const std::wstring& name, std::wstring value);

  std::wstring table_;
  std::vector<std::wstring> columns_;
  std::vector<std::wstring> values_;
  bool flagged_ = false;
};
