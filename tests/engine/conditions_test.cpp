#include "flow_test_support.h"

namespace plumo {
namespace {

class IfTest : public FlowTest {
 protected:
  // Runs one checkpoint IF and tells whether it held.
  bool Holds(const StepRow& mask) {
    StepRow quick = mask;
    quick.options += ",Quick";
    LoadRows({quick});
    StepAt(0).onfail = "Stop Silently";
    Run();
    return StepAt(0).ranFlag == ran::kSucceeded;
  }
};

TEST_F(IfTest, ElseIfChainsRunOnlyTheFirstTrueBranch) {
  struct {
    const char* x;
    const char* ran;
  } cases[] = {{"1", "one end"}, {"2", "two end"}, {"3", "three end"}, {"9", "other end"}};
  for (auto c : cases) {
    vars.Set("x", c.x);
    LoadRows({{"IF Expression", "%x = 1"}, {"Record", "one"},
               {"IF Expression", "%x = 2", "ELSE IF"}, {"Record", "two"},
               {"IF Expression", "%x > 2", "ELSE IF"}, {"IF Expression", "%x = 3"}, {"Record", "three"},
               {"ELSE"}, {"Record", "other"}, {"END IF"},  // a nested block inside the third branch
               {"ELSE"}, {"Record", "other"}, {"END IF"}, {"Record", "end"}});
    EXPECT_EQ(Joined(RunRecording()), c.ran) << c.x;
    EXPECT_EQ(session.flowState.ifDepth, 0) << c.x;
  }
}

TEST_F(IfTest, FalseIfIsDrawnPassedOverAndAnElseAfterATakenBranchAsNotRun) {
  LoadRows({{"IF Expression", "0"}, {"Record", "then"}, {"ELSE"}, {"Record", "else"}, {"END IF"}});
  EXPECT_EQ(Joined(RunRecording()), "else");
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailedPassedOver);
  EXPECT_EQ(StepAt(2).ranFlag, ran::kSucceeded);
  EXPECT_TRUE(OutputHas("    Closing IF block which evaluated to false"));

  LoadRows({{"IF Expression", "1"}, {"Record", "then"}, {"ELSE"}, {"Record", "else"}, {"END IF"}});
  EXPECT_EQ(Joined(RunRecording()), "then");
  EXPECT_EQ(StepAt(0).ranFlag, ran::kSucceeded);
  EXPECT_EQ(StepAt(2).ranFlag, ran::kNotRun);
  EXPECT_TRUE(OutputHas("    \"IF\" check evaluated to TRUE"));
  EXPECT_TRUE(OutputHas("    Closing IF block which evaluated to TRUE at [Step 1]"));
}

TEST_F(IfTest, NotInvertsAndAFalseCheckpointIsAnOrdinaryFailure) {
  LoadRows({{"IF Expression", "1", "NOT"}, {"Record", "then"}, {"END IF"}, {"Record", "after"}});
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_TRUE(OutputHas("    \"IF\" check evaluated to FALSE"));

  LoadRows({{"IF Expression", "0", "Quick"}, {"Record", "after"}});
  StepAt(0).onfail = "Display Error and Stop";
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(IfTest, AConditionThatCannotBeTestedFailsTheBlockIf) {
  LoadRows({{"IF Window Exists", "Notepad"}, {"Record", "then"}, {"ELSE"}, {"Record", "else"}, {"END IF"}});
  StepAt(0).onfail = "Display Error and Stop";
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_NE(dialogs.shown[0].text.find("\"IF Window Exists\" needs the window matching"), std::string::npos);
}

TEST_F(IfTest, RegisteredConditionsGoBeforeTheEngineOwn) {
  int calls = 0;
  session.conditions.Register("Window", [&](Session&, int slot, int index) -> std::optional<bool> {
    ++calls;
    return slot == 0 && index == 0;
  });
  EXPECT_TRUE(Holds({"IF Window Exists", "Notepad"}));
  EXPECT_FALSE(Holds({"IF Window Exists", "Notepad", "NOT"}));
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(Holds({"IF Expression", "1"}));
  EXPECT_EQ(calls, 2);
}

TEST_F(IfTest, SixteenNestedIfsShareTheLastLevel) {
  std::vector<StepRow> masks;
  for (int i = 0; i < 17; ++i) masks.push_back({"IF Expression", "1"});
  LoadRows(masks);
  Run();
  EXPECT_EQ(session.flowState.ifDepth, 15);
  EXPECT_TRUE(OutputHas("    WARNING: Too many embedded IF statements"));
  EXPECT_EQ(session.flowState.ifs[15], 17);
}

TEST_F(IfTest, MixedOrAndAndGetTheWarning) {
  EXPECT_TRUE(Holds({"IF Expression", "1 = 1 || 2 = 2 && 3 = 4"}));
  EXPECT_TRUE(OutputContains("WARNING: Expressions can have either || or &&"));
}

TEST_F(IfTest, TextOptionsFollowTheirRules) {
  struct {
    const char *t, *options, *v;
    bool holds;
  } cases[] = {
      {"", "Is Empty", "", true},
      {"x", "Is Empty", "", false},
      {"Abc", "Equals Exact Value", "Abc", true},
      {"Abc", "Equals Exact Value", "abc", false},
      {"Abc", "Equals Value Insensitive", "abc", true},
      {"", "Equals Exact Value", "", true},
      {"Abc", "Equals Value", "Abc", false},  // neither Exact nor Insensitive
      {"abcd", "Length Equals", "4", true},
      {"abcd", "Length Less Than", "4", false},
      {"abcd", "Length More Than", "3", true},
      {"abcd", "Length Equals", "", false},
      {"Hello World", "Contains Exact Substring", "World", true},
      {"Hello World", "Contains Exact Substring", "world", false},
      {"Hello World", "Contains Substring (Insensitive)", "world", true},
      {"112233", "Contains Only Characters from List", "123", true},
      {"1122x", "Contains Only Characters from List", "123", false},
      {"abc", "Contains Any Characters from List", "xyc", true},
      {"abc", "Contains Any Characters from List", "", false},
      {"Hello", "Starts with", "he", true},
      {"Hello", "Ends with", "LO", true},
      {"Hello", "Ends with", "", false},
      {"Hello", "Has Any Value", "", true},
      {"", "Has Any Value", "", false},
  };
  for (auto c : cases) EXPECT_EQ(Holds({"IF Text", c.t, c.options, c.v}), c.holds) << c.t << " / " << c.options << " / " << c.v;
}

TEST_F(IfTest, VariableChecksTellEnvironmentBracedAndUserNames) {
  vars.Set("count", "12.5");
  vars.Set("blank", "");
  vars.Set("word", "abc");
  EXPECT_TRUE(environment.Set("PLUMO_SET", std::string("yes")).ok());
  EXPECT_TRUE(environment.Set("PLUMO_EMPTY", std::string("")).ok());
  struct {
    const char *text, *options;
    bool holds;
  } cases[] = {
      {"%count", "Is Defined (Exists)", true},
      {"count", "Is Defined (Exists)", true},
      {"%missing", "Is Defined (Exists)", false},
      {"%PLUMO_SET%", "Is Defined (Exists)", true},
      {"%PLUMO_EMPTY%", "Is Defined (Exists)", false},
      {"%PLUMO_NONE%", "Is Defined (Exists)", false},
      {"{1}", "Is Defined (Exists)", false},  // stays "{1}" here: an unfilled slot
      {"%blank", "Is Empty", true},
      {"%missing", "Is Empty", false},
      {"%count", "Has Numeric Value", true},
      {"%word", "Has Numeric Value", false},
      {"%count", "Something Else", false},
  };
  for (auto c : cases) EXPECT_EQ(Holds({"IF Variable", c.text, c.options}), c.holds) << c.text << " / " << c.options;
}

TEST_F(IfTest, FilesFoldersRegistryKeysAndProcessesAreLookedUp) {
  files.AddFile("C:\\data\\a.txt", 3);
  files.AddFolder("C:\\data");
  EXPECT_TRUE(registry.CreateKey(RegRoot::kCurrentUser, "SOFTWARE\\Tree\\Sub").ok());
  processes.running = {{812, "notepad.exe"}};
  struct {
    const char *action, *text;
    bool holds;
  } cases[] = {
      {"IF File Exists", "C:\\data\\a.txt", true},
      {"IF File Exists", "C:\\data", false},
      {"IF Folder Exists", "C:\\data", true},
      {"IF Folder Exists", "C:\\data\\a.txt", false},
      {"IF Registry Key Exists", "HKEY_CURRENT_USER\\SOFTWARE\\Tree\\Sub", true},
      {"IF Registry Key Exists", "HKEY_CURRENT_USER\\SOFTWARE\\Tree\\None", false},
      {"IF Process is Running", "NOTEPAD.EXE", true},
      {"IF Process is Running", "812", true},
      {"IF Process is Running", "calc.exe", false},
  };
  for (auto c : cases) EXPECT_EQ(Holds({c.action, c.text}), c.holds) << c.action << " " << c.text;
}

TEST_F(IfTest, KeysAskTheDesktop) {
  desktop.keysDown.insert(0x14);  // Caps Lock toggled on
  desktop.keysDown.insert(0x70);  // F1
  desktop.keysDown.insert('A');
  EXPECT_TRUE(Holds({"IF Caps Lock is On"}));
  EXPECT_TRUE(Holds({"IF Key is Pressed", "{F1}"}));
  EXPECT_TRUE(Holds({"IF Key is Pressed", "a"}));
  EXPECT_FALSE(Holds({"IF Key is Pressed", "{F2}"}));
  LoadRows({{"IF Key is Pressed", "{NoSuchKey}", "Quick"}});
  StepAt(0).onfail = "Display Error and Stop";
  Run();
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_NE(dialogs.shown.back().text.find("Unknown key \"{NoSuchKey}\""), std::string::npos);
}

}  // namespace
}  // namespace plumo
