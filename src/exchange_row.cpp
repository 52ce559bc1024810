#include "src/exchange_row.h"

#include <utility>

#include "src/sqlite_statement.h"
#include "src/string_util.h"

std::wstring ExchangeRow::TableName(const std::wstring& kind) {
  return FormatString(L"%ls_%d_%ls", L"RURO", 2, kind.c_str());
}

void ExchangeRow::SetTable(const std::wstring& table) {
  table_ = table;
  Clear();
}

void ExchangeRow::Clear() {
  columns_.clear();
  values_.clear();
}

void ExchangeRow::AddIntColumn(const std::wstring& name, int value) {
  columns_.push_back(name);
  values_.push_back({Value::kInt, value, 0.0, {}});
}

void ExchangeRow::AddDoubleColumn(const std::wstring& name, double value) {
  columns_.push_back(name);
  values_.push_back({Value::kDouble, 0, value, {}});
}

void ExchangeRow::AddTextColumn(const std::wstring& name, const wchar_t* text) {
  columns_.push_back(name);
  values_.push_back({Value::kText, 0, 0.0, text ? text : L""});
}

std::wstring ExchangeRow::Insert() const {
  std::wstring names, marks;
  for (const std::wstring& column : columns_) names += column + L",", marks += L"?,";
  return L"insert into '" + table_ + L"' (" + names + L"RURO_flag) values (" + marks + L"0)";
}

void ExchangeRow::Bind(CppSQLite3Statement& statement) const {
  for (std::size_t i = 0; i < values_.size(); ++i) {
    const int index = static_cast<int>(i) + 1;
    const Value& value = values_[i];
    if (value.kind == Value::kInt) statement.BindInt(index, value.i);
    if (value.kind == Value::kDouble) statement.BindDouble(index, value.d);
    if (value.kind == Value::kText) statement.BindText(index, value.text);
  }
}
