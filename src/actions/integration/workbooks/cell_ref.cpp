#include "actions/integration/workbooks/cell_ref.h"

#include <utility>

#include "base/text.h"

namespace plumo {

bool ParseCellName(std::string_view s, uint32_t* row, uint32_t* column) {
  size_t i = 0;
  if (i < s.size() && s[i] == '$') ++i;
  uint32_t col = 0;
  const size_t letters = i;
  while (i < s.size() && i - letters < 4) {
    const char c = ToUpperAnsi(s[i]);
    if (c < 'A' || c > 'Z') break;
    col = col * 26 + static_cast<uint32_t>(c - 'A' + 1);
    ++i;
  }
  if (i == letters || col > kMaxColumn) return false;
  if (i < s.size() && s[i] == '$') ++i;
  uint32_t r = 0;
  const size_t digits = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - digits < 8) r = r * 10 + static_cast<uint32_t>(s[i++] - '0');
  if (i == digits || i != s.size() || r == 0 || r > kMaxRow) return false;
  *row = r;
  *column = col;
  return true;
}

std::optional<CellRange> ParseCellRange(std::string_view text) {
  text = Trim(text);
  CellRange range;
  const size_t bang = text.rfind('!');
  if (bang != std::string_view::npos) {
    std::string_view sheet = text.substr(0, bang);
    if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'') {
      std::string name;
      for (size_t i = 1; i + 1 < sheet.size(); ++i) {
        name.push_back(sheet[i]);
        if (sheet[i] == '\'' && i + 2 < sheet.size() && sheet[i + 1] == '\'') ++i;
      }
      range.sheet = name;
    } else {
      range.sheet = std::string(sheet);
    }
    if (range.sheet.empty()) return std::nullopt;
    text = text.substr(bang + 1);
  }
  const size_t colon = text.find(':');
  std::string_view first = colon == std::string_view::npos ? text : text.substr(0, colon);
  std::string_view second = colon == std::string_view::npos ? text : text.substr(colon + 1);
  if (!ParseCellName(first, &range.row1, &range.col1) || !ParseCellName(second, &range.row2, &range.col2))
    return std::nullopt;
  if (range.row1 > range.row2) std::swap(range.row1, range.row2);
  if (range.col1 > range.col2) std::swap(range.col1, range.col2);
  return range;
}

std::string ColumnName(uint32_t column) {
  std::string name;
  for (; column > 0; column = (column - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
  return name;
}

std::string CellName(uint32_t row, uint32_t column) { return ColumnName(column) + std::to_string(row); }

std::string CellRangeText(const CellRange& r) {
  std::string text = CellName(r.row1, r.col1);
  if (!r.Single()) text += ":" + CellName(r.row2, r.col2);
  return text;
}

}  // namespace plumo
