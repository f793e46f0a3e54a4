#include "actions/integration/workbooks/file_workbook.h"

#include <map>

#include "actions/integration/workbooks/workbook_files.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

std::string UnsupportedFormat(const std::string& path) {
  return "Without Excel, workbooks are .xlsx or .csv files; \"" + path + "\" is neither";
}

class FileWorkbook : public OpenWorkbook {
 public:
  FileWorkbook(Files& files, std::string path, Workbook book)
      : files_(files), path_(std::move(path)), format_(FormatOfPath(path_)), book_(std::move(book)) {}

  std::string Read(const CellRange& range, TextGrid* out) override {
    const Sheet* sheet = nullptr;
    if (std::string e = SheetOf(range, &sheet); !e.empty()) return e;
    out->assign(range.row2 - range.row1 + 1, std::vector<std::string>(range.col2 - range.col1 + 1));
    for (auto row = sheet->rows.lower_bound(range.row1); row != sheet->rows.end() && row->first <= range.row2; ++row) {
      auto& line = (*out)[row->first - range.row1];
      for (const Cell& cell : row->second.cells)
        if (cell.column >= range.col1 && cell.column <= range.col2) line[cell.column - range.col1] = CellValueText(cell);
    }
    return {};
  }

  std::string Write(const CellRange& range, const WriteGrid& cells) override {
    Sheet* sheet = nullptr;
    if (std::string e = SheetOf(range, &sheet); !e.empty()) return e;
    for (size_t r = 0; r < cells.size(); ++r) {
      const uint32_t rowNumber = range.row1 + static_cast<uint32_t>(r);
      for (size_t c = 0; c < cells[r].size(); ++c) {
        const CellWrite& w = cells[r][c];
        const uint32_t column = range.col1 + static_cast<uint32_t>(c);
        Cell* cell = w.value.empty() && w.formats.empty() ? sheet->Find(rowNumber, column) : &sheet->At(rowNumber, column);
        if (!cell) continue;
        SetCellValue(*sheet, rowNumber, *cell, w.value, book_);
        for (const FormatSetting& f : w.formats) Apply(*sheet, rowNumber, *cell, f);
      }
    }
    return {};
  }

  std::string Select(const CellRange& range) override {
    Sheet* sheet = nullptr;
    if (std::string e = SheetOf(range, &sheet); !e.empty()) return e;
    book_.active = static_cast<size_t>(sheet - book_.sheets.data());
    sheet->selection = CellRangeText(range);
    sheet->selectionSet = true;
    return {};
  }

  std::string Selection() override {
    const Sheet* sheet = book_.SheetFor("");
    return sheet && !sheet->selection.empty() ? sheet->selection : "A1";
  }

  std::string GetFormat(const CellRange& range, FormatItem item, std::string* out) override {
    Sheet* sheet = nullptr;
    if (std::string e = SheetOf(range, &sheet); !e.empty()) return e;
    switch (item) {
      case FormatItem::kTotalRows: *out = std::to_string(sheet->LastRow()); break;
      case FormatItem::kTotalColumns: *out = std::to_string(sheet->LastColumn()); break;
      case FormatItem::kColumnWidth: {
        auto it = sheet->columns.find(range.col1);
        *out = NumberToText(it != sheet->columns.end() && it->second.width > 0 ? it->second.width : kDefaultColumnWidth, 15);
        break;
      }
      case FormatItem::kRowHeight: {
        auto it = sheet->rows.find(range.row1);
        *out = NumberToText(it != sheet->rows.end() && it->second.height > 0 ? it->second.height : kDefaultRowHeight, 15);
        break;
      }
      default: {
        const Cell* cell = sheet->Find(range.row1, range.col1);
        uint32_t style = cell ? cell->style : 0;
        if (!cell) {
          auto column = sheet->columns.find(range.col1);
          if (column != sheet->columns.end()) style = column->second.style;
        }
        *out = StyleValue(book_.Style(style), item);
      }
    }
    return {};
  }

  std::string SetFormat(const CellRange& range, const FormatSetting& setting) override {
    Sheet* sheet = nullptr;
    if (std::string e = SheetOf(range, &sheet); !e.empty()) return e;
    if (setting.item == FormatItem::kColumnWidth) {
      for (uint32_t c = range.col1; c <= range.col2; ++c) sheet->columns[c].width = std::stod(setting.value);
    } else if (setting.item == FormatItem::kRowHeight) {
      for (uint32_t r = range.row1; r <= range.row2; ++r) sheet->rows[r].height = std::stod(setting.value);
    } else {
      for (uint32_t r = range.row1; r <= range.row2; ++r)
        for (uint32_t c = range.col1; c <= range.col2; ++c) Apply(*sheet, r, sheet->At(r, c), setting);
    }
    return {};
  }

  std::string Save() override {
    if (format_ == WorkbookFormat::kOther) return UnsupportedFormat(path_);
    std::string error;
    const std::string bytes = WriteWorkbook(format_, book_, &error);
    if (!error.empty()) return error;
    bool created = false;
    OsError e = files_.ReplaceContent(path_, bytes, &created);
    if (!e) return "The workbook could not be saved as \"" + path_ + "\": " + e.message();
    return {};
  }

  void Close() override {}

  std::vector<std::string> NotKept() override { return book_.notKept; }

 private:
  template <typename SheetPtr>
  std::string SheetOf(const CellRange& range, SheetPtr* sheet) {
    *sheet = book_.SheetFor(range.sheet);
    if (!*sheet) return "The workbook has no sheet \"" + range.sheet + "\"";
    if (range.Cells() > kMaxRangeCells) return "The range " + CellRangeText(range) + " has more than 1,000,000 cells";
    return {};
  }

  void Apply(Sheet& sheet, uint32_t row, Cell& cell, const FormatSetting& f) {
    if (f.item == FormatItem::kColumnWidth) {
      sheet.columns[cell.column].width = std::stod(f.value);
    } else if (f.item == FormatItem::kRowHeight) {
      sheet.rows[row].height = std::stod(f.value);
    } else {
      CellStyle style = book_.Style(cell.style);
      ApplyToStyle(style, f);
      cell.style = book_.Intern(style);
    }
  }

  Files& files_;
  std::string path_;
  WorkbookFormat format_;
  Workbook book_;
};

}  // namespace

std::string FileWorkbookApp::Create(const std::string& path, bool, std::unique_ptr<OpenWorkbook>* out) {
  if (FormatOfPath(path) == WorkbookFormat::kOther) return UnsupportedFormat(path);
  *out = std::make_unique<FileWorkbook>(files_, path, NewWorkbook());
  return {};
}

std::string FileWorkbookApp::Open(const std::string& path, bool, std::unique_ptr<OpenWorkbook>* out) {
  const WorkbookFormat format = FormatOfPath(path);
  if (format == WorkbookFormat::kOther) return UnsupportedFormat(path);
  std::string bytes;
  bool opened = false;
  OsError e = files_.ReadFile(path, &bytes, &opened);
  if (!e) return "The workbook \"" + path + "\" could not be opened: " + e.message();
  Workbook book;
  std::string error;
  if (!ReadWorkbook(format, bytes, &book, &error)) return "The workbook \"" + path + "\" could not be read: " + error;
  *out = std::make_unique<FileWorkbook>(files_, path, std::move(book));
  return {};
}

}  // namespace plumo
