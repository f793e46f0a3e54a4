#include "scripts/script_reader.h"

#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "scripts/shipped_catalog.h"

namespace plumo {
namespace {

const ActionCatalog& Catalog() {
  static const ActionCatalog catalog = ActionCatalog::FromResource(ShippedCatalogBytes());
  return catalog;
}

LoadOutcome Load(std::string_view text, Script& script, long position = -1) {
  return LoadSteps(text, script, position, false, LoadContext{Catalog()});
}

Script Loaded(std::string_view text) {
  Script script;
  const LoadOutcome out = Load(text, script);
  EXPECT_EQ(out.error, "") << text;
  return script;
}

std::vector<std::string> Actions(const Script& s) {
  std::vector<std::string> names;
  for (const Step& step : s.steps) names.push_back(step.action.str());
  return names;
}

TEST(ScriptReader, CapitalTagsReadLikeAnyOthers) {
  const Script s = Loaded("<STEP><ACTION>Delay</ACTION><TIMEOUT>1</TIMEOUT></STEP>");
  ASSERT_EQ(s.steps.size(), 1u);
  EXPECT_EQ(s.steps[0].action, "Delay");
  EXPECT_EQ(s.steps[0].timeout, "1");
  EXPECT_EQ(s.steps[0].category, 7);
  EXPECT_EQ(s.steps[0].image, 155);
  EXPECT_EQ(s.steps[0].primaryField, -1);
}

TEST(ScriptReader, EveryFieldFromItsElement) {
  const Script s = Loaded(
      "<step>\r\n\t<action> Use Window \r\n</action>\r\n\t<text>Note&amp;pad</text>\r\n"
      "\t<options>Partial Title,Activate</options>\r\n\t<value1>v1</value1>\t<value8>v8</value8>\r\n"
      "\t<data type=\"string\">d&lt;</data>\t<timeout>3</timeout>\t<status>0x1003</status>\t<indents>2</indents>\r\n"
      "\t<embedded_ID_1>7</embedded_ID_1>\t<output value=\"%hwnd\">Variable</output>\r\n"
      "\t<onfail value=\"Retry&quot;\" image=\"1\" log=\"-2\">Jump to Label</onfail>\r\n"
      "\t<comment>two\r\nlines</comment>\t<custom>&lt;x/&gt;</custom>\r\n</step>\r\n");
  ASSERT_EQ(s.steps.size(), 1u);
  const Step& st = s.steps[0];
  EXPECT_EQ(st.action, "Use Window");
  EXPECT_EQ(st.text, "Note&pad");
  EXPECT_EQ(st.options, "Partial Title,Activate");
  EXPECT_EQ(st.value1, "v1");
  EXPECT_EQ(st.value8, "v8");
  EXPECT_EQ(st.data, "d<");
  EXPECT_EQ(st.timeout, "3");
  EXPECT_EQ(st.status, 0x1003u);
  EXPECT_EQ(st.indents, 2);
  EXPECT_EQ(st.embeddedIds[0], 0);  // read by compiled programs only
  EXPECT_EQ(st.output, "Variable");
  EXPECT_EQ(st.outputValue, "%hwnd");
  EXPECT_EQ(st.onfail, "Jump to Label");
  EXPECT_EQ(st.onfailValue, "Retry\"");
  EXPECT_EQ(st.onfailImage, 1);
  EXPECT_EQ(st.onfailLog, -2);
  EXPECT_EQ(st.comment, "two\r\nlines");
  EXPECT_EQ(st.custom, "<x/>");
  EXPECT_EQ(st.category, 3);
  EXPECT_EQ(st.hasOutput, 1);
  EXPECT_EQ(st.canFail, 1);
}

TEST(ScriptReader, FieldsAreCutToTheirWidths) {
  const std::string longText(300, 'x');
  const Script s = Loaded("<step><action>" + std::string(100, 'A') + "</action><text>" + std::string(5000, 't') +
                          "</text><options>" + longText + "</options><output value=\"" + std::string(259, 'v') +
                          "\">" + longText + "</output></step>");
  const Step& st = s.steps.at(0);
  EXPECT_EQ(st.action.size(), 63u);
  EXPECT_EQ(st.text.size(), 5000u);
  EXPECT_EQ(st.options.size(), 259u);
  EXPECT_EQ(st.output.size(), 63u);
  EXPECT_EQ(st.outputValue.size(), 259u);  // the whole value of the longest target the writer writes
  EXPECT_EQ(st.category, 0);               // unknown action: kept as it is
}

TEST(ScriptReader, CommentsGoEvenWhenUnterminated) {
  const Script s = Loaded("<!-- <step><action>Hidden</action></step> -->"
                          "<step><action>Type</action><text>a<!--x-->b</text></step>"
                          "<!-- <step><action>Also hidden</action></step>");
  EXPECT_EQ(Actions(s), std::vector<std::string>{"Type"});
  EXPECT_EQ(s.steps[0].text, "ab");
}

TEST(ScriptReader, AStepWithoutItsEndTagMergesWithTheNext) {
  const Script s = Loaded("<step><action>Type</action><text>one</text>\r\n"
                          "<step><action>Delay</action><timeout>2</timeout></step>"
                          "<step><action>Label</action><text> end </text></step>");
  EXPECT_EQ(Actions(s), (std::vector<std::string>{"Type", "Label"}));
  EXPECT_EQ(s.steps[0].text, "one");
  EXPECT_EQ(s.steps[0].timeout, "2");
  EXPECT_EQ(s.steps[1].text, "end");  // targets normalised: a Label's text is trimmed
}

TEST(ScriptReader, StepCountOutsideItsRangeLoadsNothing) {
  Script s;
  s.steps.resize(2);
  const std::string many = [] {
    std::string t;
    for (size_t i = 0; i < kMaxStepsPerLoad + 1; ++i) t += "<step><action>Type</action></step>";
    return t;
  }();
  for (const std::string& text : {std::string("no steps here <action>"), std::string("<step></step>"), many}) {
    const LoadOutcome out = Load(text, s);
    EXPECT_EQ(out.error, "Internal Memory Error (step count)");
    EXPECT_EQ(out.added, 0u);
    EXPECT_EQ(s.steps.size(), 2u);
  }
}

TEST(ScriptReader, AnEmptyActionStopsTheLoadKeepingTheStepsBefore) {
  Script s;
  LoadOutcome out = Load("<step><action>Type</action></step><step><action>Delay</action></step>"
                         "<step><action> </action></step><step><action>Label</action></step>",
                         s);
  EXPECT_EQ(out.added, 2u);
  EXPECT_TRUE(out.stoppedAtEmptyAction);
  EXPECT_EQ(out.error, "Empty <action> tag in step #3\n\nDiscontinuing file load at step #2");
  EXPECT_EQ(Actions(s), (std::vector<std::string>{"Type", "Delay"}));

  Script first;
  out = Load("<step><action></action><text>x</text></step>", first);
  EXPECT_EQ(out.error, "Empty <action> tag in step #1\n\nDiscontinuing file load at step #1");
  EXPECT_TRUE(first.steps.empty());
}

TEST(ScriptReader, InsertsAtItsPosition) {
  Script s = Loaded("<step><action>A</action></step><step><action>B</action></step>");
  const std::string c = "<step><action>C</action></step>";
  Load(c, s, 1);
  EXPECT_EQ(Actions(s), (std::vector<std::string>{"A", "C", "B"}));
  Load(c, s, 0);
  Load(c, s, 99);
  EXPECT_EQ(Actions(s), (std::vector<std::string>{"C", "A", "C", "B", "C"}));
  EXPECT_EQ(Load(c, s, -5).added, 1u);
  EXPECT_EQ(s.steps.front().action, "C");
}

TEST(ScriptReader, TagsAreFoundByTheirBeginningsAndTheFirstEndTag) {
  const Script s = Loaded("<step><action>Type</action><value1s>x</value1><options></text>o</options>"
                          "<text>t</text><Timeout>1</TIMEOUT></step>");
  const Step& st = s.steps.at(0);
  EXPECT_EQ(st.value1, "x");    // "<value1" begins "<value1s>"
  EXPECT_EQ(st.text, "");       // its end tag stands before it
  EXPECT_EQ(st.timeout, "1");
}

TEST(ScriptReader, OlderFilesTextComesFromTheirRecording) {
  const Script s = Loaded("<step><action>Recording</action><text><recording>{LDown}</recording></text></step>");
  EXPECT_EQ(s.steps.at(0).text, "{LDown}");
}

TEST(ScriptReader, ConvertedNamesKeepTheirSetOptionsAndValues) {
  const Script s = Loaded(
      "<step><action>Left Button Click</action><options>ignored</options></step>"
      "<step><action>Wait for Window to Disappear</action><value1>ignored</value1><value2>kept</value2></step>"
      "<step><action>Activate Window</action><options>Exact Title</options></step>");
  EXPECT_EQ(s.steps.at(0).action, "Mouse Click");
  EXPECT_EQ(s.steps[0].options, "Left,Down+Up");
  EXPECT_EQ(s.steps[0].category, 6);
  EXPECT_EQ(s.steps.at(1).value1, "Close");
  EXPECT_EQ(s.steps[1].value2, "kept");
  EXPECT_EQ(s.steps.at(2).action, "Use Window");
  EXPECT_EQ(s.steps[2].options, "Exact Title");
}

TEST(ScriptReader, TargetsAreNormalisedAfterLoading) {
  const Script s = Loaded("<step><action>Get Text</action><output value=\" total \"> Variable </output>"
                          "<onfail value=\"n\">Increment Variable</onfail></step>");
  EXPECT_EQ(s.steps.at(0).output, "Variable");
  EXPECT_EQ(s.steps[0].outputValue, "%total");
  EXPECT_EQ(s.steps[0].onfailValue, "%n");
}

TEST(ScriptReader, NewStepsTakeTheDefaults) {
  Script s = Loaded("<step><action>IF Text</action></step>");
  NewStepDefaults d;
  d.failureMode = "Ignore/Continue";
  LoadContext context{Catalog(), d};
  const LoadOutcome out = LoadSteps("<step><action>Use Window</action></step><step><action>END IF</action></step>",
                                    s, 1, true, context);
  ASSERT_EQ(out.added, 2u);
  EXPECT_EQ(s.steps[1].indents, 1);
  EXPECT_EQ(s.steps[1].onfail, "Ignore/Continue");
  EXPECT_EQ(s.steps[2].indents, 0);
  // Loading a file applies none of them.
  EXPECT_EQ(s.steps[0].onfail, "");
}

TEST(ScriptReader, RunStepsTakeTheIconOfTheirProgram) {
  std::string asked;
  LoadContext context{Catalog()};
  context.programIcon = [&](const std::string& program) -> std::optional<int32_t> {
    asked = program;
    return 4242;
  };
  Script s;
  LoadSteps("<step><action>Start</action><text>C:\\Tools\\edit.exe /x</text></step>", s, 0, false, context);
  EXPECT_EQ(asked, "C:\\Tools\\edit.exe");
  EXPECT_EQ(s.steps.at(0).image, 4242);
  LoadSteps("<step><action>Type</action><text>edit.exe</text></step>", s, 0, false, context);
  EXPECT_EQ(s.steps.at(0).image, 23);
}

TEST(ScriptReader, ProgressEveryFiftyStepsAboveAHundred) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "<step><action>Type</action></step>";
  std::vector<int> seen;
  LoadContext context{Catalog()};
  context.progress = [&](int p) { seen.push_back(p); };
  Script s;
  LoadSteps(text, s, 0, false, context);
  EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100}));
  seen.clear();
  Script small;
  LoadSteps(text.substr(0, 100 * 34), small, 0, false, context);
  EXPECT_EQ(small.steps.size(), 100u);
  EXPECT_TRUE(seen.empty());
}

// A large file is read on two threads; what it holds and the callbacks' thread are as with one.
TEST(ScriptReader, ALargeFileReadsAsOnOneThread) {
  constexpr size_t kSteps = 5000;
  struct Case {
    size_t emptyAction;  // kSteps for none
    size_t read;
    const char* error;
  } cases[] = {
      {kSteps, kSteps, ""},
      {4000, 4000, "Empty <action> tag in step #4001\n\nDiscontinuing file load at step #4000"},
      {1000, 1000, "Empty <action> tag in step #1001\n\nDiscontinuing file load at step #1000"},
  };
  for (const Case& c : cases) {
    std::string text;
    for (size_t i = 0; i < kSteps; ++i) {
      const std::string n = std::to_string(i);
      if (i == c.emptyAction) text += "<step><action></action></step>";
      else if (i % 7 == 0) text += "<step><action>Start</action><text>C:\\p" + n + ".exe</text></step>";
      else if (i % 11 == 0) text += "<step><action>Wait for File/Folder</action><text>" + std::string(i % 2 ? "dir" : "file") + n + "</text></step>";
      else text += "<step><action>Type</action><text>t" + n + "</text></step>";
    }
    const std::thread::id caller = std::this_thread::get_id();
    bool otherThread = false;
    std::vector<int> seen;
    LoadContext context{Catalog()};
    context.programIcon = [&](const std::string& program) -> std::optional<int32_t> {
      otherThread |= std::this_thread::get_id() != caller;
      return 1000 + std::stoi(program.substr(4));
    };
    context.namesFolder = [&](const std::string& name) {
      otherThread |= std::this_thread::get_id() != caller;
      return name.starts_with("dir");
    };
    context.progress = [&](int p) { seen.push_back(p); };
    Script s;
    const LoadOutcome out = LoadSteps(text, s, 0, false, context);
    EXPECT_EQ(out.error, c.error);
    EXPECT_FALSE(otherThread);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()) && !seen.empty() && seen.back() <= 100);
    ASSERT_EQ(s.steps.size(), c.read);
    for (size_t i = 0; i < c.read; ++i) {
      const Step& st = s.steps[i];
      const std::string n = std::to_string(i);
      if (i % 7 == 0) {
        ASSERT_EQ(st.image, static_cast<int32_t>(1000 + i)) << i;
      } else if (i % 11 == 0) {
        ASSERT_EQ(st.action, i % 2 ? "Wait for Folder" : "Wait for File") << i;
      } else {
        ASSERT_EQ(st.action, "Type") << i;
      }
      ASSERT_TRUE(st.text.ends_with(n + (i % 7 == 0 ? ".exe" : ""))) << i;
    }
  }
}

TEST(ScriptReader, AHugeElementIsCut) {
  const std::string text = "<step><action>Type</action><text>" + std::string(kMaxStepElementBytes, 'x') +
                           "</text></step><step><action>Delay</action></step>";
  const Script s = Loaded(text);
  ASSERT_EQ(s.steps.size(), 2u);
  EXPECT_EQ(s.steps[0].text.size(), kMaxStepElementBytes - std::string_view("<action>Type</action><text>").size());
  EXPECT_EQ(s.steps[1].action, "Delay");
}

TEST(ScriptLayout, DetectedFromWhatFollowsTheFirstStepTag) {
  struct Case {
    const char* text;
    uint32_t layout;
  } cases[] = {
      {"<Plumo>\r\n<step>\r\n\t<action>", layout::kCrLf | layout::kTabs | 1},
      {"<step>\n  <action>", layout::kLf | 2},
      {"<step>\r\t\t<action>", layout::kCr | layout::kTabs | 2},
      {"<STEP>\r\n\r\n    <action>", layout::kCrLf | 4},
      {"<step><action>", 0},
      {"no steps", 0},
      {"</step>\n\t <next>", layout::kLf | layout::kTabs | 2},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectLayout(c.text), c.layout) << c.text;
  EXPECT_EQ(DetectLayout("<step>\n" + std::string(40, ' ') + "x"), layout::kLf | 32u);
}

}  // namespace
}  // namespace plumo
