#include "actions/integration/workbooks/excel_workbook.h"

#include "base/text.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

constexpr int kUnderlineSingle = 2;
constexpr int kExcelNone = -4142;
constexpr int kEdgeBottom = 9;

using Args = std::vector<AutoValue>;

// A failed automation call as a reason for the log.
std::string Reason(const OsError& e, std::string_view what) {
  return "Excel could not " + std::string(what) + ": " + (e.message().empty() ? e.ToString() : e.message());
}

// Walks "Font.Bold" from an object: every part but the last is a property getting an object.
OsError Walk(AutoObjectPtr object, std::string_view path, AutoObjectPtr* owner, std::string_view* last) {
  for (size_t dot = path.find('.'); dot != std::string_view::npos; dot = path.find('.')) {
    AutoValue next;
    OsError e = object->Get(path.substr(0, dot), {}, &next);
    if (!e) return e;
    if (next.kind != AutoValue::Kind::kObject || !next.object) return OsError("Invoke", 0, std::string(path.substr(0, dot)) + " is no object");
    object = next.object;
    path.remove_prefix(dot + 1);
  }
  *owner = object;
  *last = path;
  return OsError::Ok();
}

OsError GetPath(const AutoObjectPtr& object, std::string_view path, AutoValue* out, const Args& args = {}) {
  AutoObjectPtr owner;
  std::string_view last;
  OsError e = Walk(object, path, &owner, &last);
  return e ? owner->Get(last, args, out) : e;
}

OsError PutPath(const AutoObjectPtr& object, std::string_view path, const AutoValue& value) {
  AutoObjectPtr owner;
  std::string_view last;
  OsError e = Walk(object, path, &owner, &last);
  return e ? owner->Put(last, {}, value) : e;
}

OsError GetObject(const AutoObjectPtr& object, std::string_view path, const Args& args, AutoObjectPtr* out) {
  AutoValue v;
  OsError e = GetPath(object, path, &v, args);
  if (!e) return e;
  if (v.kind != AutoValue::Kind::kObject || !v.object) return OsError("Invoke", 0, std::string(path) + " gave no object");
  *out = v.object;
  return e;
}

std::string ValueText(const AutoValue& v) {
  switch (v.kind) {
    case AutoValue::Kind::kNumber: return NumberToText(v.number, 15);
    case AutoValue::Kind::kText: return v.text;
    case AutoValue::Kind::kBool: return v.number != 0 ? "TRUE" : "FALSE";
    case AutoValue::Kind::kError: return ExcelErrorText(static_cast<uint32_t>(v.number));
    default: return {};
  }
}

int ValueInt(const AutoValue& v) { return v.kind == AutoValue::Kind::kNumber || v.kind == AutoValue::Kind::kBool ? static_cast<int>(v.number) : 0; }

// Excel's file format numbers for SaveAs by extension; 0 lets Excel choose.
int FileFormatOf(std::string_view path) {
  struct Row {
    const char* extension;
    int format;
  };
  static constexpr Row kFormats[] = {{".xlsx", 51}, {".xlsm", 52}, {".xls", 56}, {".csv", 6}, {".txt", -4158}};
  for (const Row& r : kFormats)
    if (EndsWithNoCase(path, r.extension)) return r.format;
  return 0;
}

// Where each format item lives in Excel's object model, from a Range.
struct ExcelItem {
  FormatItem item;
  const char* path;
};
constexpr ExcelItem kExcelItems[] = {
    {FormatItem::kDataFormat, "NumberFormat"},     {FormatItem::kBold, "Font.Bold"},
    {FormatItem::kItalic, "Font.Italic"},          {FormatItem::kUnderline, "Font.Underline"},
    {FormatItem::kFontName, "Font.Name"},          {FormatItem::kFontSize, "Font.Size"},
    {FormatItem::kFontColour, "Font.Color"},       {FormatItem::kFillColour, "Interior.Color"},
    {FormatItem::kHorizontal, "HorizontalAlignment"}, {FormatItem::kVertical, "VerticalAlignment"},
    {FormatItem::kColumnWidth, "ColumnWidth"},     {FormatItem::kRowHeight, "RowHeight"},
};

const char* ExcelPath(FormatItem item) {
  for (const ExcelItem& row : kExcelItems)
    if (row.item == item) return row.path;
  return nullptr;
}

class ExcelWorkbook : public OpenWorkbook {
 public:
  ExcelWorkbook(AutoObjectPtr app, AutoObjectPtr book, std::string path)
      : app_(std::move(app)), book_(std::move(book)), path_(std::move(path)) {}

  std::string Read(const CellRange& range, TextGrid* out) override {
    AutoObjectPtr cells;
    if (std::string e = RangeOf(range, &cells); !e.empty()) return e;
    AutoValue v;
    OsError e = cells->Get("Value2", {}, &v);
    if (!e) return Reason(e, "read " + CellRangeText(range));
    out->assign(range.row2 - range.row1 + 1, std::vector<std::string>(range.col2 - range.col1 + 1));
    if (v.kind != AutoValue::Kind::kArray) {
      (*out)[0][0] = ValueText(v);
      return {};
    }
    for (uint32_t r = 0; r < v.rows && r < out->size(); ++r)
      for (uint32_t c = 0; c < v.columns && c < (*out)[r].size(); ++c) (*out)[r][c] = ValueText(v.items[size_t(r) * v.columns + c]);
    return {};
  }

  std::string Write(const CellRange& range, const WriteGrid& grid) override {
    if (grid.empty()) return {};
    CellRange area = range;
    area.row2 = range.row1 + static_cast<uint32_t>(grid.size()) - 1;
    area.col2 = range.col1 + static_cast<uint32_t>(grid[0].size()) - 1;
    AutoObjectPtr cells;
    if (std::string e = RangeOf(area, &cells); !e.empty()) return e;
    AutoValue values = AutoValue::Array(static_cast<uint32_t>(grid.size()), static_cast<uint32_t>(grid[0].size()));
    for (size_t r = 0; r < grid.size(); ++r)
      for (size_t c = 0; c < grid[r].size(); ++c) values.items[r * values.columns + c] = AutoValue::Text(grid[r][c].value);
    if (OsError e = cells->Put("Value2", {}, values); !e) return Reason(e, "write " + CellRangeText(area));
    for (size_t r = 0; r < grid.size(); ++r) {
      for (size_t c = 0; c < grid[r].size(); ++c) {
        CellRange one = range;
        one.row1 = one.row2 = range.row1 + static_cast<uint32_t>(r);
        one.col1 = one.col2 = range.col1 + static_cast<uint32_t>(c);
        for (const FormatSetting& f : grid[r][c].formats)
          if (std::string e = SetFormat(one, f); !e.empty()) return e;
      }
    }
    return {};
  }

  std::string Select(const CellRange& range) override {
    AutoObjectPtr sheet, cells;
    if (std::string e = SheetOf(range, &sheet); !e.empty()) return e;
    AutoValue ignored;
    if (OsError e = book_->Get("Activate", {}, &ignored); !e) return Reason(e, "activate the workbook");
    if (OsError e = sheet->Get("Activate", {}, &ignored); !e) return Reason(e, "activate the sheet");
    if (std::string e = RangeOf(range, &cells); !e.empty()) return e;
    if (OsError e = cells->Get("Select", {}, &ignored); !e) return Reason(e, "select " + CellRangeText(range));
    return {};
  }

  std::string Selection() override {
    AutoValue address;
    if (!GetPath(app_, "Selection.Address", &address, {AutoValue::Bool(false), AutoValue::Bool(false)}) ||
        address.kind != AutoValue::Kind::kText)
      return "A1";
    return address.text;
  }

  std::string GetFormat(const CellRange& range, FormatItem item, std::string* out) override {
    if (item == FormatItem::kTotalRows || item == FormatItem::kTotalColumns) return Total(range, item, out);
    CellRange first = range;
    first.row2 = first.row1;
    first.col2 = first.col1;
    AutoObjectPtr cell;
    if (std::string e = RangeOf(first, &cell); !e.empty()) return e;
    AutoValue v;
    if (item == FormatItem::kBorderWeight || item == FormatItem::kBorderStyle) {
      AutoObjectPtr edge;
      AutoValue weight, line;
      OsError e = GetObject(cell, "Borders", {AutoValue::Number(kEdgeBottom)}, &edge);
      if (e) e = edge->Get("Weight", {}, &weight);
      if (e) e = edge->Get("LineStyle", {}, &line);
      if (!e) return Reason(e, "read the border");
      const BorderRow* b = BorderByExcel(ValueInt(weight), ValueInt(line));
      *out = b ? (item == FormatItem::kBorderWeight ? b->weight : b->lineStyle) : "";
      return {};
    }
    const char* path = ExcelPath(item);
    if (OsError e = GetPath(cell, path, &v); !e) return Reason(e, "read " + std::string(FormatItemName(item)));
    switch (item) {
      case FormatItem::kBold: case FormatItem::kItalic: *out = ValueInt(v) ? "1" : "0"; break;
      case FormatItem::kUnderline: *out = ValueInt(v) != kExcelNone && ValueInt(v) != 0 ? "1" : "0"; break;
      case FormatItem::kHorizontal: case FormatItem::kVertical: {
        const AlignmentRow* a = AlignmentByExcel(item == FormatItem::kHorizontal, ValueInt(v));
        *out = a ? a->word : "";
        break;
      }
      default: *out = ValueText(v);
    }
    return {};
  }

  std::string SetFormat(const CellRange& range, const FormatSetting& f) override {
    AutoObjectPtr cells;
    if (std::string e = RangeOf(range, &cells); !e.empty()) return e;
    OsError e;
    switch (f.item) {
      case FormatItem::kBorder: {
        const BorderRow* b = BorderByFile(f.value);
        e = PutPath(cells, "Borders.LineStyle", AutoValue::Number(b->excelLineStyle));
        if (e && *b->file) e = PutPath(cells, "Borders.Weight", AutoValue::Number(b->excelWeight));
        break;
      }
      case FormatItem::kBold: case FormatItem::kItalic:
        e = PutPath(cells, ExcelPath(f.item), AutoValue::Bool(f.value == "1"));
        break;
      case FormatItem::kUnderline:
        e = PutPath(cells, ExcelPath(f.item), AutoValue::Number(f.value == "1" ? kUnderlineSingle : kExcelNone));
        break;
      case FormatItem::kFillColour:
        e = f.value == "-1" ? PutPath(cells, "Interior.ColorIndex", AutoValue::Number(kExcelNone))
                            : PutPath(cells, ExcelPath(f.item), AutoValue::Number(std::stod(f.value)));
        break;
      case FormatItem::kFontColour:
        e = f.value == "-1" ? PutPath(cells, "Font.ColorIndex", AutoValue::Number(-4105))
                            : PutPath(cells, ExcelPath(f.item), AutoValue::Number(std::stod(f.value)));
        break;
      case FormatItem::kHorizontal: case FormatItem::kVertical:
        e = PutPath(cells, ExcelPath(f.item), AutoValue::Number(AlignmentByWord(f.item == FormatItem::kHorizontal, f.value)->excel));
        break;
      case FormatItem::kFontSize: case FormatItem::kColumnWidth: case FormatItem::kRowHeight:
        e = PutPath(cells, ExcelPath(f.item), AutoValue::Number(std::stod(f.value)));
        break;
      default:
        e = PutPath(cells, ExcelPath(f.item), AutoValue::Text(f.value));
    }
    if (!e) return Reason(e, "set " + std::string(FormatItemName(f.item)));
    return {};
  }

  std::string Save() override {
    Args args{AutoValue::Text(path_)};
    if (int format = FileFormatOf(path_)) args.push_back(AutoValue::Number(format));
    AutoValue ignored;
    if (OsError e = book_->Get("SaveAs", args, &ignored); !e) return Reason(e, "save \"" + path_ + "\"");
    return {};
  }

  void Close() override {
    AutoValue ignored;
    (void)book_->Get("Close", {AutoValue::Bool(false)}, &ignored);  // nothing left to do if Excel refuses
  }

 private:
  std::string SheetOf(const CellRange& range, AutoObjectPtr* sheet) {
    OsError e = range.sheet.empty() ? GetObject(book_, "ActiveSheet", {}, sheet)
                                    : GetObject(book_, "Worksheets", {AutoValue::Text(range.sheet)}, sheet);
    return e ? std::string() : "The workbook has no sheet \"" + range.sheet + "\"";
  }

  std::string RangeOf(const CellRange& range, AutoObjectPtr* cells) {
    if (range.Cells() > kMaxRangeCells) return "The range " + CellRangeText(range) + " has more than 1,000,000 cells";
    AutoObjectPtr sheet;
    if (std::string e = SheetOf(range, &sheet); !e.empty()) return e;
    OsError e = GetObject(sheet, "Range", {AutoValue::Text(CellRangeText(range))}, cells);
    return e ? std::string() : Reason(e, "find " + CellRangeText(range));
  }

  std::string Total(const CellRange& range, FormatItem item, std::string* out) {
    AutoObjectPtr sheet, used;
    if (std::string e = SheetOf(range, &sheet); !e.empty()) return e;
    const bool rows = item == FormatItem::kTotalRows;
    AutoValue first, count, value;
    OsError e = GetObject(sheet, "UsedRange", {}, &used);
    if (e) e = used->Get(rows ? "Row" : "Column", {}, &first);
    if (e) e = GetPath(used, rows ? "Rows.Count" : "Columns.Count", &count);
    if (e) e = used->Get("Value2", {}, &value);
    if (!e) return Reason(e, "read the used range");
    // An empty sheet's used range is its first cell.
    const bool empty = value.kind == AutoValue::Kind::kEmpty && ValueInt(first) == 1 && ValueInt(count) == 1;
    *out = std::to_string(empty ? 0 : ValueInt(first) + ValueInt(count) - 1);
    return {};
  }

  AutoObjectPtr app_;
  AutoObjectPtr book_;
  std::string path_;
};

}  // namespace

std::string ExcelErrorText(uint32_t code) {
  struct Row {
    uint32_t code;
    const char* text;
  };
  static constexpr Row kErrors[] = {{2000, "#NULL!"}, {2007, "#DIV/0!"}, {2015, "#VALUE!"}, {2023, "#REF!"},
                                    {2029, "#NAME?"}, {2036, "#NUM!"},   {2042, "#N/A"}};
  for (const Row& r : kErrors)
    if (r.code == (code & 0xFFFF)) return r.text;
  return "#ERROR";
}

ExcelWorkbookApp::ExcelWorkbookApp(AutoObjectPtr application) : app_(std::move(application)) {
  (void)app_->Put("DisplayAlerts", {}, AutoValue::Bool(false));  // alerts shown are no failure
}

std::string ExcelWorkbookApp::Show(const AutoObjectPtr& book, bool hidden) {
  OsError e;
  if (hidden) {
    AutoObjectPtr window;
    e = GetObject(book, "Windows", {AutoValue::Number(1)}, &window);
    if (e) e = window->Put("Visible", {}, AutoValue::Bool(false));
  } else {
    e = app_->Put("Visible", {}, AutoValue::Bool(true));
  }
  return e ? std::string() : Reason(e, hidden ? "hide the workbook" : "show itself");
}

std::string ExcelWorkbookApp::Create(const std::string& path, bool hidden, std::unique_ptr<OpenWorkbook>* out) {
  AutoObjectPtr book;
  if (OsError e = GetObject(app_, "Workbooks.Add", {}, &book); !e) return Reason(e, "create a workbook");
  if (std::string e = Show(book, hidden); !e.empty()) return e;
  *out = std::make_unique<ExcelWorkbook>(app_, book, path);
  return {};
}

std::string ExcelWorkbookApp::Open(const std::string& path, bool hidden, std::unique_ptr<OpenWorkbook>* out) {
  AutoObjectPtr book;
  if (OsError e = GetObject(app_, "Workbooks.Open", {AutoValue::Text(path)}, &book); !e) return Reason(e, "open \"" + path + "\"");
  if (std::string e = Show(book, hidden); !e.empty()) return e;
  *out = std::make_unique<ExcelWorkbook>(app_, book, path);
  return {};
}

}  // namespace plumo
