// Cell references as Steps write them: "B3", "$B$3", "A1:C10", with an optional sheet in
// front ("Totals!A1", "'Year 2024'!B2"). Rows 1 to 1048576 and columns A to XFD, as in a
// workbook of today's spreadsheet programs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plumo {

constexpr uint32_t kMaxRow = 1048576;
constexpr uint32_t kMaxColumn = 16384;

struct CellRange {
  std::string sheet;  // empty: the workbook's active sheet
  uint32_t row1 = 1, col1 = 1, row2 = 1, col2 = 1;

  bool Single() const { return row1 == row2 && col1 == col2; }
  uint64_t Cells() const { return uint64_t(row2 - row1 + 1) * (col2 - col1 + 1); }
};

// Nothing for a text that is no reference or lies outside the sheet.
std::optional<CellRange> ParseCellRange(std::string_view text);
// "A1" or "A1:C3", without the sheet.
std::string CellRangeText(const CellRange& range);
// "A", "Z", "AA", ... "XFD" for 1 to 16384.
std::string ColumnName(uint32_t column);
std::string CellName(uint32_t row, uint32_t column);
// "B12" to row and column; false when it is no single cell within the sheet.
bool ParseCellName(std::string_view text, uint32_t* row, uint32_t* column);

}  // namespace plumo
