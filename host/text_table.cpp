#include "host/text_table.h"

#include <algorithm>
#include <ostream>

#include "host/wide_text.h"

namespace tavhost {

Cell TextCell(const std::string& text) { return {text, text, false}; }
Cell IntCell(long long value) { return {std::to_string(value), value, true}; }
Cell NullCell() { return {"", nullptr, false}; }

std::vector<std::size_t> TextTable::Widths(bool with_header) const {
  std::vector<std::size_t> widths(columns_.size(), 0);
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (with_header) widths[c] = DisplayWidth(columns_[c]);
    for (const std::vector<Cell>& row : rows_)
      if (c < row.size()) widths[c] = std::max(widths[c], DisplayWidth(row[c].text));
  }
  return widths;
}

std::vector<bool> TextTable::RightAligned() const {
  // A column of numbers (empty cells aside) is right-aligned, header included.
  std::vector<bool> right(columns_.size(), !rows_.empty());
  for (const std::vector<Cell>& row : rows_)
    for (std::size_t c = 0; c < row.size() && c < right.size(); ++c)
      if (!row[c].number && !row[c].text.empty()) right[c] = false;
  return right;
}

void TextTable::PrintLine(std::ostream& out, const std::string& indent,
                          const std::vector<Cell>& row, const std::vector<std::size_t>& widths,
                          const std::vector<bool>& right) const {
  std::string line = indent;
  for (std::size_t c = 0; c < widths.size(); ++c) {
    const Cell cell = c < row.size() ? row[c] : NullCell();
    const std::string pad(widths[c] - std::min(widths[c], DisplayWidth(cell.text)), ' ');
    if (c > 0) line += "  ";
    line += right[c] ? pad + cell.text : cell.text + pad;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out << line << '\n';
}

void TextTable::Print(std::ostream& out, const std::string& indent) const {
  const std::vector<std::size_t> widths = Widths(true);
  std::vector<Cell> header;
  std::vector<Cell> rule;
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    header.push_back(TextCell(columns_[c]));
    rule.push_back(TextCell(std::string(widths[c], '-')));
  }
  const std::vector<bool> right = RightAligned();
  PrintLine(out, indent, header, widths, right);
  PrintLine(out, indent, rule, widths, right);
  for (const std::vector<Cell>& row : rows_) PrintLine(out, indent, row, widths, right);
  if (rows_.empty()) out << indent << "(no rows)\n";
}

void TextTable::PrintRows(std::ostream& out, const std::string& indent) const {
  const std::vector<std::size_t> widths = Widths(false);
  const std::vector<bool> right = RightAligned();
  for (const std::vector<Cell>& row : rows_) PrintLine(out, indent, row, widths, right);
}

nlohmann::json TextTable::ToJson() const {
  nlohmann::json rows = nlohmann::json::array();
  for (const std::vector<Cell>& row : rows_) {
    nlohmann::json object = nlohmann::json::object();
    for (std::size_t c = 0; c < columns_.size(); ++c)
      object[columns_[c]] = c < row.size() ? row[c].value : nullptr;
    rows.push_back(std::move(object));
  }
  return rows;
}

}  // namespace tavhost
