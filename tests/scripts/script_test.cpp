#include "scripts/script.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

Step Named(std::string_view action, uint32_t st = 0, int32_t indents = 0, std::string_view options = "") {
  Step s;
  s.action = action;
  s.status = st;
  s.indents = indents;
  s.options = options;
  return s;
}

TEST(NewStepDefaults, IndentFollowsTheStepBefore) {
  struct Case {
    Step before;
    const char* added;
    int32_t indents;
  } cases[] = {
      {Named("Type", 0, 2), "Type", 2},
      {Named("IF Variable", 0, 1), "Type", 2},
      {Named("if file exists", 0, 0), "Type", 1},
      {Named("IF Variable", 0, 1, "Quick"), "Type", 1},
      {Named("IF Variable", status::kSkip, 1), "Type", 1},
      {Named("ELSE", 0, 1), "Type", 2},
      {Named("else", 0, 1), "Type", 1},  // "exactly ELSE"
      {Named("Start Files Loop", 0, 0), "Type", 1},
      {Named("start 'for' loop", 0, 0), "Type", 1},
      {Named("Start Browser", 0, 0), "Type", 0},
      {Named("IF Variable", 0, 1), "END IF", 1},
      {Named("Type", 0, 1), "end if", 0},
      {Named("Type", 0, 0), "NEXT LOOP", 0},  // never below 0
      {Named("IF Text", 0, 0), "ELSE", 0},
  };
  for (const auto& c : cases) {
    Step s = Named(c.added, 0, 7);
    ApplyNewStepDefaults(&c.before, s, {});
    EXPECT_EQ(s.indents, c.indents) << c.before.action.str() << " then " << c.added;
  }
}

TEST(NewStepDefaults, IndentKeptForTheFirstStepOrWhenSwitchedOff) {
  Step s = Named("Type", 0, 3);
  ApplyNewStepDefaults(nullptr, s, {});
  EXPECT_EQ(s.indents, 3);
  NewStepDefaults off;
  off.indentNewColumns = false;
  Step before = Named("IF Text", 0, 5);
  ApplyNewStepDefaults(&before, s, off);
  EXPECT_EQ(s.indents, 3);
}

TEST(NewStepDefaults, DefaultResultTargetSkipsTheExcludedActions) {
  NewStepDefaults d;
  d.outputTo = "Clipboard";
  d.outputToOption = "opt";
  struct Case {
    const char* action;
    bool hasOutput;
    const char* output;
    const char* expected;
  } cases[] = {
      {"Get Text", true, "", "Clipboard"},
      {"Get Text", false, "", ""},
      {"Get Text", true, "File", "File"},
      {"Use Window", true, "", ""},
      {"Wait for Pixel", true, "", ""},
      {"IF Pixel Equals", true, "", ""},
      {"Start Text Loop", true, "", ""},
      {"Start", true, "", "Clipboard"},
      {"use window", true, "", "Clipboard"},  // the exclusions match case-sensitively
  };
  for (const auto& c : cases) {
    Step s = Named(c.action);
    s.hasOutput = c.hasOutput;
    s.output = c.output;
    ApplyNewStepDefaults(nullptr, s, d);
    EXPECT_EQ(s.output, c.expected) << c.action;
    EXPECT_EQ(s.outputValue, std::string_view(c.expected) == "Clipboard" ? "opt" : "") << c.action;
  }
  for (const char* none : {"", "(do not save)"}) {
    d.outputTo = none;
    Step s = Named("Get Text");
    s.hasOutput = 1;
    ApplyNewStepDefaults(nullptr, s, d);
    EXPECT_EQ(s.output, "") << none;
    EXPECT_EQ(s.outputValue, "");
  }
}

TEST(NewStepDefaults, DefaultFailureModeOnlyForStepsThatCanFail) {
  NewStepDefaults d;
  d.failureMode = "Jump to Label";
  d.failureModeOption = "errors";
  Step can = Named("Read File");
  can.canFail = 1;
  ApplyNewStepDefaults(nullptr, can, d);
  EXPECT_EQ(can.onfail, "Jump to Label");
  EXPECT_EQ(can.onfailValue, "errors");

  Step cannot = Named("Comment");
  ApplyNewStepDefaults(nullptr, cannot, d);
  EXPECT_EQ(cannot.onfail, "");

  Step chosen = Named("Delete File");
  chosen.canFail = 1;
  chosen.onfail = "Ignore/Continue";
  ApplyNewStepDefaults(nullptr, chosen, d);
  EXPECT_EQ(chosen.onfail, "Ignore/Continue");
  EXPECT_EQ(chosen.onfailValue, "");
}

std::vector<Step> StepsNamed(std::initializer_list<const char*> names) {
  std::vector<Step> steps;
  for (const char* n : names) steps.push_back(Named(n));
  return steps;
}

std::vector<std::string> Names(const Script& s) {
  std::vector<std::string> out;
  for (const auto& step : s.steps) out.push_back(step.action.str());
  return out;
}

TEST(InsertSteps, PositionsClampToFrontAndEnd) {
  struct Case {
    long position;
    std::vector<std::string> names;
  } cases[] = {
      {-5, {"x", "y", "a", "b", "c"}},
      {0, {"x", "y", "a", "b", "c"}},
      {2, {"a", "b", "x", "y", "c"}},
      {3, {"a", "b", "c", "x", "y"}},
      {99, {"a", "b", "c", "x", "y"}},
  };
  for (const auto& c : cases) {
    Script script;
    script.steps = StepsNamed({"a", "b", "c"});
    const auto r = InsertSteps(script, c.position, StepsNamed({"x", "y"}), false);
    EXPECT_EQ(r.added, 2u);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(Names(script), c.names) << c.position;
  }
}

TEST(InsertSteps, NewStepsIndentAfterTheStepsBeforeThem) {
  Script script;
  script.steps = {Named("IF Variable", 0, 0), Named("END IF", 0, 0)};
  // Opening a file or pasting leaves the Steps as read.
  InsertSteps(script, 1, StepsNamed({"Type"}), false);
  EXPECT_EQ(script.steps[1].indents, 0);
  // Added from the palette: each new Step indents after the one above it, new or not.
  InsertSteps(script, 1, StepsNamed({"Start Files Loop", "Type", "NEXT LOOP"}), true);
  EXPECT_EQ(Names(script), (std::vector<std::string>{"IF Variable", "Start Files Loop", "Type",
                                                     "NEXT LOOP", "Type", "END IF"}));
  EXPECT_EQ(script.steps[1].indents, 1);
  EXPECT_EQ(script.steps[2].indents, 2);
  EXPECT_EQ(script.steps[3].indents, 1);
}

TEST(InsertSteps, StepCountOutsideTheLimitsChangesNothing) {
  Script script;
  script.steps = StepsNamed({"a"});
  auto r = InsertSteps(script, 0, {}, false);
  EXPECT_EQ(r.added, 0u);
  EXPECT_EQ(r.error, "Internal Memory Error (step count)");
  r = InsertSteps(script, 0, std::vector<Step>(kMaxStepsPerLoad + 1), false);
  EXPECT_EQ(r.error, kStepCountMessage);
  EXPECT_EQ(script.steps.size(), 1u);
  r = InsertSteps(script, 0, std::vector<Step>(kMaxStepsPerLoad), false);
  EXPECT_EQ(r.added, kMaxStepsPerLoad);
  EXPECT_EQ(r.error, "");
}

TEST(Script, CopiesAreDeep) {
  Script original;
  original.path = "C:\\a.vxm";
  original.steps = StepsNamed({"Type", "Delay"});
  original.steps[0].text = std::string(5000, 'k');
  original.steps[0].comment = "hello";
  Script snapshot = original;
  snapshot.steps[0].text[0] = 'X';
  snapshot.steps[0].comment += "!";
  snapshot.steps[1].value3 = "changed";
  EXPECT_EQ(original.steps[0].text, std::string(5000, 'k'));
  EXPECT_EQ(original.steps[0].comment, "hello");
  EXPECT_EQ(original.steps[1].value3, "");
  EXPECT_NE(snapshot, original);
}

TEST(NormaliseTargets, TrimsAndMarksVariables) {
  struct Case {
    const char* action;
    const char* output;
    const char* outputValue;
    const char* onfail;
    const char* onfailValue;
    const char* wantOutput;
    const char* wantValue;
    const char* wantOnfailValue;
  } cases[] = {
      {"Set Variable", "Variable", "total", "", "", "Variable", "%total", ""},
      {"Set Variable", " Variable\t", " %total\r\n", "", "", "Variable", "%total", ""},
      {"Set Variable", "Variable", "{clipboard}", "", "", "Variable", "{clipboard}", ""},
      {"Set Variable", "Variable", "", "", "", "Variable", "", ""},
      {"Set Variable", "Memory Variable", "m1", "", "", "Memory Variable", "%m1", ""},
      {"Set Variable", "variable", "total", "", "", "variable", "total", ""},  // case-sensitive
      {"Get Text", "File", "c:\\out.txt", "", "", "File", "c:\\out.txt", ""},
      {"Read File", "", "", "Increment Variable", "errors", "", "", "%errors"},
      {"Read File", "", "", "Jump to Label", "errors", "", "", "errors"},
  };
  for (const auto& c : cases) {
    Script script;
    Step s = Named(c.action);
    s.output = c.output;
    s.outputValue = c.outputValue;
    s.onfail = c.onfail;
    s.onfailValue = c.onfailValue;
    script.steps.push_back(s);
    NormaliseTargets(script);
    const Step& got = script.steps[0];
    EXPECT_EQ(got.output, c.wantOutput) << c.output;
    EXPECT_EQ(got.outputValue, c.wantValue) << c.outputValue;
    EXPECT_EQ(got.onfailValue, c.wantOnfailValue) << c.onfail;
  }
}

TEST(NormaliseTargets, TrimsTheTextOfLabelsOnly) {
  Script script;
  script.steps = {Named("label"), Named("Type")};
  script.steps[0].text = "  loop start \r\n";
  script.steps[1].text = "  keys \r\n";
  NormaliseTargets(script);
  EXPECT_EQ(script.steps[0].text, "loop start");
  EXPECT_EQ(script.steps[1].text, "  keys \r\n");
}

TEST(ScriptSlots, TheNinthScriptIsRefused) {
  ScriptSlots slots;
  for (int i = 0; i < ScriptSlots::kCount; ++i) {
    Script s;
    s.path = "file" + std::to_string(i);
    EXPECT_EQ(slots.Open(std::move(s)), i);
  }
  EXPECT_FALSE(slots.Open(Script{}));
  EXPECT_EQ(TooManyScriptsMessage(),
            "A maximum of 8 files may be opened in Plumo.\n\nPlease close a file before opening another one.");
  slots.Close(3);
  EXPECT_EQ(slots.At(3), nullptr);
  EXPECT_EQ(slots.Open(Script{}), 3);
  ASSERT_NE(slots.At(7), nullptr);
  EXPECT_EQ(slots.At(7)->path, "file7");
  EXPECT_EQ(slots.At(8), nullptr);
}

}  // namespace
}  // namespace plumo
