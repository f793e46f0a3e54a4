#include "scripts/script_writer.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

Step Full() {
  Step s;
  s.action = "Use Window";
  s.text = "a<b>&c";
  s.options = "Partial Title";
  s.value2 = "v2";
  s.value7 = "<v7>";
  s.data = "d&lt;";
  s.timeout = "3";
  s.status = 0x1002;
  s.indents = 2;
  s.embeddedIds = {5, 6, 0, 9};
  s.output = "Variable";
  s.outputValue = "%h";
  s.onfail = "Jump to Label";
  s.onfailValue = "L1";
  s.onfailImage = 1;
  s.onfailLog = -1;
  s.comment = "c&";
  s.custom = "<x/>";
  return s;
}

std::string Written(Script& script, WriteOptions options = {}) {
  WriteOutcome out = WriteSteps(script, options);
  EXPECT_EQ(out.error, "");
  return out.text;
}

TEST(ScriptWriter, WritesEveryLineInItsOrderAndForm) {
  Script script;
  script.steps = {Full()};
  EXPECT_EQ(Written(script),
            "<step>\r\n"
            "\t<action>Use Window</action>\r\n"
            "\t<text>a&lt;b&gt;&amp;c</text>\r\n"
            "\t<options>Partial Title</options>\r\n"
            "\t<value2>v2</value2>\r\n"
            "\t<value7>&lt;v7&gt;</value7>\r\n"
            "\t<data type=\"string\">d&lt;</data>\r\n"
            "\t<timeout>3</timeout>\r\n"
            "\t<status>0x1002</status>\r\n"
            "\t<indents>2</indents>\r\n"
            "\t<embedded_ID_1>5</embedded_ID_1>\r\n"
            "\t<embedded_ID_2>6</embedded_ID_2>\r\n"
            "\t<output value=\"%h\">Variable</output>\r\n"
            "\t<onfail value=\"L1\" image=\"1\" log=\"-1\">Jump to Label</onfail>\r\n"
            "\t<comment>c&amp;</comment>\r\n"
            "\t<custom>&lt;x/&gt;</custom>\r\n"
            "</step>\r\n");
  // The Step in memory keeps its own text.
  EXPECT_EQ(script.steps[0].text, "a<b>&c");
}

TEST(ScriptWriter, LeavesOutWhatHasNoValue) {
  Script script;
  script.steps.resize(1);
  Step& s = script.steps[0];
  s.action = "Type";
  s.timeout = "0";
  s.indents = -1;
  s.onfail = "Display Error and Stop";
  s.embeddedIds = {0, 4};
  s.comment = "not asked for";
  WriteOptions noComments;
  noComments.withComments = false;
  EXPECT_EQ(Written(script, noComments), "<step>\r\n\t<action>Type</action>\r\n</step>\r\n");
  s.onfailLog = 1;  // no longer the plain default
  s.outputValue = "x";  // without a kind of target: not written
  EXPECT_EQ(Written(script, noComments),
            "<step>\r\n\t<action>Type</action>\r\n"
            "\t<onfail value=\"\" image=\"0\" log=\"1\">Display Error and Stop</onfail>\r\n</step>\r\n");
  s.onfailLog = 0;
  s.onfail = "Stop Silently";
  s.output = "Clipboard";
  s.outputValue = "";
  EXPECT_EQ(Written(script, noComments),
            "<step>\r\n\t<action>Type</action>\r\n\t<output>Clipboard</output>\r\n"
            "\t<onfail>Stop Silently</onfail>\r\n</step>\r\n");
}

TEST(ScriptWriter, WithoutEncodingFieldsGoAsTheyAre) {
  Script script;
  script.steps = {Full()};
  WriteOptions raw;
  raw.encodeXml = false;
  const std::string text = Written(script, raw);
  EXPECT_NE(text.find("<text>a<b>&c</text>"), std::string::npos);
  EXPECT_NE(text.find("<custom><x/></custom>"), std::string::npos);
}

TEST(ScriptWriter, AttributeValuesAreAlwaysEscaped) {
  Script script;
  script.steps.resize(1);
  script.steps[0].action = "Type";
  script.steps[0].output = "File";
  script.steps[0].outputValue = "a\"b>&";
  EXPECT_NE(Written(script).find("<output value=\"a&quot;b&gt;&amp;\">File</output>"), std::string::npos);
}

TEST(ScriptWriter, KeepsTheLayoutExceptAfterEachStep) {
  Script script;
  script.steps.resize(2);
  script.steps[0].action = "A";
  script.steps[1].action = "B";
  script.steps[1].timeout = "1";
  script.layout = layout::kLf | 2;
  EXPECT_EQ(Written(script),
            "<step>\n  <action>A</action>\n</step>\r\n<step>\n  <action>B</action>\n  <timeout>1</timeout>\n</step>\r\n");
  script.layout = layout::kCr | layout::kTabs | 3;
  EXPECT_EQ(Written(script).substr(0, 30), "<step>\r\t\t\t<action>A</action>\r<");
  script.layout = layout::kCrLf;  // no indentation
  EXPECT_EQ(Written(script).substr(0, 29), "<step>\r\n<action>A</action>\r\n<");
}

TEST(ScriptWriter, NormalisesTargetsFirst) {
  Script script;
  script.steps.resize(3);
  script.steps[0].action = "Set Variable";
  script.steps[0].output = "Environment";
  script.steps[0].outputValue = "x";
  script.steps[1].action = "Get Text";
  script.steps[1].output = " Variable ";
  script.steps[1].outputValue = "t";
  script.steps[2].action = "Set Variable";
  script.steps[2].output = "Variable";
  const std::string text = Written(script);
  EXPECT_NE(text.find("<output value=\"%x\">Environment</output>"), std::string::npos);
  EXPECT_NE(text.find("<output value=\"%t\">Variable</output>"), std::string::npos);
  EXPECT_NE(text.find("<output>Variable</output>"), std::string::npos);  // no lone "%"
  EXPECT_EQ(script.steps[0].outputValue, "%x");
}

TEST(ScriptWriter, WritesTheSelectionInItsOrder) {
  Script script;
  script.steps.resize(3);
  script.steps[0].action = "A";
  script.steps[1].action = "B";
  script.steps[2].action = "C";
  const std::vector<size_t> selection = {2, 0, 7};
  WriteOptions options;
  options.selection = &selection;
  WriteOutcome out = WriteSteps(script, options);
  EXPECT_EQ(out.written, 2u);
  EXPECT_EQ(out.text, "<step>\r\n\t<action>C</action>\r\n</step>\r\n<step>\r\n\t<action>A</action>\r\n</step>\r\n");
}

TEST(ScriptWriter, ReportsProgressAfterEveryStepAboveFifty) {
  Script script;
  script.steps.resize(51);
  for (Step& s : script.steps) s.action = "Type";
  std::vector<int> seen;
  WriteOptions options;
  options.progress = [&](int p) { seen.push_back(p); };
  WriteSteps(script, options);
  ASSERT_EQ(seen.size(), 51u);
  EXPECT_EQ(seen.front(), 1);
  EXPECT_EQ(seen.back(), 100);
  script.steps.resize(50);
  seen.clear();
  WriteSteps(script, options);
  EXPECT_TRUE(seen.empty());
}

TEST(ScriptWriter, CapacityHint) {
  EXPECT_EQ(WriteCapacityHint(0), 9408u);
  EXPECT_EQ(WriteCapacityHint(2), 4704u * 2 + 9408);
}

}  // namespace
}  // namespace plumo
