// Plumo's own reader and writer of .xlsx workbooks (Office Open XML spreadsheets): values,
// formulas, the cell formats of CellStyle, column widths, row heights, the selection, and the
// parts of a read file that can be written back unchanged.
#pragma once

#include <string>
#include <string_view>

#include "actions/integration/workbooks/workbook_model.h"

namespace plumo {

// A read stops at this many cells rather than filling memory.
constexpr uint64_t kMaxWorkbookCells = 4000000;

// False with the reason in *error when the bytes are no workbook this reader can take.
bool ReadXlsx(std::string_view bytes, Workbook* book, std::string* error);
// The file's bytes; empty with the reason in *error when the workbook cannot be written.
std::string WriteXlsx(const Workbook& book, std::string* error);

}  // namespace plumo
