#include "src/exchange_row.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "src/string_util.h"

namespace {

std::wstring Joined(const std::vector<std::wstring>& parts) {
  std::wstring text;
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? L"," : L"") + parts[i];
  return text;
}

}  // namespace

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
  flagged_ = false;
}

void ExchangeRow::Add(const std::wstring& name, std::wstring value) {
  columns_.push_back(name);
  values_.push_back(std::move(value));
}

void ExchangeRow::AddIntColumn(const std::wstring& name, int value) {
  Add(name, FormatString(L"%d", value));
}

void ExchangeRow::AddDoubleColumn(const std::wstring& name, double value) {
  if (!std::isfinite(value)) {
    Add(name, L"NULL");
    return;
  }
  // The shortest text that reads back as the same double, independent of the
  // process's locale: a host that edits another column of the row must not move
  // the model by rounding this one.
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  Add(name, std::wstring(buffer, end));
}

void ExchangeRow::AddTextColumn(const std::wstring& name, const wchar_t* text) {
  std::wstring quoted;
  for (const wchar_t* c = text ? text : L""; *c; ++c) {
    if (*c == L'\'') quoted += L'\'';
    quoted += *c;
  }
  Add(name, FormatString(L"'%ls'", quoted.c_str()));
}

std::wstring ExchangeRow::BuildInsert(bool with_flag) {
  if (with_flag && !flagged_) {
    AddIntColumn(L"RURO_flag", 0);
    flagged_ = true;
  }
  return L"insert into '" + table_ + L"' (" + Joined(columns_) + L") values (" + Joined(values_) +
         L")";
}
