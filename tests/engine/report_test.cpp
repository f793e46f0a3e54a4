#include "engine/report.h"

#include "engine_harness.h"

namespace plumo {
namespace {

class ReportTest : public EngineTest {
 protected:
  ReportTest() {
    Step ok = MakeStep("Type", 4, "Hello, World");
    ok.ranFlag = ran::kSucceeded;
    Step failed = MakeStep("Use Window", 3);
    failed.value1 = "from value1";
    failed.ranFlag = ran::kFailed;
    Step skipped = MakeStep("Comment", 16, "line\r\none\ttab");
    skipped.status = status::kSkip;
    Load({ok, failed, skipped}, "C:\\Scripts\\demo.vxm");
    for (int i = 0; i < 5; ++i) options.resultTexts[i] = std::string("R") + std::to_string(i);
    options.outputName = "report.htm";
  }
  ReportOptions options;
};

TEST_F(ReportTest, PlainTextColumnsHaveTheirWidths) {
  options.type = 0;
  options.maxTextLen = 8;
  std::string text = BuildReport(session, *session.scripts.At(0), options);
  EXPECT_EQ(text,
            "Plumo report for \"demo.vxm\"\r\nCreated on 7 December 2026 at 10:30\r\n\r\n"
            "STEP 1    Type                                    Hello Wo"  // comma removed after the cut
            "R2\r\n"
            "STEP 2    Use Window                              from valu"
            "R3\r\n"
            "STEP 3    Comment                                 line one"
            "Skipped\r\n");
}

TEST_F(ReportTest, LongTextShowsMaxTextLenPlusOneCharacters) {
  StepAt(0).text = std::string(300, 'x');
  options.maxTextLen = 50;
  std::string text = BuildReport(session, *session.scripts.At(0), options);
  EXPECT_NE(text.find(std::string(51, 'x') + "R2"), std::string::npos);
  EXPECT_EQ(text.find(std::string(52, 'x')), std::string::npos);
}

TEST_F(ReportTest, CommaSeparatedTurnsCommasIntoSpaces) {
  options.type = 1;
  std::string text = BuildReport(session, *session.scripts.At(0), options);
  EXPECT_NE(text.find("\r\n\r\n1, Type, Hello  World, R2\r\n2, Use Window, from value1, R3\r\n3, Comment, line one tab, Skipped\r\n"),
            std::string::npos)
      << text;
}

TEST_F(ReportTest, HtmlRowsCarryTheResultColours) {
  options.type = 2;
  StepAt(1).ranFlag = ran::kFailedPassedOver;
  std::string html = BuildReport(session, *session.scripts.At(0), options);
  EXPECT_EQ(html.rfind("<html>\r\n<head>\r\n<title>report.htm</title>", 0), 0u);
  EXPECT_NE(html.find("Plumo report for \"demo.vxm\"\r\n<br>Created on"), std::string::npos);
  EXPECT_NE(html.find("<tr>\r\n    <td bgcolor=\"#c0ffc0\" align=\"center\">1</td>    <td bgcolor=\"#c0ffc0\">Type</td>\r\n"
                      "    <td bgcolor=\"#c0ffc0\">Hello, World</td>\r\n<td bgcolor=\"#c0ffc0\" align=\"center\">R2</td>\r\n</tr>\r\n"),
            std::string::npos);
  EXPECT_NE(html.find("<td bgcolor=\"#ffff80\" align=\"center\">R4</td>"), std::string::npos);
  EXPECT_NE(html.find("<td bgcolor=\"#d8d8d8\" align=\"center\">Skipped</td>"), std::string::npos);
  const std::string end = "</table>\r\n</center>\r\n\r\n</font>\r\n</body>\r\n</html>\r\n";
  EXPECT_EQ(html.substr(html.size() - end.size()), end);
}

TEST_F(ReportTest, WorkbookRowsCarryCellAttributes) {
  options.type = 3;
  std::string text = BuildReport(session, *session.scripts.At(0), options);
  EXPECT_NE(text.find("\r\n\r\nbold=1 align=center bgcolor=silver width=60 Step,"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nalign=center bgcolor=lime 1,bgcolor=lime Type,bgcolor=lime Hello World,align=center bgcolor=lime R2\r\n"
                      "align=center bgcolor=red 2,bgcolor=red Use Window,bgcolor=red from value1,align=center bgcolor=red R3\r\n"
                      "align=center bgcolor=silver 3,bgcolor=silver Comment,bgcolor=silver line one tab,align=center bgcolor=silver Skipped\r\n"),
            std::string::npos)
      << text;
}

TEST_F(ReportTest, WritesBesideTheScriptAndOpensIt) {
  files.AddFolder("C:\\Reports");
  session.scripts.At(0)->path = "C:\\Reports\\demo.vxm";
  settings.WriteText("*\\Report\\OutputFile", "last.txt");
  settings.WriteNumber("*\\Report\\ReportType", 1);
  const std::string out = "C:\\Reports\\last.txt";
  ASSERT_TRUE(ReportOfLastRun(session, 0));
  EXPECT_EQ(system.opened, (std::vector<std::string>{out}));
  const std::string first = files.Content(out);
  EXPECT_EQ(first.rfind("Plumo report for", 0), 0u);

  // Asked before replacing; No keeps the file.
  dialogs.answer = answer::kNo;
  EXPECT_FALSE(ReportOfLastRun(session, 0));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "The file '" + out + "' already exists.\n\nReplace existing file?");
  EXPECT_EQ(dialogs.shown[0].style, 0x12024u);
  EXPECT_EQ(files.Content(out), first);

  // Yes, and the disk is full: the old report is still there, whole.
  dialogs.answer = answer::kYes;
  files.FailNextWrite();
  EXPECT_FALSE(ReportOfLastRun(session, 0));
  EXPECT_EQ(dialogs.shown.back().text, "Unable to write the report");
  EXPECT_EQ(files.Content(out), first);
}

TEST_F(ReportTest, RefusalsAndHandOvers) {
  EXPECT_FALSE(ReportOfLastRun(session, 0));  // no output file
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Invalid output file designated");
  // The grid snapshot writes no file: none is asked for or about.
  settings.WriteNumber("*\\Report\\ReportType", 4);
  EXPECT_TRUE(ReportOfLastRun(session, 0));
  EXPECT_EQ(view.commands, (std::vector<int>{1437 * 10000 + 1234}));
  EXPECT_EQ(dialogs.shown.size(), 1u);
  settings.WriteText("*\\Report\\OutputFile", ::testing::TempDir() + "plumo_grid.txt");
  settings.WriteNumber("*\\Report\\ReportType", 3);
  EXPECT_FALSE(ReportOfLastRun(session, 0));
  EXPECT_EQ(dialogs.shown.back().text, "Reports as workbooks need the Excel actions, which this program does not carry.");
  std::string handed;
  session.writeWorkbook = [&](Session&, const std::string& path, std::string_view text) {
    handed = path + "|" + std::string(text);
    return std::string("disk full");
  };
  EXPECT_FALSE(ReportOfLastRun(session, 0));
  EXPECT_EQ(handed.rfind(::testing::TempDir() + "plumo_grid.txt|Plumo report for", 0), 0u);
  EXPECT_EQ(dialogs.shown.back().text, "Unable to write the report: disk full");
  session.scripts.At(0)->steps.clear();
  EXPECT_FALSE(ReportOfLastRun(session, 0));
}

TEST(ReportName, TheTypeGivesTheExtension) {
  const struct {
    const char* name;
    int type;
    const char* want;
  } cases[] = {
      {"C:\\r\\last", 0, "C:\\r\\last.txt"},       {"C:\\r\\last.txt", 1, "C:\\r\\last.csv"},
      {"last.CSV", 2, "last.htm"},                  {"last.html", 3, "last.xlsx"},
      {"last.xls", 0, "last.txt"},                  {"last.htm", 2, "last.htm"},
      {"notes.doc", 1, "notes.doc.csv"},            {"last.txt", 4, "last.txt"},
      {"", 2, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ReportNameFor(c.name, c.type), c.want) << c.name << " " << c.type;
}

}  // namespace
}  // namespace plumo
