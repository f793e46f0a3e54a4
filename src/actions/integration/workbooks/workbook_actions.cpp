#include "actions/integration/workbooks/workbook_actions.h"

#include <array>
#include <memory>

#include "actions/integration/workbooks/excel_workbook.h"
#include "actions/integration/workbooks/file_workbook.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "scripts/step.h"

namespace plumo {
namespace {

constexpr int kCategory = category::kExcel;
constexpr std::string_view kDefaultColumnDelimiter = ",";
constexpr std::string_view kDefaultRowDelimiter = "\r\n";

struct Slot {
  std::string path;
  std::unique_ptr<OpenWorkbook> book;
  bool modified = false;
  bool open = false;
  bool hidden = false;
};

// Excel when its automation object can be had, else Plumo's own files.
std::unique_ptr<WorkbookApp> ChooseApp(Session& session, Files& files, Automation& automation) {
  OsError e;
  if (AutoObjectPtr excel = automation.Create("Excel.Application", &e)) return std::make_unique<ExcelWorkbookApp>(excel);
  LogLine(session, "    Excel is not available (" + e.message() + "); workbooks are read and written as .xlsx and .csv files");
  return std::make_unique<FileWorkbookApp>(files);
}

// The run's workbooks and the spreadsheet program behind them, chosen at the first use.
class Workbooks {
 public:
  Workbooks(Files& files, Automation& automation) : files(files), automation(automation) {}

  WorkbookApp& App(Session& session) {
    if (!app_) app_ = ChooseApp(session, files, automation);
    return *app_;
  }

  // The slot of an open workbook by its file (the whole path, then the name alone); an empty
  // name means the workbook used last. -1 when none matches.
  int Find(std::string_view name) const {
    if (name.empty()) return lastUsed >= 0 && slots[static_cast<size_t>(lastUsed)].open ? lastUsed : -1;
    for (int i = 0; i < kWorkbookSlots; ++i)
      if (slots[static_cast<size_t>(i)].open && EqualsNoCase(slots[static_cast<size_t>(i)].path, name)) return i;
    for (int i = 0; i < kWorkbookSlots; ++i)
      if (slots[static_cast<size_t>(i)].open && EqualsNoCase(FileName(slots[static_cast<size_t>(i)].path), FileName(name))) return i;
    return -1;
  }

  int FreeSlot() const {
    for (int i = 0; i < kWorkbookSlots; ++i)
      if (!slots[static_cast<size_t>(i)].open) return i;
    return -1;
  }

  // End of the run: the warnings, hidden workbooks closed, Excel let go.
  void Finish(Session& session) {
    for (int i = 0; i < kWorkbookSlots; ++i) {
      Slot& s = slots[static_cast<size_t>(i)];
      if (s.modified)
        LogFormat(session, "WARNING!  Excel Workbook #%d was modified, but not saved (use \"Save Workbook\" action)", i + 1);
      if (s.open) LogFormat(session, "WARNING!  Excel Workbook #%d was not closed (use \"Close Workbook\" action)", i + 1);
      if (s.hidden && s.book) {
        s.book->Close();
        LogFormat(session, "WARNING!  Excel Workbook #%d was opened hidden, and is being closed automatically", i + 1);
      }
    }
    Reset();
  }

  // Forgets every workbook; Excel keeps the ones it shows.
  void Reset() {
    for (Slot& s : slots) s = Slot{};
    lastUsed = -1;
    app_.reset();
  }

  static std::string_view FileName(std::string_view path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
  }

  std::array<Slot, kWorkbookSlots> slots;
  int lastUsed = -1;
  Files& files;
  Automation& automation;

 private:
  std::unique_ptr<WorkbookApp> app_;
};

struct Context {
  Session& session;
  int slot;
  int index;
  Step& step;
  Workbooks& books;

  std::string Expand(std::string_view field) { return session.ExpandStep(field, slot, index); }
  int Fail(const std::string& reason) { return session.Fail(reason); }
};

std::string Absolute(Session& session, std::string path) {
  if (path.empty() || IsRootedPath(path)) return path;
  std::string folder = session.system().CurrentDirectory();
  if (folder.empty()) return path;
  const char separator = folder.find('\\') != std::string::npos ? '\\' : '/';
  if (folder.back() != separator) folder += separator;
  return folder + path;
}

// The open workbook a Step names in value1; fails the Step when there is none.
Slot* NamedBook(Context& c, int* number) {
  const std::string name = c.Expand(c.step.value1);
  int i = c.books.Find(name);
  if (i < 0 && !name.empty()) i = c.books.Find(Absolute(c.session, name));
  if (i < 0) {
    c.Fail(name.empty() ? "No workbook is open" : "The workbook \"" + name + "\" is not open (use \"Open Workbook\" first)");
    return nullptr;
  }
  c.books.lastUsed = i;
  if (number) *number = i;
  return &c.books.slots[static_cast<size_t>(i)];
}

bool RangeOf(Context& c, Slot& book, const std::string& text, CellRange* range) {
  const std::string ref = text.empty() ? book.book->Selection() : text;
  auto parsed = ParseCellRange(ref);
  if (!parsed) {
    c.Fail("\"" + ref + "\" is not a cell or range (such as B3 or A1:C10)");
    return false;
  }
  *range = *parsed;
  return true;
}

// Writes delimited data from the range's top-left cell, within the range when it is larger
// than one cell.
std::string WriteData(Session& session, OpenWorkbook& book, const CellRange& range, std::string_view data,
                      std::string_view columnDelimiter, std::string_view rowDelimiter) {
  const auto cells = SplitCells(data, columnDelimiter, rowDelimiter);
  size_t width = 0;
  for (const auto& row : cells) width = std::max(width, row.size());
  size_t rows = cells.size(), columns = width;
  if (!range.Single()) {
    rows = std::min<size_t>(rows, range.row2 - range.row1 + 1);
    columns = std::min<size_t>(columns, range.col2 - range.col1 + 1);
    if (rows < cells.size() || columns < width)
      LogFormat(session, "    Data outside %s was not written", CellRangeText(range).c_str());
  }
  if (rows == 0 || columns == 0) return {};
  if (range.row1 + rows - 1 > kMaxRow || range.col1 + columns - 1 > kMaxColumn)
    return "The data does not fit on the sheet from " + CellName(range.row1, range.col1);
  if (rows * columns > kMaxRangeCells) return "The data has more than 1,000,000 cells";
  WriteGrid grid(rows, std::vector<CellWrite>(columns));
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < columns && c < cells[r].size(); ++c) {
      CellWrite& w = grid[r][c];
      w.value = std::string(TakeCellAttributes(cells[r][c], &w.formats));
    }
  }
  return book.Write(range, grid);
}

std::string JoinCells(const TextGrid& grid, std::string_view columnDelimiter, std::string_view rowDelimiter) {
  std::string out;
  for (size_t r = 0; r < grid.size(); ++r) {
    if (r) out += rowDelimiter;
    for (size_t c = 0; c < grid[r].size(); ++c) {
      if (c) out += columnDelimiter;
      out += grid[r][c];
    }
  }
  return out;
}

std::string Delimiter(Context& c, const Text260& field, std::string_view fallback) {
  std::string d = c.Expand(field);
  return d.empty() ? std::string(fallback) : d;
}

int SaveIfAsked(Context& c, Slot& book) {
  if (!HasOption(c.step.options, "Save")) return result::kSuccess;
  if (std::string e = book.book->Save(); !e.empty()) return c.Fail(e);
  book.modified = false;
  return result::kSuccess;
}

int OpenOrCreate(Context& c, bool create) {
  const std::string name = c.Expand(c.step.value1);
  if (name.empty()) return c.Fail("No workbook name was given");
  const std::string path = Absolute(c.session, name);
  if (int open = c.books.Find(path); open >= 0)
    return c.Fail(FormatText("The workbook \"%s\" is already open (#%d)", path.c_str(), open + 1));
  const int i = c.books.FreeSlot();
  if (i < 0) return c.Fail("All 8 workbook slots are in use (use \"Close Workbook\" first)");
  if (!create && c.books.files.Kind(path) != PathKind::kFile) return c.Fail("The workbook \"" + path + "\" does not exist");
  const bool hidden = HasOption(c.step.options, "Hidden");
  Slot& s = c.books.slots[static_cast<size_t>(i)];
  WorkbookApp& app = c.books.App(c.session);
  if (std::string e = create ? app.Create(path, hidden, &s.book) : app.Open(path, hidden, &s.book); !e.empty()) return c.Fail(e);
  s.path = path;
  s.open = true;
  s.hidden = hidden;
  c.books.lastUsed = i;
  for (const std::string& part : s.book->NotKept())
    LogFormat(c.session, "    WARNING: \"%s\" holds %s, which saving it will not keep", path.c_str(), part.c_str());
  if (!create) return result::kSuccess;
  const std::string data = c.Expand(c.step.text);
  if (!data.empty()) {
    const std::string start = c.Expand(c.step.value4);
    CellRange range;
    if (!RangeOf(c, s, start.empty() ? "A1" : start, &range)) return result::kFailure;
    if (std::string e = WriteData(c.session, *s.book, range, data, c.Expand(c.step.value2), c.Expand(c.step.value3)); !e.empty())
      return c.Fail(e);
    s.modified = true;
  }
  return SaveIfAsked(c, s);
}

int CreateWorkbook(Context& c) { return OpenOrCreate(c, true); }
int OpenWorkbookStep(Context& c) { return OpenOrCreate(c, false); }

int SaveWorkbook(Context& c) {
  Slot* book = NamedBook(c, nullptr);
  if (!book) return result::kFailure;
  if (std::string e = book->book->Save(); !e.empty()) return c.Fail(e);
  book->modified = false;
  return result::kSuccess;
}

int CloseWorkbook(Context& c) {
  int number = 0;
  Slot* book = NamedBook(c, &number);
  if (!book) return result::kFailure;
  if (SaveIfAsked(c, *book) != result::kSuccess) return result::kFailure;
  if (book->modified) LogFormat(c.session, "    Workbook #%d was closed without saving its changes", number + 1);
  book->book->Close();
  *book = Slot{};
  return result::kSuccess;
}

int GetCell(Context& c) {
  Slot* book = NamedBook(c, nullptr);
  CellRange range;
  if (!book || !RangeOf(c, *book, c.Expand(c.step.value2), &range)) return result::kFailure;
  TextGrid grid;
  if (std::string e = book->book->Read(range, &grid); !e.empty()) return c.Fail(e);
  c.session.StoreOutput(c.slot, c.index,
                        JoinCells(grid, Delimiter(c, c.step.value3, kDefaultColumnDelimiter), Delimiter(c, c.step.value4, kDefaultRowDelimiter)));
  return result::kSuccess;
}

int SetCell(Context& c) {
  Slot* book = NamedBook(c, nullptr);
  CellRange range;
  if (!book || !RangeOf(c, *book, c.Expand(c.step.value2), &range)) return result::kFailure;
  if (std::string e = WriteData(c.session, *book->book, range, c.Expand(c.step.text), c.Expand(c.step.value3), c.Expand(c.step.value4));
      !e.empty())
    return c.Fail(e);
  book->modified = true;
  return SaveIfAsked(c, *book);
}

int SelectCell(Context& c) {
  Slot* book = NamedBook(c, nullptr);
  CellRange range;
  if (!book || !RangeOf(c, *book, c.Expand(c.step.value2), &range)) return result::kFailure;
  if (std::string e = book->book->Select(range); !e.empty()) return c.Fail(e);
  return result::kSuccess;
}

int GetCellFormat(Context& c) {
  const auto item = GetFormatItemOf(c.step.options);
  if (!item) return c.Fail("No format item was chosen (such as \"Is Bold\" or \"Column Width\")");
  Slot* book = NamedBook(c, nullptr);
  CellRange range;
  if (!book || !RangeOf(c, *book, c.Expand(c.step.value2), &range)) return result::kFailure;
  std::string value;
  if (std::string e = book->book->GetFormat(range, *item, &value); !e.empty()) return c.Fail(e);
  c.session.StoreOutput(c.slot, c.index, value);
  return result::kSuccess;
}

int SetCellFormat(Context& c) {
  const auto item = SetFormatItemOf(c.step.options);
  if (!item) return c.Fail("No format item was chosen (such as \"Bold\" or \"Column Width\")");
  FormatSetting setting{*item, {}};
  std::string error;
  if (!NormalizeFormatValue(*item, c.Expand(c.step.value3), &setting.value, &error))
    return c.Fail(std::string(FormatItemName(*item)) + ": " + error);
  Slot* book = NamedBook(c, nullptr);
  CellRange range;
  if (!book || !RangeOf(c, *book, c.Expand(c.step.value2), &range)) return result::kFailure;
  if (std::string e = book->book->SetFormat(range, setting); !e.empty()) return c.Fail(e);
  book->modified = true;
  return SaveIfAsked(c, *book);
}

using WorkbookAction = int (*)(Context&);
struct ActionRow {
  const char* name;
  WorkbookAction run;
};
constexpr ActionRow kActions[] = {
    {"Create Workbook", CreateWorkbook}, {"Open Workbook", OpenWorkbookStep}, {"Save Workbook", SaveWorkbook},
    {"Close Workbook", CloseWorkbook},   {"Get Cell", GetCell},               {"Set Cell", SetCell},
    {"Select Cell", SelectCell},         {"Get Cell Format", GetCellFormat},  {"Set Cell Format", SetCellFormat},
};

// The workbook writer of the report and of Save Output: the text as a new workbook at path.
// It has a spreadsheet program of its own, since the studio's thread calls it as well.
std::string WriteTextWorkbook(Session& session, Workbooks& books, const std::string& path, std::string_view text) {
  std::unique_ptr<OpenWorkbook> book;
  const std::string full = Absolute(session, path);
  if (std::string e = ChooseApp(session, books.files, books.automation)->Create(full, true, &book); !e.empty()) return e;
  CellRange start;
  std::string e = WriteData(session, *book, start, text, kDefaultColumnDelimiter, "");
  if (e.empty()) e = book->Save();
  book->Close();
  return e;
}

}  // namespace

std::vector<std::vector<std::string>> SplitCells(std::string_view text, std::string_view columnDelimiter,
                                                 std::string_view rowDelimiter) {
  std::vector<std::vector<std::string>> rows;
  if (columnDelimiter.empty() && rowDelimiter.empty()) {
    rows.push_back({std::string(text)});
    return rows;
  }
  size_t at = 0;
  while (at < text.size()) {
    size_t end, next;
    if (rowDelimiter.empty()) {
      end = text.find_first_of("\r\n", at);
      if (end == std::string_view::npos) end = text.size();
      next = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    } else {
      end = text.find(rowDelimiter, at);
      if (end == std::string_view::npos) end = text.size();
      next = end + rowDelimiter.size();
    }
    std::string_view line = text.substr(at, end - at);
    std::vector<std::string> cells;
    if (columnDelimiter.empty()) {
      cells.emplace_back(line);
    } else {
      for (size_t from = 0;;) {
        const size_t cut = line.find(columnDelimiter, from);
        cells.emplace_back(line.substr(from, cut == std::string_view::npos ? std::string_view::npos : cut - from));
        if (cut == std::string_view::npos) break;
        from = cut + columnDelimiter.size();
      }
    }
    rows.push_back(std::move(cells));
    at = next;
  }
  return rows;
}

void RegisterWorkbookActions(Session& session, Files& files, Automation& automation) {
  auto books = std::make_shared<Workbooks>(files, automation);
  session.executors.Register(kCategory, [books](Session& s, int slot, int index, bool) {
    Step& step = s.scripts.At(slot)->steps[static_cast<size_t>(index)];
    Context c{s, slot, index, step, *books};
    for (const ActionRow& row : kActions)
      if (EqualsNoCase(step.action, row.name)) return row.run(c);
    return s.Fail("Unknown workbook action \"" + step.action.str() + "\"");
  });
  session.AddFinishHook(FinishPhase::kResources, [books](Session& s, int) { books->Finish(s); });
  session.AddResetHook([books](Session&, int) { books->Reset(); });
  session.writeWorkbook = [books](Session& s, const std::string& path, std::string_view text) {
    return WriteTextWorkbook(s, *books, path, text);
  };
}

}  // namespace plumo
