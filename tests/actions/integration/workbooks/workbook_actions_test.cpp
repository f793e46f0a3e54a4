#include "actions/integration/workbooks/workbook_actions.h"

#include "actions/integration/workbooks/xlsx_file.h"
#include "engine/engine_harness.h"
#include "engine/fake_variables.h"
#include "fakes/fake_excel.h"

namespace plumo {
namespace {

struct Row {
  const char* action;
  const char* book = "";
  const char* cell = "";  // value2
  const char* text = "";
  const char* options = "";
  const char* value3 = "";
  const char* value4 = "";
  const char* out = "";
};

Step StepOf(const Row& r) {
  Step s = MakeStep(r.action, 10, r.text);
  s.value1 = r.book;
  s.value2 = r.cell;
  s.value3 = r.value3;
  s.value4 = r.value4;
  s.options = r.options;
  if (*r.out) {
    s.output = "Variable";
    s.outputValue = r.out;
  }
  return s;
}

class WorkbookActionsTest : public EngineTest {
 protected:
  WorkbookActionsTest() {
    files.AddFolder("C:\\Work");
    excel.installed = false;
  }
  void Register() { RegisterWorkbookActions(session, files, excel); }
  // Runs one Step on its own and gives its failure text ("" when it succeeded).
  std::string Try(const Row& row) {
    Load({StepOf(row)});
    session.run.errorText.clear();
    const int rc = (*session.executors.Find(10))(session, 0, 0, false);
    return rc == result::kSuccess ? "" : session.run.errorText;
  }
  Workbook Saved(const std::string& path) {
    Workbook book;
    std::string error;
    EXPECT_TRUE(ReadXlsx(files.Content(path), &book, &error)) << error;
    return book;
  }

  FakeVariables& variables = session.AttachVariables(std::make_unique<FakeVariables>(session.scripts));
  FakeExcel excel{files};
};

const Row kSession[] = {
    {"Create Workbook", "book.xlsx", ",", "width=200 align=center bgcolor=silver color=blue Sample Text", "Save"},
    {"Set Cell", "book.xlsx", "B2", "1,two\r\n3.5,TRUE", "", ","},
    {"Get Cell", "book.xlsx", "B2:C3", "", "", "|", ";", "range"},
    {"Get Cell", "", "A1", "", "", "", "", "a1"},
    {"Get Cell Format", "", "A1", "", "Background Color", "", "", "fill"},
    {"Set Cell Format", "", "B2:C3", "", "Bold", "1"},
    {"Get Cell Format", "", "C3", "", "Is Bold", "", "", "bold"},
    {"Get Cell Format", "", "A1", "", "Column Width", "", "", "width"},
    {"Set Cell Format", "", "B2", "", "Border", "Medium Dash"},
    {"Get Cell Format", "", "B2", "", "Border Line Style", "", "", "line"},
    {"Get Cell Format", "", "B2", "", "Border Weight", "", "", "weight"},
    {"Get Cell Format", "", "A1", "", "Horizontal Alignment", "", "", "align"},
    {"Select Cell", "", "C3"},
    {"Get Cell", "", "", "", "", "", "", "selected"},
    {"Get Cell Format", "", "A1", "", "Total Rows", "", "", "rows"},
    {"Get Cell Format", "", "A1", "", "Total Columns", "", "", "columns"},
    {"Save Workbook", "C:\\Work\\book.xlsx"},
    {"Close Workbook", "book.xlsx"},
    {"Open Workbook", "book.xlsx", "", "", "Hidden"},
    {"Get Cell", "book.xlsx", "B2:C3", "", "", "", "", "reopened"},
    {"Set Cell", "book.xlsx", "A5", "unsaved"},
};

const std::pair<const char*, const char*> kExpected[] = {
    {"range", "1|two;3.5|TRUE"}, {"a1", "Sample Text"}, {"fill", "12632256"}, {"bold", "1"},
    {"width", "27.86"},          {"line", "Dash"},      {"weight", "Medium"}, {"align", "Center"},
    {"selected", "TRUE"},        {"rows", "3"},         {"columns", "3"},     {"reopened", "1,two\r\n3.5,TRUE"},
};

TEST_F(WorkbookActionsTest, ASessionGivesTheSameResultsThroughExcelAndThroughFiles) {
  for (bool withExcel : {false, true}) {
    SCOPED_TRACE(withExcel ? "Excel" : "files");
    excel.installed = withExcel;
    Register();
    std::vector<Step> steps;
    for (const Row& r : kSession) steps.push_back(StepOf(r));
    Load(steps);
    ASSERT_TRUE(Run());
    for (const auto& [name, value] : kExpected) EXPECT_EQ(variables.Get(name), value) << name;
    EXPECT_TRUE(OutputHas("WARNING!  Excel Workbook #1 was modified, but not saved (use \"Save Workbook\" action)"));
    EXPECT_TRUE(OutputHas("WARNING!  Excel Workbook #1 was not closed (use \"Close Workbook\" action)"));
    EXPECT_TRUE(OutputHas("WARNING!  Excel Workbook #1 was opened hidden, and is being closed automatically"));
    Workbook saved = Saved("C:\\Work\\book.xlsx");
    Sheet& sheet = saved.sheets[0];
    EXPECT_EQ(CellValueText(*sheet.Find(2, 3)), "two");
    EXPECT_FALSE(sheet.Find(5, 1));  // the last change was never saved
    EXPECT_TRUE(saved.Style(sheet.Find(3, 3)->style).bold);
    EXPECT_EQ(saved.Style(sheet.Find(2, 2)->style).border, "mediumDashed");
    EXPECT_EQ(sheet.selection, "C3");
    EXPECT_TRUE(files.Delete("C:\\Work\\book.xlsx").ok());
  }
  EXPECT_EQ(excel.created, 1);
  EXPECT_TRUE(excel.visible);  // for the first workbook; the reopened one was hidden in its window
  EXPECT_EQ(std::count(excel.calls.begin(), excel.calls.end(), "Get Windows"), 1);
}

TEST_F(WorkbookActionsTest, ExcelShowsWorkbooksNotOpenedHidden) {
  excel.installed = true;
  Register();
  EXPECT_EQ(Try({"Create Workbook", "shown.xlsx"}), "");
  EXPECT_TRUE(excel.visible);
  EXPECT_EQ(excel.calls.front(), "Put DisplayAlerts");
}

TEST_F(WorkbookActionsTest, BadInputFailsWithAReasonAndLeavesFilesAlone) {
  Register();
  files.Put("C:\\Work\\damaged.xlsx", "PK\x03\x04 this is no workbook");
  const std::pair<Row, std::string> cases[] = {
      {{"Get Cell", "nothing.xlsx", "A1"}, "The workbook \"nothing.xlsx\" is not open (use \"Open Workbook\" first)"},
      {{"Open Workbook", "missing.xlsx"}, "The workbook \"C:\\Work\\missing.xlsx\" does not exist"},
      {{"Open Workbook", "damaged.xlsx"},
       "The workbook \"C:\\Work\\damaged.xlsx\" could not be read: the file is not a ZIP archive (no directory at its end)"},
      {{"Create Workbook", "old.xls"}, "Without Excel, workbooks are .xlsx or .csv files; \"C:\\Work\\old.xls\" is neither"},
      {{"Create Workbook", ""}, "No workbook name was given"},
      {{"Create Workbook", "a.xlsx"}, ""},
      {{"Get Cell", "a.xlsx", "ZZZZ999999999"}, "\"ZZZZ999999999\" is not a cell or range (such as B3 or A1:C10)"},
      {{"Set Cell", "a.xlsx", "XFD1", "x,y", "", ","}, "The data does not fit on the sheet from XFD1"},
      {{"Set Cell Format", "a.xlsx", "A1", "", "Border", "wobbly"}, "Border: \"wobbly\" is not a border"},
      {{"Get Cell Format", "a.xlsx", "A1"}, "No format item was chosen (such as \"Is Bold\" or \"Column Width\")"},
      {{"Get Cell", "a.xlsx", "A1:XFD1048576"}, "The range A1:XFD1048576 has more than 1,000,000 cells"},
      {{"Create Workbook", "A.XLSX"}, "The workbook \"C:\\Work\\A.XLSX\" is already open (#1)"},
  };
  for (const auto& [row, reason] : cases) EXPECT_EQ(Try(row), reason) << row.action << " " << row.book;
  EXPECT_EQ(files.Content("C:\\Work\\damaged.xlsx"), "PK\x03\x04 this is no workbook");
}

TEST_F(WorkbookActionsTest, EightWorkbooksAtOnce) {
  Register();
  for (int i = 1; i <= 8; ++i) {
    const std::string name = "book" + std::to_string(i) + ".xlsx", value = std::to_string(i * 11);
    EXPECT_EQ(Try({"Create Workbook", name.c_str(), "", value.c_str()}), "");
  }
  EXPECT_EQ(Try({"Create Workbook", "book9.xlsx"}), "All 8 workbook slots are in use (use \"Close Workbook\" first)");
  for (int i = 1; i <= 8; ++i) {
    const std::string name = "book" + std::to_string(i) + ".xlsx";
    ASSERT_EQ(Try({"Get Cell", name.c_str(), "A1", "", "", "", "", "v"}), "");
    EXPECT_EQ(variables.Get("v"), std::to_string(i * 11));
  }
  EXPECT_EQ(Try({"Close Workbook", "book3.xlsx"}), "");
  EXPECT_EQ(Try({"Create Workbook", "book9.xlsx"}), "");
}

TEST_F(WorkbookActionsTest, AHundredByHundredRange) {
  Register();
  std::string data;
  for (int r = 0; r < 100; ++r) {
    if (r) data += "\n";
    for (int c = 0; c < 100; ++c) data += (c ? ";" : "") + std::to_string(r * 100 + c);
  }
  ASSERT_EQ(Try({"Create Workbook", "big.xlsx"}), "");
  ASSERT_EQ(Try({"Set Cell", "big.xlsx", "C3", data.c_str(), "Save", ";"}), "");
  ASSERT_EQ(Try({"Get Cell", "big.xlsx", "C3:CX102", "", "", ";", "\n", "all"}), "");
  EXPECT_EQ(variables.Get("all"), data);
  EXPECT_EQ(Saved("C:\\Work\\big.xlsx").sheets[0].Find(102, 102)->number, 9999);
}

}  // namespace
}  // namespace plumo
