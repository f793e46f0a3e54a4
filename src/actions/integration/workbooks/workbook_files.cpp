#include "actions/integration/workbooks/workbook_files.h"

#include "actions/integration/workbooks/xlsx_file.h"  // kMaxWorkbookCells
#include "base/ansi_unicode.h"
#include "base/text.h"

namespace plumo {

WorkbookFormat FormatOfPath(std::string_view path) {
  if (EndsWithNoCase(path, ".xlsx")) return WorkbookFormat::kXlsx;
  if (EndsWithNoCase(path, ".csv")) return WorkbookFormat::kCsv;
  return WorkbookFormat::kOther;
}

Workbook NewWorkbook() {
  Workbook book;
  book.sheets.emplace_back();
  book.sheets.back().name = "Sheet1";
  return book;
}

bool ReadWorkbook(WorkbookFormat format, std::string_view bytes, Workbook* book, std::string* error) {
  if (format == WorkbookFormat::kXlsx) return ReadXlsx(bytes, book, error);
  return ReadCsv(bytes, book, error);
}

std::string WriteWorkbook(WorkbookFormat format, const Workbook& book, std::string* error) {
  if (format == WorkbookFormat::kXlsx) return WriteXlsx(book, error);
  if (book.sheets.empty()) return {};
  return WriteCsv(book.sheets[book.active < book.sheets.size() ? book.active : 0]);
}

std::string WriteCsv(const Sheet& sheet) {
  std::string out;
  uint32_t expected = 1;
  for (const auto& [number, row] : sheet.rows) {
    for (; expected < number; ++expected) out += "\r\n";
    uint32_t column = 1;
    for (const Cell& cell : row.cells) {
      for (; column < cell.column; ++column) out += ',';
      const std::string value = CellValueText(cell);
      if (value.find_first_of(",\"\r\n") == std::string::npos) {
        out += value;
      } else {
        out += '"';
        for (char c : value) {
          if (c == '"') out += '"';
          out += c;
        }
        out += '"';
      }
    }
    out += "\r\n";
    expected = number + 1;
  }
  return out;
}

bool ReadCsv(std::string_view text, Workbook* book, std::string* error) {
  *book = NewWorkbook();
  std::string converted;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    converted = Utf8ToAnsi(text.substr(3));
    text = converted;
  }
  Sheet& sheet = book->sheets[0];
  uint32_t row = 1, column = 1;
  std::string field;
  size_t i = 0, cells = 0;
  bool fits = true;
  auto store = [&] {
    if (!field.empty()) {
      fits = fits && row <= kMaxRow && column <= kMaxColumn && ++cells <= kMaxWorkbookCells;
      if (fits) SetCellValue(sheet, row, sheet.At(row, column), field, *book);
    }
    field.clear();
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' && field.empty()) {
      for (++i; i < text.size(); ++i) {
        if (text[i] != '"') field += text[i];
        else if (i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
        else break;
      }
      ++i;
      continue;
    }
    if (c == ',') {
      store();
      ++column;
    } else if (c == '\r' || c == '\n') {
      store();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++row;
      column = 1;
    } else {
      field += c;
    }
    ++i;
  }
  store();
  if (!fits) *error = "the text holds more than a sheet takes (1,048,576 rows, 16,384 columns, 4,000,000 cells)";
  return fits;
}

}  // namespace plumo
