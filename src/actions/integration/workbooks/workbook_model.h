// A workbook in memory, as Plumo's own reader and writer of .xlsx and .csv files keep it:
// sheets of cells with values, formulas and a style each, column widths, row heights and the
// selection. What the model does not understand of a file it read is kept as the file wrote
// it where that is safe (merged cells, page setup, names), and listed in `notKept` otherwise.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "actions/integration/workbooks/cell_ref.h"

namespace plumo {

// Excel's measures of an unstyled sheet with its standard font.
constexpr double kDefaultColumnWidth = 8.43;
constexpr double kDefaultRowHeight = 15;
constexpr int32_t kAutomaticColour = -1;

struct CellStyle {
  std::string numberFormat = "General";
  std::string fontName = "Calibri";
  double fontSize = 11;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int32_t fontColour = kAutomaticColour;  // Windows colour, red in the low byte
  int32_t fillColour = kAutomaticColour;  // none
  std::string horizontal;                 // file words: "" (general), left, center, right, ...
  std::string vertical;                   // "" (bottom), top, center, justify, distributed
  bool wrap = false;
  std::string border;                     // one style for all four edges: "" none, thin, ...
  bool operator==(const CellStyle&) const = default;
};

enum class CellKind : uint8_t { kEmpty, kNumber, kText, kBool, kError };

struct Cell {
  uint32_t column = 0;
  uint32_t style = 0;
  CellKind kind = CellKind::kEmpty;
  double number = 0;
  std::string text;          // text, error word; ANSI
  std::string formula;       // without '='; empty when the cell holds a plain value
};

struct Row {
  std::vector<Cell> cells;  // ascending columns
  double height = 0;        // 0: the sheet's default
  bool hidden = false;
};

struct ColumnInfo {
  double width = 0;  // 0: the sheet's default
  bool hidden = false;
  uint32_t style = 0;
  bool operator==(const ColumnInfo&) const = default;
};

struct Sheet {
  std::string name;
  std::map<uint32_t, Row> rows;
  std::map<uint32_t, ColumnInfo> columns;
  std::string selection;  // "B2" or "B2:C4"; empty when none was read or set
  bool selectionSet = false;
  // Parts of a read sheet written back as they came.
  std::string sheetPr, sheetViews, sheetFormatPr;
  std::vector<std::string> trailing;  // the elements after sheetData, in file order
  std::string rootAttributes;         // the namespaces the kept parts use
  // The attributes of read shared and array formulas, by row << 32 | column.
  std::unordered_map<uint64_t, std::string> formulaAttributes;

  Cell* Find(uint32_t row, uint32_t column);
  const Cell* Find(uint32_t row, uint32_t column) const;
  Cell& At(uint32_t row, uint32_t column);
  // The last row and column that hold a cell; 0 when the sheet is empty.
  uint32_t LastRow() const;
  uint32_t LastColumn() const;
};

class Workbook {
 public:
  Workbook();

  std::vector<Sheet> sheets;
  size_t active = 0;
  // Parts of a read workbook written back as they came.
  std::string workbookPr, definedNames, dxfs;
  std::string workbookRootAttributes, stylesRootAttributes;
  // What a read file held that this model does not keep ("charts", "comments", ...).
  std::vector<std::string> notKept;
  bool formulasWritten = false;

  const std::vector<CellStyle>& styles() const { return styles_; }
  const CellStyle& Style(uint32_t index) const { return styles_[index < styles_.size() ? index : 0]; }
  // The index of an equal style, added when there is none. Style 0 is the default.
  uint32_t Intern(const CellStyle& style);
  // The sheet a reference names (by name, without regard to case), or the active one; null
  // when the name is unknown.
  Sheet* SheetFor(std::string_view name);

 private:
  std::vector<CellStyle> styles_;
  std::unordered_map<std::string, uint32_t> styleIndex_;
};

// Excel's reading of a typed value: "=..." a formula, TRUE or FALSE, a decimal number, a
// leading apostrophe keeps the rest as text; anything else is text.
void SetCellValue(Sheet& sheet, uint32_t row, Cell& cell, std::string_view text, Workbook& book);
inline uint64_t CellKey(uint32_t row, uint32_t column) { return uint64_t(row) << 32 | column; }
// A cell's value as Get Cell gives it: numbers with up to 15 significant digits, TRUE or
// FALSE, the error word, a formula's last computed value or else its formula text.
std::string CellValueText(const Cell& cell);

}  // namespace plumo
