#include "editor/properties.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scripts/load_conversions.h"
#include "scripts/properties_vocabulary.h"

namespace plumo {

std::string_view CatalogTextForTests();

namespace {

const ActionCatalog& Catalog() {
  static const ActionCatalog catalog = ActionCatalog::FromResource("\r\n" + std::string(CatalogTextForTests()));
  return catalog;
}

Step StepOf(std::string_view action, std::string_view options = "") {
  Step s;
  s.action = action;
  s.options = options;
  LookUpAction(Catalog(), s);
  return s;
}

const PropertyRow& RowLabelled(const std::vector<PropertyRow>& rows, std::string_view label) {
  const auto it = std::find_if(rows.begin(), rows.end(), [&](const PropertyRow& r) { return r.label == label; });
  if (it == rows.end()) throw std::runtime_error("no row " + std::string(label));
  return *it;
}

PropertyRow RowOf(const Step& step, std::string_view label) { return RowLabelled(PropertyRowsFor(step, Catalog()), label); }

TEST(PropertyTable, TheShippedTableReadsAndCoversTheCatalogue) {
  std::string error;
  const PropertyTable table = PropertyTable::Parse(EmbeddedPropertyTable(), &error);
  ASSERT_EQ(error, "");
  ASSERT_TRUE(Catalog().available());
  const std::vector<CatalogRow> actions = Catalog().Rows();
  ASSERT_EQ(actions.size(), 217u);
  for (const CatalogRow& action : actions) {
    EXPECT_NE(table.RowsFor(action.name), nullptr) << action.name;
    // Room for the result target (2), failure (5) and comment rows (1) as well.
    if (const auto* rows = table.RowsFor(action.name)) {
      EXPECT_LE(rows->size() + 8, kMaxPropertyRows) << action.name;
    }
  }
  // And every entry names an action of the catalogue or an older one a load still gives a
  // category (a typo would never be shown).
  for (const std::string& name : table.actions()) {
    ActionInfo info;
    Catalog().Lookup(name, &info);
    const bool older = std::any_of(std::begin(kCategoryOverrides), std::end(kCategoryOverrides), [&](const auto& o) {
      return o.match == NameMatch::kWhole && o.name == name;
    });
    EXPECT_TRUE(info.category != 0 || older) << name;
  }
}

TEST(PropertyTable, EveryLabelAndOptionWordComesFromTheVocabulary) {
  const PropertyTable& table = PropertyTable::Embedded();
  ASSERT_FALSE(table.actions().empty());
  for (const std::string& name : table.actions()) {
    for (const PropertyRowDef& row : *table.RowsFor(name)) {
      EXPECT_TRUE(std::count(std::begin(kPropertyLabels), std::end(kPropertyLabels), row.label)) << name << ": " << row.label;
      EXPECT_FALSE(row.help.empty()) << name << ": " << row.label;
      if (row.editor == EditorKind::kCheck) {
        EXPECT_TRUE(std::any_of(std::begin(kCheckBoxRows), std::end(kCheckBoxRows),
                                [&](const CheckBoxRow& c) { return c.label == row.label && c.option == row.option; }))
            << name << ": " << row.label;
      }
      if (row.field == StepField::kOptions && row.editor != EditorKind::kCheck) {
        EXPECT_FALSE(row.choices.empty()) << name;
      }
    }
  }
}

TEST(PropertyTable, RefusesWhatTheVocabularyDoesNotHold) {
  const std::string help = "? Text = Some help.\n";
  struct Case {
    std::string text;
    std::string fault;
  } cases[] = {
      {help + "== A\nTexts | text | text\n", "line 3: unknown label \"Texts\""},
      {help + "== A\nText | textbox | text\n", "unknown editor"},
      {help + "== A\nText | text | value9\n", "unknown field"},
      {help + "== A\nText | text | text/6\n", "text/1 to text/5"},
      {help + "== A\nText | text\n", "a row needs"},
      {help + "Text | text | text\n", "a row before the first action"},
      {help + "== A\n== A\n", "a second time"},
      {help + "== A\nText | text | text\nText | lines | value1\n", "twice in one action"},
      {help + "== A\nText | text | text\nKey | text | text | Its help.\n", "two rows edit the same field"},
      {help + "== A\nText | check | options\n", "no check box"},
      {help + "== A\nRecursive | check | value1 | Help.\n", "a check box edits options"},
      {help + "== A\nMatch Type #3 | exclusive | options | Help.\n", "no exclusive choice \"Match Type\" #3"},
      {help + "== A\nMatch Type | exclusive | text | Help.\n", "an exclusive choice edits options"},
      {help + "== A\nButtons | choice | options | Help.\n", "no choice list"},
      {help + "== A\nText | text | options\n", "only check boxes and choices edit options"},
      {help + "== A\nKey | text | text\n", "no help line for \"Key\""},
      {help + "? Text = Again.\n", "a second help line"},
      {"? Text Some help.\n", "a help line is"},
      {"== A\nText | text | text | " + std::string(448, 'h') + "\n", "longer than 447"},
  };
  for (const Case& c : cases) {
    std::string error;
    const PropertyTable table = PropertyTable::Parse(c.text, &error);
    EXPECT_NE(error.find(c.fault), std::string::npos) << c.text << "\ngave: " << error;
    EXPECT_TRUE(table.actions().empty()) << c.text;
  }
  // A label of the vocabulary that ends in "#2" is its own, and "#n" picks a later entry.
  std::string error;
  const PropertyTable table = PropertyTable::Parse(
      "== Compare Files\nFile Name #2 | file | value2 | Help.\nMatch Type #2 | exclusive | options | Help.\n", &error);
  ASSERT_EQ(error, "");
  const std::vector<PropertyRowDef>& rows = *table.RowsFor("compare files");
  EXPECT_EQ(rows[0].label, "File Name #2");
  EXPECT_EQ(rows[1].label, "Match Type");
  EXPECT_EQ(rows[1].choices, "Exact Match;Partial/Case Insensitive Match;Any Text;Is Empty");
}

TEST(Properties, ExclusiveRowShowsTheFirstListItemThatIsAWholeOptionWord) {
  struct Case {
    const char* options;
    const char* shown;
  } cases[] = {
      {"Partial Title,Activate,First", "Partial Title"},
      {"Activate,Exact Title", "Exact Title"},
      {"Title + Class,Class", "Class"},  // the list's order decides, not the options'
      {"partial title", "Partial Title"},
      {"Partial Titles,Activate", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RowOf(StepOf("Use Window", c.options), "Match Method").value, c.shown) << c.options;
}

TEST(Properties, OptionRowsSwitchTheirWordsAndLeaveTheOthers) {
  struct Case {
    const char* action;
    const char* label;
    const char* before;
    const char* value;
    const char* after;
    bool changed;
  } cases[] = {
      {"Use Window", "Match Method", "Partial Title,Activate,First", "Exact Title", "Activate,First,Exact Title", true},
      {"Use Window", "Match Method", "Partial Title,Activate", "exact title", "Activate,Exact Title", true},
      {"Use Window", "Match Method", "Partial Title,Activate", "Partial Title", "Partial Title,Activate", false},
      {"Use Window", "Match Method", "Partial Title,Activate,Class", "Partial Title", "Partial Title,Activate", true},
      {"Use Window", "Match Method", "Partial Title,Activate", "No Such Method", "Partial Title,Activate", false},
      {"Use Window", "Match Method", "Partial Title,Activate", "", "Activate", true},
      {"Use Window", "Use First if Multiple", "Partial Title,Activate,First", "0", "Partial Title,Activate", true},
      {"Use Window", "Use First if Multiple", "Partial Title,Activate,First", "1", "Partial Title,Activate,First", false},
      {"Use Window", "Bring to Front (Activate)", "Partial Title", "1", "Partial Title,Activate", true},
      {"Manage AutoRuns", "AutoRun Command", "Add", "Remove All", "Remove All", true},
      {"Select Date", "Calendar Display", "Top,1x2", "2x3", "Top,2x3", true},
      {"Write/Create File", "Variable Expansion", "Erase,Full Variables Expansion", "No Variable Expansion",
       "Erase,No Variable Expansion", true},
  };
  for (const Case& c : cases) {
    Step s = StepOf(c.action, c.before);
    EXPECT_EQ(ApplyProperty(s, RowOf(s, c.label), c.value), c.changed) << c.label << " " << c.value;
    EXPECT_EQ(s.options, c.after) << c.label << " " << c.value;
  }
}

TEST(Properties, FieldRowsWriteTheirOwnField) {
  struct Case {
    const char* action;
    const char* label;
    std::string Step::*textField;
    Text260 Step::*boundedField;
  } cases[] = {
      {"Type", "Text", &Step::text, nullptr},
      {"Type", "Inter-Character Delay", nullptr, &Step::value1},
      {"Get Text", "Window Match Data", nullptr, &Step::data},
      {"Delay", "Delay Seconds", nullptr, &Step::timeout},
      {"Set Environment Variable", "Variable Name", nullptr, &Step::outputValue},
      {"Send Email: SMTP", "SMTP Port", nullptr, &Step::value7},
      {"Read File", "File Name", nullptr, &Step::value1},
      {"Type", "Comment", &Step::comment, nullptr},
  };
  for (const Case& c : cases) {
    Step s = StepOf(c.action);
    const Step before = s;
    ASSERT_TRUE(ApplyProperty(s, RowOf(s, c.label), "12")) << c.action << ": " << c.label;
    EXPECT_EQ(c.textField ? s.*c.textField : (s.*c.boundedField).str(), "12") << c.action << ": " << c.label;
    // Nothing else moved.
    Step undone = s;
    if (c.textField) undone.*c.textField = before.*c.textField;
    else undone.*c.boundedField = before.*c.boundedField;
    EXPECT_EQ(undone, before) << c.action << ": " << c.label;
    EXPECT_EQ(RowOf(s, c.label).value, "12");
    EXPECT_FALSE(ApplyProperty(s, RowOf(s, c.label), "12")) << "the same value again";
  }
  // A bounded field keeps its width: a longer text is cut, and the cut text is no change.
  Step s = StepOf("Type");
  const PropertyRow delay = RowOf(s, "Inter-Character Delay");
  EXPECT_TRUE(ApplyProperty(s, delay, std::string(300, '7')));
  EXPECT_EQ(s.value1.size(), 259u);
  EXPECT_FALSE(ApplyProperty(s, delay, std::string(280, '7')));
}

TEST(Properties, CustomDialogTextsArePartsOfTheText) {
  struct Case {
    const char* before;
    const char* label;
    const char* value;
    const char* after;
  } cases[] = {
      {"a|b", "[3] Text", "c", "a|b|c"},
      {"a", "[4] Text", "d", "a|||d"},
      {"a|b", "[1] Text", "", "|b"},
      {"a|b|c", "[3] Text", "", "a|b"},
      {"a|b|c|d|e|f", "[5] Text", "E", "a|b|c|d|E"},  // the last part holds any further "|"
  };
  for (const Case& c : cases) {
    Step s = StepOf("Custom Dialog");
    s.text = c.before;
    EXPECT_TRUE(ApplyProperty(s, RowOf(s, c.label), c.value));
    EXPECT_EQ(s.text, c.after) << c.before << " " << c.label;
  }
  Step s = StepOf("Custom Dialog");
  s.text = "one|two|three|four|five|six";
  EXPECT_EQ(RowOf(s, "[2] Text").value, "two");
  EXPECT_EQ(RowOf(s, "[5] Text").value, "five|six");
}

TEST(Properties, ResultTargetAndFailureArgumentAreLabelledByTheirKind) {
  const std::pair<const char*, const char*> outputs[] = {
      {"Variable", "Save Output: Variable Name"},
      {"Environment Variable", "Save Output: Variable Name"},
      {"Memory Variable", "Save Output: {1} - {9}"},
      {"File", "Save Output: File Name"},
      {"Excel Spreadsheet", "Save Output: XLS File"},
      {"Adobe PDF Document", "Save Output: PDF File"},
      {"Clipboard", "(Optional Output Data)"},
      {"Display in Output", "(Optional Output Data)"},
      {"variable", "(Optional Output Data)"},
      {"", "(Optional Output Data)"},
  };
  for (const auto& [output, label] : outputs) EXPECT_EQ(OutputValueLabel(output), label) << output;
  const std::pair<const char*, const char*> modes[] = {
      {"Display Error and Stop", "(Optional Failure Data)"},
      {"Display Error and Continue", "(Optional Failure Data)"},
      {"Ignore/Continue", "(Optional Failure Data)"},
      {"Retry the Step x Times", "On Failure: Retries"},
      {"Stop Silently", "(Optional Failure Data)"},
      {"Ask to Continue", "(Optional Failure Data)"},
      {"Jump to Label", "On Failure: Label Name"},
      {"Increment Variable", "On Failure: Variable Name"},
      {"Restart Run", "(Optional Failure Data)"},
      {"Run Program", "On Failure: Program"},
      {"", "(Optional Failure Data)"},
  };
  for (const auto& [mode, label] : modes) EXPECT_EQ(FailureValueLabel(mode), label) << mode;
}

TEST(Properties, AStepShowsItsRowsThenTargetFailureAndComment) {
  Step s = StepOf("Use Window", "Partial Title,Activate,First");
  s.text = "Notepad";
  s.output = "Clipboard";
  s.onfail = "Jump to Label";
  s.onfailValue = "retry";
  s.onfailImage = 1;
  s.comment = "note";
  const std::vector<PropertyRow> rows = PropertyRowsFor(s, Catalog());
  std::vector<std::pair<std::string_view, std::string>> shown;
  for (const PropertyRow& r : rows) shown.emplace_back(r.label, r.value);
  const std::vector<std::pair<std::string_view, std::string>> expected = {
      {"Window Match Data", "Notepad"},
      {"Match Method", "Partial Title"},
      {"Use First if Multiple", "1"},
      {"Bring to Front (Activate)", "1"},
      {"Force Thread Activation", "0"},
      {"Parent HWND", ""},
      {"Timeout", ""},
      {"Save Output To", "Clipboard"},
      {"(Optional Output Data)", ""},
      {"On Failure", "Jump to Label"},
      {"On Failure: Label Name", "retry"},
      {"On Failure: Snapshot", "1"},
      {"On Failure: Log", "0"},
      {"Comment", "note"},
  };
  EXPECT_EQ(shown, expected);
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].position, static_cast<int>(i));
  // The optional target cannot be typed into; the failure switches write their numbers.
  const PropertyRow& target = RowLabelled(rows, "(Optional Output Data)");
  EXPECT_TRUE(target.readOnly);
  EXPECT_FALSE(ApplyProperty(s, target, "%x"));
  EXPECT_TRUE(ApplyProperty(s, RowLabelled(rows, "On Failure: Log"), "1"));
  EXPECT_EQ(s.onfailLog, 1);
  EXPECT_TRUE(ApplyProperty(s, RowLabelled(rows, "Save Output To"), "Variable"));
  EXPECT_EQ(RowOf(s, "Save Output: Variable Name").readOnly, false);

  // Without a result or failure settings only the comment follows; an unknown action has just it.
  EXPECT_EQ(PropertyRowsFor(StepOf("Type"), Catalog()).back().label, "Comment");
  EXPECT_EQ(PropertyRowsFor(StepOf("Type"), Catalog()).size(), 5u);
  EXPECT_EQ(PropertyRowsFor(StepOf("No Such Action"), Catalog()).size(), 1u);
  // A failing Step is tried again until its time-out, so every action that can fail has one.
  const std::vector<PropertyRow> kill = PropertyRowsFor(StepOf("Kill Process"), Catalog());
  ASSERT_EQ(kill.size(), 7u);
  EXPECT_EQ(kill[1].label, "Timeout");
  EXPECT_EQ(kill[1].field, StepField::kTimeout);
  EXPECT_EQ(kill[2].label, "On Failure");
}

TEST(Properties, TheRecordingFieldInvitesARecordingAndTakesTheRecordedText) {
  Step s = StepOf("Recording", "Hardware");
  s.text = "256,7683,30,100";
  const PropertyRow recording = RowOf(s, "Recording");
  EXPECT_EQ(recording.editor, EditorKind::kRecording);
  EXPECT_EQ(recording.value, "Click to start new Recording");
  EXPECT_TRUE(recording.readOnly);
  EXPECT_EQ(RowOf(s, "Record Type").value, "Hardware");
  EXPECT_TRUE(ApplyProperty(s, recording, "512,10,20,300"));
  EXPECT_EQ(s.text, "512,10,20,300");
  // The speed is one word among the options, the method's word kept.
  EXPECT_TRUE(ApplyProperty(s, RowOf(s, "Playback Speed"), "Fastest"));
  EXPECT_TRUE(ApplyProperty(s, RowOf(s, "Playback Speed"), "Slowest"));
  EXPECT_EQ(s.options.str(), "Hardware,Slowest");
  EXPECT_EQ(RowOf(s, "Playback Speed").value, "Slowest");
}

}  // namespace
}  // namespace plumo
