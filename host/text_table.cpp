#include "host/text_table.h"

#include <algorithm>
#include <cwchar>
#include <ostream>

#include "host/system.h"
#include "host/wide_text.h"

namespace tavhost {

namespace {

bool g_full_cells = false;

}  // namespace

void SetFullCells(bool full) { g_full_cells = full; }

std::string ShownText(const std::string& text, std::size_t width) {
  // One pass that stops at the width: a cell may hold megabytes.
  std::string shown;
  std::size_t used = 0, fit = 0;  // fit: the bytes of `shown` within width - 3 columns
  std::mbstate_t state{};
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::string piece;
    std::size_t columns = 1, length = 1;
    if (c == '\n' || c == '\t') {
      piece = c == '\n' ? "\\n" : "\\t";
      columns = 2;
    } else if (c < 0x20 || c == 0x7f) {
      static const char kHex[] = "0123456789abcdef";
      piece = std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
      columns = 4;
    } else {
      wchar_t letter = 0;
      const std::size_t n = std::mbrtowc(&letter, text.data() + i, text.size() - i, &state);
      if (n == 0 || n > text.size() - i) {  // invalid or cut short: one byte
        state = std::mbstate_t{};
      } else {
        length = n;
        columns = static_cast<std::size_t>(LetterWidth(letter));
      }
      piece = text.substr(i, length);
    }
    i += length;
    used += columns;
    if (!g_full_cells && used > width) return shown.substr(0, fit) + "...";
    shown += piece;
    if (used + 3 <= width) fit = shown.size();
  }
  return shown;
}

Cell TextCell(const std::string& text) { return {text, text, false}; }
Cell IntCell(long long value) { return {std::to_string(value), value, true}; }
Cell NullCell() { return {"", nullptr, false}; }

std::string TextTable::Shown(const std::string& text, std::size_t column) const {
  return ShownText(text, column + 1 == columns_.size() ? kLastCellWidth : kCellWidth);
}

std::vector<std::size_t> TextTable::Widths(bool with_header) const {
  std::vector<std::size_t> widths(columns_.size(), 0);
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (with_header) widths[c] = DisplayWidth(columns_[c]);
    for (const std::vector<Cell>& row : rows_)
      if (c < row.size()) widths[c] = std::max(widths[c], DisplayWidth(Shown(row[c].text, c)));
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
    const std::string text = c < row.size() ? Shown(row[c].text, c) : std::string();
    const std::string pad(widths[c] - std::min(widths[c], DisplayWidth(text)), ' ');
    if (c > 0) line += "  ";
    line += right[c] ? pad + text : text + pad;
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
