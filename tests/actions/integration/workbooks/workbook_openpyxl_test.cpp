// Files written by Plumo read by an independent reader, Python's openpyxl, and the other way.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "actions/integration/workbooks/cell_format.h"
#include "actions/integration/workbooks/workbook_files.h"
#include "actions/integration/workbooks/xlsx_file.h"

namespace plumo {
namespace {

std::string CellText(Workbook& book, const char* ref, const char* sheet = "") {
  auto r = ParseCellRange(ref);
  const Cell* cell = book.SheetFor(sheet)->Find(r->row1, r->col1);
  return cell ? CellValueText(*cell) : "(none)";
}

// Per process: ctest runs the cases of this file side by side.
std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "plumo_wb_" + std::to_string(getpid()) + "_" + name;
}

// Runs a Python script with the file's path and gives what it printed.
std::string Python(const std::string& script, const std::string& path) {
  const std::string scriptPath = TempPath("script.py"), outPath = TempPath("python.out");
  std::ofstream(scriptPath) << script;
  // Debian's python3 carries the python3-openpyxl package; another one first on PATH may not.
  std::FILE* system = std::fopen("/usr/bin/python3", "rb");
  if (system) std::fclose(system);
  const std::string command = std::string(system ? "/usr/bin/python3 " : "python3 ") + scriptPath + " " + path + " > " + outPath + " 2>&1";
  const int rc = std::system(command.c_str());
  std::ifstream in(outPath, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(rc, 0) << "python3 with openpyxl is needed (tools/setup installs it): " << ss.str();
  return ss.str();
}

TEST(XlsxWithOpenpyxl, OpenpyxlReadsWhatPlumoWrites) {
  Workbook book = NewWorkbook();
  Sheet& s = book.sheets[0];
  for (uint32_t r = 1; r <= 100; ++r)
    for (uint32_t c = 1; c <= 100; ++c) SetCellValue(s, r, s.At(r, c), r == c ? "diag" : std::to_string(r * 1000 + c), book);
  SetCellValue(s, 101, s.At(101, 1), "Gr\xFC\xDF" "e \x80", book);
  SetCellValue(s, 101, s.At(101, 2), "=SUM(A1:A3)", book);
  CellStyle style;
  style.bold = true;
  style.fontColour = 0x0000FF;  // red
  style.fillColour = 0xFFFF00;  // aqua
  style.numberFormat = "0.00%";
  style.horizontal = "right";
  style.border = "thick";
  s.At(1, 2).style = book.Intern(style);
  s.columns[2].width = 33;
  std::string error;
  const std::string path = TempPath("written.xlsx");
  std::ofstream(path, std::ios::binary) << WriteXlsx(book, &error);
  const std::string out = Python(R"(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.active
total = sum(ws.cell(r, c).value for r in range(1, 101) for c in range(1, 101) if r != c)
c = ws['B1']
print(total, ws['C3'].value, ws['A101'].value.encode('utf-8').hex(), ws['B101'].value)
print(c.font.b, c.font.color.rgb, c.fill.fgColor.rgb, c.number_format, c.alignment.horizontal, c.border.left.style)
print(ws.column_dimensions['B'].width, ws.max_row, ws.max_column)
)", path);
  long long total = 0;
  for (long long r = 1; r <= 100; ++r)
    for (long long c = 1; c <= 100; ++c) total += r == c ? 0 : r * 1000 + c;
  EXPECT_EQ(out, std::to_string(total) + " diag " + "4772c3bcc39f6520e282ac =SUM(A1:A3)\n"
                 "True FFFF0000 FF00FFFF 0.00% right thick\n33.0 101 100\n");
}

TEST(XlsxWithOpenpyxl, PlumoReadsWhatOpenpyxlWrites) {
  const std::string path = TempPath("openpyxl.xlsx");
  Python(R"(import sys, openpyxl
from openpyxl.styles import Font, PatternFill, Alignment
wb = openpyxl.Workbook()
ws = wb.active
ws.title = 'Data'
ws['A1'] = 'Größe'
ws['B1'] = 3.25
ws['C1'] = True
ws['D1'] = '=B1*2'
ws['A2'] = 'shared'
ws['B2'] = 'shared'
ws['A1'].font = Font(bold=True, italic=True, color='FF00FF00', name='Arial', size=14)
ws['A1'].fill = PatternFill('solid', fgColor='FF0000FF')
ws['A1'].alignment = Alignment(horizontal='center', vertical='top')
ws.column_dimensions['A'].width = 40
ws.row_dimensions[2].height = 25
ws.merge_cells('E5:F6')
wb.create_sheet('Other')['B2'] = 'second'
wb.save(sys.argv[1])
)", path);
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  Workbook book;
  std::string error;
  ASSERT_TRUE(ReadXlsx(ss.str(), &book, &error)) << error;
  ASSERT_EQ(book.sheets.size(), 2u);
  EXPECT_EQ(CellText(book, "A1"), "Gr\xF6\xDF" "e");
  EXPECT_EQ(CellText(book, "B1"), "3.25");
  EXPECT_EQ(CellText(book, "C1"), "TRUE");
  EXPECT_EQ(CellText(book, "D1"), "=B1*2");
  EXPECT_EQ(CellText(book, "B2"), "shared");
  EXPECT_EQ(CellText(book, "B2", "other"), "second");
  const CellStyle& s = book.Style(book.sheets[0].Find(1, 1)->style);
  EXPECT_TRUE(s.bold && s.italic);
  EXPECT_EQ(s.fontColour, 0x00FF00);
  EXPECT_EQ(s.fillColour, 0xFF0000);  // blue
  EXPECT_EQ(s.fontName, "Arial");
  EXPECT_EQ(s.fontSize, 14);
  EXPECT_EQ(StyleValue(s, FormatItem::kHorizontal), "Center");
  EXPECT_EQ(StyleValue(s, FormatItem::kVertical), "Top");
  EXPECT_EQ(book.sheets[0].columns[1].width, 40);
  EXPECT_EQ(book.sheets[0].rows[2].height, 25);
  // Merged cells survive a save by Plumo, as openpyxl sees.
  SetCellValue(book.sheets[0], 3, book.sheets[0].At(3, 1), "added", book);
  std::ofstream(path, std::ios::binary) << WriteXlsx(book, &error);
  EXPECT_EQ(Python(R"(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(wb['Data'].merged_cells.ranges, wb['Data']['A3'].value, wb['Data']['D1'].value, wb['Other']['B2'].value)
)", path), "[<MergedCellRange E5:F6>] added =B1*2 second\n");
}

}  // namespace
}  // namespace plumo
