// The Excel actions (category 10): eight workbook slots, each a workbook created or opened by
// a Step and named by its file; Excel does the work where its automation object exists,
// Plumo's own .xlsx and .csv files elsewhere. Also the workbook writer that the report of the
// last run (type 3) and Save Output's "Excel Spreadsheet" destination hand their text to.
#pragma once

#include <string>
#include <string_view>

#include "platform/automation.h"
#include "platform/files.h"

namespace plumo {

class Session;

constexpr int kWorkbookSlots = 8;

// Registers category 10, the end-of-run warnings and release, the per-run reset and the
// session's workbook writer.
void RegisterWorkbookActions(Session& session, Files& files, Automation& automation);

// Splits data written to cells: rows at the row delimiter (at line ends when it is empty),
// cells at the column delimiter; with both empty, the text is one cell.
std::vector<std::vector<std::string>> SplitCells(std::string_view text, std::string_view columnDelimiter,
                                                 std::string_view rowDelimiter);

}  // namespace plumo
