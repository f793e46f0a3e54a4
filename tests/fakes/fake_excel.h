// Excel's object model as far as the workbook actions use it, late bound through the
// Automation port and kept in Plumo's own workbook model: values come back as Excel gives
// them (doubles, booleans, error codes, a scalar for one cell, an array for several), formats
// as Excel's constants. Every call is recorded as "Get Name" or "Put Name".
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "actions/integration/workbooks/cell_format.h"
#include "actions/integration/workbooks/workbook_files.h"
#include "platform/automation.h"
#include "platform/files.h"
#include "vars/number_text.h"

namespace plumo {

class FakeExcel : public Automation {
 public:
  explicit FakeExcel(Files& files) : files_(files) {}

  AutoObjectPtr Create(const std::string& progId, OsError* error) override {
    if (!installed || progId != "Excel.Application") {
      *error = OsError("CLSIDFromProgID", 0x800401F3, "Invalid class string");
      return nullptr;
    }
    ++created;
    return std::make_shared<Node>(this, Kind::kApp);
  }

  bool installed = true;
  int created = 0;
  bool visible = false;
  std::vector<std::string> calls;

 private:
  enum class Kind { kApp, kBooks, kBook, kWindow, kSheet, kRange, kFont, kInterior, kBorders };
  struct Book {
    Workbook model;
    bool windowVisible = true;
  };
  struct Node : AutoObject {
    Node(FakeExcel* x, Kind k) : excel(x), kind(k) {}
    FakeExcel* excel;
    Kind kind;
    std::shared_ptr<Book> book;
    size_t sheet = 0;
    CellRange range;

    AutoObjectPtr Child(Kind k) const {
      auto n = std::make_shared<Node>(excel, k);
      n->book = book;
      n->sheet = sheet;
      n->range = range;
      return n;
    }
    static AutoValue Object(AutoObjectPtr p) {
      AutoValue v;
      v.kind = AutoValue::Kind::kObject;
      v.object = std::move(p);
      return v;
    }
    Sheet& TheSheet() const { return book->model.sheets[sheet]; }
    Cell* First() const { return TheSheet().Find(range.row1, range.col1); }
    const CellStyle& Style() const { const Cell* c = First(); return book->model.Style(c ? c->style : 0); }
    void Restyle(const FormatSetting& f) {
      for (uint32_t r = range.row1; r <= range.row2; ++r)
        for (uint32_t c = range.col1; c <= range.col2; ++c) {
          Cell& cell = TheSheet().At(r, c);
          CellStyle s = book->model.Style(cell.style);
          ApplyToStyle(s, f);
          cell.style = book->model.Intern(s);
        }
    }
    static OsError Missing(std::string_view name) { return OsError("Invoke", 0x80020006, "Unknown name " + std::string(name)); }

    AutoValue CellValue(const Cell* c) const {
      if (!c) return {};
      switch (c->kind) {
        case CellKind::kNumber: return AutoValue::Number(c->number);
        case CellKind::kBool: return AutoValue::Bool(c->number != 0);
        case CellKind::kText: return AutoValue::Text(c->text);
        case CellKind::kError: { AutoValue v; v.kind = AutoValue::Kind::kError; v.number = 2007; return v; }
        default: return c->formula.empty() ? AutoValue() : AutoValue::Text("=" + c->formula);
      }
    }

    OsError Get(std::string_view name, const std::vector<AutoValue>& args, AutoValue* out) override {
      excel->calls.push_back("Get " + std::string(name));
      *out = {};
      switch (kind) {
        case Kind::kApp:
          if (name == "Workbooks") return *out = Object(Child(Kind::kBooks)), OsError::Ok();
          if (name == "Selection") {
            if (!excel->active) return Missing(name);
            auto n = std::static_pointer_cast<Node>(excel->active->Child(Kind::kRange));
            n->sheet = excel->active->book->model.active;
            auto r = ParseCellRange(n->TheSheet().selection.empty() ? "A1" : n->TheSheet().selection);
            n->range = *r;
            return *out = Object(n), OsError::Ok();
          }
          break;
        case Kind::kBooks:
          if (name == "Add" || name == "Open") {
            auto n = std::make_shared<Node>(excel, Kind::kBook);
            n->book = std::make_shared<Book>();
            n->book->model = NewWorkbook();
            if (name == "Open") {
              std::string bytes, error;
              bool opened = false;
              if (!excel->files_.ReadFile(args.at(0).text, &bytes, &opened) ||
                  !ReadWorkbook(FormatOfPath(args[0].text), bytes, &n->book->model, &error))
                return OsError("Invoke", 0x800A03EC, "Excel cannot open the file");
            }
            excel->active = n;
            return *out = Object(n), OsError::Ok();
          }
          break;
        case Kind::kBook:
          if (name == "ActiveSheet" || name == "Worksheets") {
            auto n = std::static_pointer_cast<Node>(Child(Kind::kSheet));
            n->sheet = book->model.active;
            if (name == "Worksheets") {
              Sheet* s = book->model.SheetFor(args.at(0).text);
              if (!s) return OsError("Invoke", 0x8002000B, "Subscript out of range");
              n->sheet = static_cast<size_t>(s - book->model.sheets.data());
            }
            return *out = Object(n), OsError::Ok();
          }
          if (name == "Windows") return *out = Object(Child(Kind::kWindow)), OsError::Ok();
          if (name == "Activate") return OsError::Ok();
          if (name == "SaveAs") {
            std::string error;
            bool created = false;
            const std::string bytes = WriteWorkbook(FormatOfPath(args.at(0).text), book->model, &error);
            return excel->files_.ReplaceContent(args[0].text, bytes, &created);
          }
          if (name == "Close") return OsError::Ok();
          break;
        case Kind::kSheet:
          if (name == "Range") {
            auto n = std::static_pointer_cast<Node>(Child(Kind::kRange));
            auto r = ParseCellRange(args.at(0).text);
            if (!r) return OsError("Invoke", 0x800A03EC, "Method 'Range' of object '_Worksheet' failed");
            n->range = *r;
            return *out = Object(n), OsError::Ok();
          }
          if (name == "Activate") return book->model.active = sheet, OsError::Ok();
          if (name == "UsedRange") {
            auto n = std::static_pointer_cast<Node>(Child(Kind::kRange));
            const uint32_t rows = TheSheet().LastRow(), cols = TheSheet().LastColumn();
            n->range = CellRange{"", 1, 1, rows ? rows : 1, cols ? cols : 1};
            return *out = Object(n), OsError::Ok();
          }
          break;
        case Kind::kRange:
          if (name == "Value2") {
            if (range.Single()) return *out = CellValue(First()), OsError::Ok();
            *out = AutoValue::Array(range.row2 - range.row1 + 1, range.col2 - range.col1 + 1);
            for (uint32_t r = 0; r < out->rows; ++r)
              for (uint32_t c = 0; c < out->columns; ++c)
                out->items[size_t(r) * out->columns + c] = CellValue(TheSheet().Find(range.row1 + r, range.col1 + c));
            return OsError::Ok();
          }
          if (name == "Font") return *out = Object(Child(Kind::kFont)), OsError::Ok();
          if (name == "Interior") return *out = Object(Child(Kind::kInterior)), OsError::Ok();
          if (name == "Borders") return *out = Object(Child(Kind::kBorders)), OsError::Ok();
          if (name == "NumberFormat") return *out = AutoValue::Text(Style().numberFormat), OsError::Ok();
          if (name == "HorizontalAlignment" || name == "VerticalAlignment") {
            const bool h = name == "HorizontalAlignment";
            return *out = AutoValue::Number(AlignmentByFile(h, h ? Style().horizontal : Style().vertical)->excel), OsError::Ok();
          }
          if (name == "ColumnWidth" || name == "RowHeight") {
            FormatItem item = name == "ColumnWidth" ? FormatItem::kColumnWidth : FormatItem::kRowHeight;
            double w = item == FormatItem::kColumnWidth ? TheSheet().columns[range.col1].width : TheSheet().rows[range.row1].height;
            if (w <= 0) w = item == FormatItem::kColumnWidth ? kDefaultColumnWidth : kDefaultRowHeight;
            return *out = AutoValue::Number(w), OsError::Ok();
          }
          if (name == "Select") return TheSheet().selection = CellRangeText(range), TheSheet().selectionSet = true, OsError::Ok();
          if (name == "Address") return *out = AutoValue::Text(CellRangeText(range)), OsError::Ok();
          if (name == "Row") return *out = AutoValue::Number(range.row1), OsError::Ok();
          if (name == "Column") return *out = AutoValue::Number(range.col1), OsError::Ok();
          if (name == "Rows" || name == "Columns") {
            auto n = std::static_pointer_cast<Node>(Child(Kind::kRange));
            n->range.sheet = name;  // remembers which count is asked
            return *out = Object(n), OsError::Ok();
          }
          if (name == "Count")
            return *out = AutoValue::Number(range.sheet == "Rows" ? range.row2 - range.row1 + 1 : range.col2 - range.col1 + 1),
                   OsError::Ok();
          break;
        case Kind::kFont: {
          const CellStyle& s = Style();
          if (name == "Bold") return *out = AutoValue::Bool(s.bold), OsError::Ok();
          if (name == "Italic") return *out = AutoValue::Bool(s.italic), OsError::Ok();
          if (name == "Underline") return *out = AutoValue::Number(s.underline ? 2 : -4142), OsError::Ok();
          if (name == "Name") return *out = AutoValue::Text(s.fontName), OsError::Ok();
          if (name == "Size") return *out = AutoValue::Number(s.fontSize), OsError::Ok();
          if (name == "Color") return *out = AutoValue::Number(s.fontColour < 0 ? 0 : s.fontColour), OsError::Ok();
          break;
        }
        case Kind::kInterior:
          if (name == "Color") return *out = AutoValue::Number(Style().fillColour < 0 ? 0xFFFFFF : Style().fillColour), OsError::Ok();
          break;
        case Kind::kBorders: {
          const BorderRow* b = BorderByFile(Style().border);
          if (name == "Weight") return *out = AutoValue::Number(b->excelWeight), OsError::Ok();
          if (name == "LineStyle") return *out = AutoValue::Number(b->excelLineStyle), OsError::Ok();
          break;
        }
        default: break;
      }
      return Missing(name);
    }

    OsError Put(std::string_view name, const std::vector<AutoValue>&, const AutoValue& v) override {
      excel->calls.push_back("Put " + std::string(name));
      auto number = [&v] { return NumberToText(v.number, 15); };
      switch (kind) {
        case Kind::kApp:
          if (name == "DisplayAlerts") return OsError::Ok();
          if (name == "Visible") return excel->visible = v.number != 0, OsError::Ok();
          break;
        case Kind::kWindow:
          if (name == "Visible") return book->windowVisible = v.number != 0, OsError::Ok();
          break;
        case Kind::kRange:
          if (name == "Value2") {
            for (uint32_t r = 0; r < v.rows; ++r)
              for (uint32_t c = 0; c < v.columns; ++c) {
                const uint32_t row = range.row1 + r, col = range.col1 + c;
                SetCellValue(TheSheet(), row, TheSheet().At(row, col), v.items[size_t(r) * v.columns + c].text, book->model);
              }
            return OsError::Ok();
          }
          if (name == "NumberFormat") return Restyle({FormatItem::kDataFormat, v.text}), OsError::Ok();
          if (name == "HorizontalAlignment" || name == "VerticalAlignment") {
            const bool h = name == "HorizontalAlignment";
            return Restyle({h ? FormatItem::kHorizontal : FormatItem::kVertical, AlignmentByExcel(h, static_cast<int>(v.number))->word}),
                   OsError::Ok();
          }
          if (name == "ColumnWidth") {
            for (uint32_t c = range.col1; c <= range.col2; ++c) TheSheet().columns[c].width = v.number;
            return OsError::Ok();
          }
          if (name == "RowHeight") {
            for (uint32_t r = range.row1; r <= range.row2; ++r) TheSheet().rows[r].height = v.number;
            return OsError::Ok();
          }
          break;
        case Kind::kFont:
          if (name == "Bold") return Restyle({FormatItem::kBold, v.number ? "1" : "0"}), OsError::Ok();
          if (name == "Italic") return Restyle({FormatItem::kItalic, v.number ? "1" : "0"}), OsError::Ok();
          if (name == "Underline") return Restyle({FormatItem::kUnderline, v.number == 2 ? "1" : "0"}), OsError::Ok();
          if (name == "Name") return Restyle({FormatItem::kFontName, v.text}), OsError::Ok();
          if (name == "Size") return Restyle({FormatItem::kFontSize, number()}), OsError::Ok();
          if (name == "Color") return Restyle({FormatItem::kFontColour, number()}), OsError::Ok();
          if (name == "ColorIndex") return Restyle({FormatItem::kFontColour, "-1"}), OsError::Ok();
          break;
        case Kind::kInterior:
          if (name == "Color") return Restyle({FormatItem::kFillColour, number()}), OsError::Ok();
          if (name == "ColorIndex") return Restyle({FormatItem::kFillColour, "-1"}), OsError::Ok();
          break;
        case Kind::kBorders:
          if (name == "LineStyle") {
            excel->pendingLine = static_cast<int>(v.number);
            if (excel->pendingLine == -4142) Restyle({FormatItem::kBorder, ""});
            return OsError::Ok();
          }
          if (name == "Weight")
            return Restyle({FormatItem::kBorder, BorderByExcel(static_cast<int>(v.number), excel->pendingLine)->file}), OsError::Ok();
          break;
        default: break;
      }
      return Missing(name);
    }
  };

  Files& files_;
  std::shared_ptr<Node> active;
  int pendingLine = 1;  // Borders.LineStyle waits for Borders.Weight
};

}  // namespace plumo
