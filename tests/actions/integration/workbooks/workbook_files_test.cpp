#include "actions/integration/workbooks/workbook_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "actions/integration/workbooks/cell_format.h"
#include "actions/integration/workbooks/xlsx_file.h"
#include "actions/integration/workbooks/zip_archive.h"

namespace plumo {
namespace {

Workbook ReadBack(const std::string& bytes) {
  Workbook book;
  std::string error;
  EXPECT_TRUE(ReadXlsx(bytes, &book, &error)) << error;
  return book;
}

std::string Value(Workbook& book, const char* ref, const char* sheet = "") {
  auto r = ParseCellRange(ref);
  const Cell* cell = book.SheetFor(sheet)->Find(r->row1, r->col1);
  return cell ? CellValueText(*cell) : "(none)";
}

TEST(CellRange, ReferencesWithinTheSheet) {
  struct Case {
    const char* text;
    const char* sheet;
    uint32_t row1, col1, row2, col2;
  } ok[] = {
      {"B3", "", 3, 2, 3, 2},          {"$b$3", "", 3, 2, 3, 2},           {"C3:A1", "", 1, 1, 3, 3},
      {"XFD1048576", "", 1048576, 16384, 1048576, 16384},                {"Totals!A1:B2", "Totals", 1, 1, 2, 2},
      {"'Year ''24'!AA10", "Year '24", 10, 27, 10, 27},
  };
  for (const Case& c : ok) {
    auto r = ParseCellRange(c.text);
    ASSERT_TRUE(r) << c.text;
    EXPECT_EQ(r->sheet, c.sheet);
    EXPECT_EQ((std::vector<uint32_t>{r->row1, r->col1, r->row2, r->col2}), (std::vector<uint32_t>{c.row1, c.col1, c.row2, c.col2}))
        << c.text;
  }
  for (const char* bad : {"ZZZZ999999999", "XFE1", "A0", "A1048577", "1A", "", "A1:", "!A1", "A1B"})
    EXPECT_FALSE(ParseCellRange(bad)) << bad;
  EXPECT_EQ(ColumnName(16384), "XFD");
  EXPECT_EQ(ColumnName(27), "AA");
}

TEST(CellFormat, AttributeWordsAndValues) {
  std::vector<FormatSetting> f;
  EXPECT_EQ(TakeCellAttributes("width=200 align=center bgcolor=silver color=blue Sample Text", &f), "Sample Text");
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[0].value, "27.86");  // 200 pixels in characters
  EXPECT_EQ(f[1].value, "Center");
  EXPECT_EQ(f[2].value, std::to_string(0xC0C0C0));
  EXPECT_EQ(f[3].value, std::to_string(0xFF0000));  // blue, red in the low byte
  f.clear();
  // Unknown names, bad values and ordinary text stay data.
  EXPECT_EQ(TakeCellAttributes("a=b is true", &f), "a=b is true");
  EXPECT_EQ(TakeCellAttributes("bgcolor=notacolour x", &f), "bgcolor=notacolour x");
  EXPECT_EQ(TakeCellAttributes("font=\"Times New Roman\" bold=1 =SUM(A1:A3)", &f), "=SUM(A1:A3)");
  EXPECT_TRUE(f.size() == 2 && f[0].value == "Times New Roman" && f[1].value == "1");

  struct Case {
    FormatItem item;
    const char* in;
    const char* out;  // nullptr: refused
  } cases[] = {
      {FormatItem::kBold, "yes", "1"},           {FormatItem::kBold, "maybe", nullptr},
      {FormatItem::kFontColour, "#FF0000", "255"}, {FormatItem::kFillColour, "none", "-1"},
      {FormatItem::kColumnWidth, "300", nullptr}, {FormatItem::kHorizontal, "right", "Right"},
      {FormatItem::kBorder, "Medium Dash", "mediumDashed"}, {FormatItem::kBorder, "double", "double"},
      {FormatItem::kBorder, "wobbly", nullptr},   {FormatItem::kDataFormat, "", "General"},
      {FormatItem::kTotalRows, "3", nullptr},
  };
  for (const Case& c : cases) {
    std::string value, error;
    EXPECT_EQ(NormalizeFormatValue(c.item, c.in, &value, &error), c.out != nullptr) << c.in;
    if (c.out) EXPECT_EQ(value, c.out) << c.in;
    else EXPECT_FALSE(error.empty()) << c.in;
  }
  EXPECT_EQ(SetFormatItemOf("Save,Bold"), FormatItem::kBold);
  EXPECT_EQ(GetFormatItemOf("Is Bold"), FormatItem::kBold);
  EXPECT_FALSE(GetFormatItemOf("Bold"));
}

TEST(Xlsx, OwnFilesRoundTripValuesFormatsAndSheets) {
  Workbook book = NewWorkbook();
  Sheet& s = book.sheets[0];
  const char* values[] = {"12.5", "Gr\xFC\xDF" "e \x80", "  padded ", "TRUE", "'007", "=A1*2", "tab\there\x01", "_x0041_", "-0.000125"};
  for (uint32_t i = 0; i < std::size(values); ++i) SetCellValue(s, 1, s.At(1, i + 1), values[i], book);
  CellStyle style;
  style.bold = true;
  style.fillColour = 0x00FFFF;
  style.horizontal = "center";
  style.border = "dashed";
  style.numberFormat = "0.000";
  s.At(2, 1).style = book.Intern(style);
  s.columns[1].width = 20;
  s.rows[2].height = 30;
  s.selection = "B2:C3";
  s.selectionSet = true;
  book.sheets.emplace_back();
  book.sheets[1].name = "Second & last";
  SetCellValue(book.sheets[1], 5, book.sheets[1].At(5, 3), "x", book);

  std::string error;
  Workbook back = ReadBack(WriteXlsx(book, &error));
  ASSERT_EQ(back.sheets.size(), 2u);
  for (uint32_t i = 0; i < std::size(values); ++i) {
    const std::string expected = i == 4 ? "007" : values[i];
    EXPECT_EQ(CellValueText(*back.sheets[0].Find(1, i + 1)), expected) << values[i];
  }
  EXPECT_EQ(back.sheets[0].Find(1, 1)->kind, CellKind::kNumber);
  EXPECT_EQ(back.Style(back.sheets[0].Find(2, 1)->style), style);
  EXPECT_EQ(back.sheets[0].columns[1].width, 20);
  EXPECT_EQ(back.sheets[0].rows[2].height, 30);
  EXPECT_EQ(back.sheets[0].selection, "B2:C3");
  EXPECT_EQ(back.sheets[1].name, "Second & last");
  EXPECT_EQ(Value(back, "C5", "Second & last"), "x");
}

TEST(Xlsx, DamagedFilesAreRefusedWithAReason) {
  std::string error;
  Workbook book = NewWorkbook();
  SetCellValue(book.sheets[0], 1, book.sheets[0].At(1, 1), "some text to pack", book);
  const std::string good = WriteXlsx(book, &error);
  std::string flipped = good;
  flipped[good.find("xl/worksheets/sheet1.xml") + 40] ^= 0x55;  // inside the sheet's packed bytes
  ZipWriter noWorkbook;
  noWorkbook.Add("hello.txt", "hi");
  const std::string cases[] = {"", "PK\x03\x04 not really", good.substr(0, good.size() / 2), flipped, noWorkbook.Finish(),
                               std::string(100000, 'x')};
  for (const std::string& bytes : cases) {
    Workbook out;
    error.clear();
    EXPECT_FALSE(ReadXlsx(bytes, &out, &error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(Xlsx, AnEntryClaimingAHugeSizeIsRefusedBeforeAnyAllocation) {
  ZipWriter zip;
  zip.Add("xl/workbook.xml", std::string(1000, ' '));
  std::string bytes = zip.Finish();
  // Raise the central directory's size field of the entry past the limit.
  const size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
  const uint32_t huge = 0x7FFFFFFF;
  std::memcpy(&bytes[central + 24], &huge, 4);
  ZipReader reader;
  std::string error, out;
  ASSERT_TRUE(reader.Open(bytes, &error)) << error;
  EXPECT_FALSE(reader.Extract(reader.entries()[0], &out, &error));
  EXPECT_EQ(error, "an entry of the workbook is too large");
}

TEST(Csv, QuotedFieldsAndTypedValues) {
  Workbook book;
  std::string error;
  ASSERT_TRUE(ReadCsv("name,\"a, \"\"quoted\"\" one\",3.5\r\n\r\nx,,TRUE\n", &book, &error));
  EXPECT_EQ(Value(book, "B1"), "a, \"quoted\" one");
  EXPECT_EQ(book.sheets[0].Find(1, 3)->kind, CellKind::kNumber);
  EXPECT_EQ(Value(book, "A3"), "x");
  EXPECT_EQ(Value(book, "B3"), "(none)");
  EXPECT_EQ(WriteCsv(book.sheets[0]), "name,\"a, \"\"quoted\"\" one\",3.5\r\n\r\nx,,TRUE\r\n");
  EXPECT_FALSE(ReadCsv(std::string(16385, ',') + "x", &book, &error));  // past column XFD
  EXPECT_FALSE(error.empty());
}

TEST(Xlsx, ColumnDefinitionsOverAndOverAreRefusedQuickly) {
  std::string cols;
  for (int i = 0; i < 1000; ++i) cols += "<col min=\"1\" max=\"16384\" width=\"9\"/>";
  ZipWriter zip;
  zip.Add("xl/workbook.xml", "<workbook><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>");
  zip.Add("xl/_rels/workbook.xml.rels",
          "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
  zip.Add("xl/worksheets/sheet1.xml", "<worksheet><cols>" + cols + "</cols><sheetData/></worksheet>");
  Workbook book;
  std::string error;
  EXPECT_FALSE(ReadXlsx(zip.Finish(), &book, &error));
  EXPECT_EQ(error, "the sheet \"S\" is damaged");
}

}  // namespace
}  // namespace plumo
