// The workbook actions on real files through the platform's own ports: Excel where the
// automation object exists, otherwise Plumo's files (always so on Linux and under Wine).
#include "actions/integration/workbooks/workbook_actions.h"
#include "actions/integration/workbooks/xlsx_file.h"
#include "engine/engine_harness.h"
#include "engine/fake_variables.h"
#include "platform/integration_port.h"
#include "actions/integration/native_files.h"

namespace plumo {
namespace {

class RealWorkbookTest : public EngineTest {
 protected:
  RealWorkbookTest() { RegisterWorkbookActions(session, *real, integration.automation()); }
  Step Make(const char* action, const std::string& book, const char* cell = "", const char* text = "") {
    Step s = MakeStep(action, 10, text);
    s.value1 = book;
    s.value2 = cell;
    s.output = "Variable";
    s.outputValue = "result";
    return s;
  }
  std::unique_ptr<Files> real = NativeFilesForTest();
  IntegrationPort integration;
  FakeVariables& variables = session.AttachVariables(std::make_unique<FakeVariables>(session.scripts));
};

TEST_F(RealWorkbookTest, EveryActionOnAnXlsxFile) {
  const std::string path = ::testing::TempDir() + "plumo_real_book.xlsx";
  (void)real->Delete(path);  // a leftover of an earlier run, if any
  Step create = Make("Create Workbook", path, ";", "bold=1 Name;Amount\r\nPen;2.5\r\nInk;=B2*2");
  create.options = "Save";
  Step format = Make("Set Cell Format", path, "A1:B1");
  format.options = "Background Color";
  format.value3 = "yellow";
  Step getFormat = Make("Get Cell Format", path, "A1");
  getFormat.options = "Is Bold";
  Step read = Make("Get Cell", path, "A1:B2");
  read.value3 = "|";
  read.value4 = "/";
  Load({create, format, Make("Select Cell", path, "B3"), Make("Save Workbook", path), Make("Close Workbook", path),
        Make("Open Workbook", path), read, getFormat, Make("Get Cell", path), Make("Close Workbook", path)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(variables.Get("result"), "=B2*2");  // the selection: a formula nobody computed yet
  for (const std::string& line : Output()) EXPECT_EQ(line.find("WARNING!  Excel Workbook"), std::string::npos) << line;

  std::string bytes;
  bool opened = false;
  ASSERT_TRUE(real->ReadFile(path, &bytes, &opened));
  Workbook book;
  std::string error;
  ASSERT_TRUE(ReadXlsx(bytes, &book, &error)) << error;
  const Sheet& sheet = book.sheets[0];
  EXPECT_EQ(CellValueText(*sheet.Find(2, 2)), "2.5");
  EXPECT_TRUE(book.Style(sheet.Find(1, 1)->style).bold);
  EXPECT_EQ(book.Style(sheet.Find(1, 2)->style).fillColour, 0x00FFFF);
  EXPECT_EQ(sheet.selection, "B3");
  EXPECT_TRUE(real->Delete(path).ok());
}

TEST_F(RealWorkbookTest, ADamagedFileIsRefusedAndLeftAsItWas) {
  const std::string path = ::testing::TempDir() + "plumo_damaged.xlsx";
  bool created = false;
  ASSERT_TRUE(real->ReplaceContent(path, "PK\x05\x06 broken", &created));
  Load({Make("Open Workbook", path)});
  session.run.errorText.clear();
  EXPECT_EQ((*session.executors.Find(10))(session, 0, 0, false), result::kFailure);
  EXPECT_NE(session.run.errorText.find("could not be read"), std::string::npos) << session.run.errorText;
  std::string bytes;
  bool opened = false;
  ASSERT_TRUE(real->ReadFile(path, &bytes, &opened));
  EXPECT_EQ(bytes, "PK\x05\x06 broken");
  EXPECT_TRUE(real->Delete(path).ok());
}

}  // namespace
}  // namespace plumo
