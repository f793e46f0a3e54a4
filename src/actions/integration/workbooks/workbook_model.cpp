#include "actions/integration/workbooks/workbook_model.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "base/text.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

std::string StyleKey(const CellStyle& s) {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "%.6g|%d%d%d|%ld|%ld|%d", s.fontSize, s.bold, s.italic, s.underline,
                static_cast<long>(s.fontColour), static_cast<long>(s.fillColour), s.wrap);
  std::string key = numbers;
  for (const std::string* part : {&s.numberFormat, &s.fontName, &s.horizontal, &s.vertical, &s.border}) {
    key += '\x1f';
    key += *part;
  }
  return key;
}

// A whole decimal number as a typed value reads it: sign, digits, one point, an exponent.
bool ParseTypedNumber(std::string_view s, double* out) {
  s = Trim(s);
  if (s.empty()) return false;
  size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') digits = true;
    else if (s[i] == '.' && !point) point = true;
    else break;
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const size_t expDigits = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
    if (j == expDigits) return false;
    i = j;
  }
  if (i != s.size()) return false;
  std::string_view number = s[0] == '+' ? s.substr(1) : s;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), *out);
  return ec == std::errc() && end == number.data() + number.size();
}

}  // namespace

Cell* Sheet::Find(uint32_t row, uint32_t column) {
  return const_cast<Cell*>(static_cast<const Sheet*>(this)->Find(row, column));
}

const Cell* Sheet::Find(uint32_t row, uint32_t column) const {
  auto r = rows.find(row);
  if (r == rows.end()) return nullptr;
  const auto& cells = r->second.cells;
  auto it = std::lower_bound(cells.begin(), cells.end(), column, [](const Cell& c, uint32_t col) { return c.column < col; });
  return it != cells.end() && it->column == column ? &*it : nullptr;
}

Cell& Sheet::At(uint32_t row, uint32_t column) {
  auto& cells = rows[row].cells;
  if (cells.empty() || cells.back().column < column) {
    cells.push_back(Cell{});
    cells.back().column = column;
    return cells.back();
  }
  auto it = std::lower_bound(cells.begin(), cells.end(), column, [](const Cell& c, uint32_t col) { return c.column < col; });
  if (it == cells.end() || it->column != column) {
    it = cells.insert(it, Cell{});
    it->column = column;
  }
  return *it;
}

uint32_t Sheet::LastRow() const {
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    if (!it->second.cells.empty()) return it->first;
  return 0;
}

uint32_t Sheet::LastColumn() const {
  uint32_t last = 0;
  for (const auto& [number, row] : rows)
    if (!row.cells.empty()) last = std::max(last, row.cells.back().column);
  return last;
}

Workbook::Workbook() { Intern(CellStyle{}); }

uint32_t Workbook::Intern(const CellStyle& style) {
  std::string key = StyleKey(style);
  auto it = styleIndex_.find(key);
  if (it != styleIndex_.end()) return it->second;
  const auto index = static_cast<uint32_t>(styles_.size());
  styles_.push_back(style);
  styleIndex_.emplace(std::move(key), index);
  return index;
}

Sheet* Workbook::SheetFor(std::string_view name) {
  if (name.empty()) return active < sheets.size() ? &sheets[active] : nullptr;
  for (Sheet& sheet : sheets)
    if (EqualsNoCase(sheet.name, name)) return &sheet;
  return nullptr;
}

void SetCellValue(Sheet& sheet, uint32_t row, Cell& cell, std::string_view text, Workbook& book) {
  if (!sheet.formulaAttributes.empty()) sheet.formulaAttributes.erase(CellKey(row, cell.column));
  cell.formula.clear();
  cell.text.clear();
  cell.number = 0;
  if (text.empty()) {
    cell.kind = CellKind::kEmpty;
  } else if (text[0] == '=' && text.size() > 1) {
    cell.kind = CellKind::kEmpty;
    cell.formula = std::string(text.substr(1));
    book.formulasWritten = true;
  } else if (text[0] == '\'') {
    cell.kind = CellKind::kText;
    cell.text = std::string(text.substr(1));
  } else if (EqualsNoCase(text, "TRUE") || EqualsNoCase(text, "FALSE")) {
    cell.kind = CellKind::kBool;
    cell.number = EqualsNoCase(text, "TRUE") ? 1 : 0;
  } else if (ParseTypedNumber(text, &cell.number)) {
    cell.kind = CellKind::kNumber;
  } else {
    cell.kind = CellKind::kText;
    cell.text = std::string(text);
  }
}

std::string CellValueText(const Cell& cell) {
  switch (cell.kind) {
    case CellKind::kNumber: return NumberToText(cell.number, 15);
    case CellKind::kText: case CellKind::kError: return cell.text;
    case CellKind::kBool: return cell.number != 0 ? "TRUE" : "FALSE";
    case CellKind::kEmpty: break;
  }
  return cell.formula.empty() ? std::string() : "=" + cell.formula;
}

}  // namespace plumo
