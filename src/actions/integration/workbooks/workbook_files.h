// Workbook files without Excel: .xlsx through Plumo's own reader and writer, .csv as text.
#pragma once

#include <string>
#include <string_view>

#include "actions/integration/workbooks/workbook_model.h"

namespace plumo {

enum class WorkbookFormat { kXlsx, kCsv, kOther };

// By the file's extension.
WorkbookFormat FormatOfPath(std::string_view path);
// A new workbook with one sheet "Sheet1".
Workbook NewWorkbook();

bool ReadWorkbook(WorkbookFormat format, std::string_view bytes, Workbook* book, std::string* error);
// Empty with the reason in *error when it cannot be written.
std::string WriteWorkbook(WorkbookFormat format, const Workbook& book, std::string* error);

// Comma-separated text: the active sheet, fields quoted where they must be.
std::string WriteCsv(const Sheet& sheet);
// False with the reason in *error when the text does not fit on one sheet.
bool ReadCsv(std::string_view text, Workbook* book, std::string* error);

}  // namespace plumo
