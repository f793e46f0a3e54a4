// What the workbook actions need of a spreadsheet: Excel through its automation object where
// it is installed, Plumo's own .xlsx and .csv files everywhere else. Both give the same texts
// for the same workbook. Failures come back as a one-line reason; empty means done.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "actions/integration/workbooks/cell_format.h"
#include "actions/integration/workbooks/cell_ref.h"

namespace plumo {

using TextGrid = std::vector<std::vector<std::string>>;

struct CellWrite {
  std::string value;
  std::vector<FormatSetting> formats;
};
// Rows of cells; every row as wide as the widest (shorter rows are padded with empty cells).
using WriteGrid = std::vector<std::vector<CellWrite>>;

// Larger ranges are refused rather than walked.
constexpr uint64_t kMaxRangeCells = 1000000;

class OpenWorkbook {
 public:
  virtual ~OpenWorkbook() = default;
  virtual std::string Read(const CellRange& range, TextGrid* out) = 0;
  // Writes the grid with its top-left cell at the range's top-left cell.
  virtual std::string Write(const CellRange& range, const WriteGrid& cells) = 0;
  virtual std::string Select(const CellRange& range) = 0;
  // The top-left cell's value of the item (Total Rows and Total Columns: the sheet's).
  virtual std::string GetFormat(const CellRange& range, FormatItem item, std::string* out) = 0;
  virtual std::string SetFormat(const CellRange& range, const FormatSetting& setting) = 0;
  // The selected range of the active sheet; "A1" when none is known.
  virtual std::string Selection() = 0;
  virtual std::string Save() = 0;
  // Without saving.
  virtual void Close() = 0;
  // What the workbook's file held that saving it would not keep.
  virtual std::vector<std::string> NotKept() { return {}; }
};

class WorkbookApp {
 public:
  virtual ~WorkbookApp() = default;
  virtual std::string Create(const std::string& path, bool hidden, std::unique_ptr<OpenWorkbook>* out) = 0;
  virtual std::string Open(const std::string& path, bool hidden, std::unique_ptr<OpenWorkbook>* out) = 0;
};

}  // namespace plumo
