#pragma once
// A table of results (database rows, events, diff lines) that prints as aligned
// columns for a person and as a list of JSON objects for a script.
#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tavhost {

struct Cell {
  std::string text;      // as a person reads it
  nlohmann::json value;  // as a script reads it
  bool number = false;   // numbers are right-aligned
};

Cell TextCell(const std::string& text);
Cell IntCell(long long value);
Cell NullCell();

// As a person sees a cell: control characters escaped (\n, \t, \x1b), and
// a text wider than `width` columns cut with "..." unless SetFullCells(true)
// (tavhost --wide) was called. A table's last column pads no other line and is
// allowed more. Scripts (ToJson) always get the text as it is.
constexpr std::size_t kCellWidth = 60, kLastCellWidth = 200;
void SetFullCells(bool full);
std::string ShownText(const std::string& text, std::size_t width = kCellWidth);

class TextTable {
 public:
  explicit TextTable(std::vector<std::string> columns) : columns_(std::move(columns)) {}

  void AddRow(std::vector<Cell> row) { rows_.push_back(std::move(row)); }
  bool empty() const { return rows_.empty(); }
  std::size_t size() const { return rows_.size(); }
  const std::vector<Cell>& row(std::size_t index) const { return rows_[index]; }
  const std::vector<std::string>& columns() const { return columns_; }

  // A header line, a rule, then the rows; every line starts with `indent`. An
  // empty table prints "(no rows)" under its header.
  void Print(std::ostream& out, const std::string& indent = "") const;
  // Without header and rule: for lists whose columns speak for themselves.
  void PrintRows(std::ostream& out, const std::string& indent = "") const;
  // [{column: value, ...}, ...]
  nlohmann::json ToJson() const;

 private:
  std::string Shown(const std::string& text, std::size_t column) const;
  std::vector<std::size_t> Widths(bool with_header) const;
  std::vector<bool> RightAligned() const;
  void PrintLine(std::ostream& out, const std::string& indent, const std::vector<Cell>& row,
                 const std::vector<std::size_t>& widths, const std::vector<bool>& right) const;

  std::vector<std::string> columns_;
  std::vector<std::vector<Cell>> rows_;
};

}  // namespace tavhost
