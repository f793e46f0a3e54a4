#include "editor/document.h"

#include <gtest/gtest.h>

#include "editor_fixture.h"

namespace plumo {
namespace {

using Rows = std::vector<size_t>;
using Names = std::vector<std::string>;

TEST_F(EditorTest, UndoExchangesSoASecondUndoRestoresTheEdit) {
  struct Case {
    const char* name;
    Rows selected;
    std::function<bool(Document&)> edit;
  } cases[] = {
      {"delete", {1, 3}, [](Document& d) { return d.Delete(); }},
      {"paste", {2}, [this](Document& d) { return d.Paste(StepsText({"X", "Y"}), context_, settings_).added == 2; }},
      {"move up", {1, 2, 4}, [](Document& d) { return d.MoveUp(); }},
      {"move down", {0, 2}, [](Document& d) { return d.MoveDown(); }},
      {"skip", {0, 4}, [](Document& d) { return d.ToggleMark(status::kSkip); }},
      {"indent", {1}, [](Document& d) { return d.Indent(2); }},
      {"edit", {}, [](Document& d) { return d.EditStep(3, [](Step& s) { s.text = "changed"; }); }},
      {"replace all", {}, [this](Document& d) {
         return d.ReplaceAll({.text = "text of B"}, "Z") == 1;
       }},
      {"comment", {4}, [this](Document& d) { return d.AddComment(TestCatalog(), settings_); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load({"A", "B", "C", "D", "E"});
    SelectRows(c.selected);
    const Script before = script();
    const Rows selectedBefore = doc_.SelectedRows();
    ASSERT_TRUE(c.edit(doc_));
    const Script after = script();
    const Rows selectedAfter = doc_.SelectedRows();
    ASSERT_NE(after, before);
    EXPECT_TRUE(doc_.Undo());
    EXPECT_EQ(script(), before);
    EXPECT_EQ(doc_.SelectedRows(), selectedBefore);
    EXPECT_TRUE(doc_.Undo());
    EXPECT_EQ(script(), after);
    EXPECT_EQ(doc_.SelectedRows(), selectedAfter);
    EXPECT_TRUE(doc_.Redo());
    EXPECT_EQ(script(), before);
    EXPECT_EQ(doc_.Changes(), 4u);
  }
}

TEST_F(EditorTest, AScriptReplacedUnderTheDocumentDropsTheRecord) {
  Load({"A", "B", "C"});
  SelectRows({2});
  ASSERT_TRUE(doc_.ToggleMark(status::kSkip));
  slots_.Set(0, NamedSteps({"A"}));
  EXPECT_FALSE(doc_.Undo());
  EXPECT_FALSE(doc_.CanUndo());
  EXPECT_EQ(Actions(), Names{"A"});
}

TEST_F(EditorTest, CopyCountsRecordsWithThePluralOnlyAboveOne) {
  Load({"A", "B", "C", "D"});
  SelectRows({2});
  EXPECT_EQ(doc_.Copy(settings_)->status, " Copied 1 XML record to the clipboard");
  SelectRows({0, 1, 3});
  const auto copied = doc_.Copy(settings_);
  EXPECT_EQ(copied->status, " Copied 3 XML records to the clipboard");
  // The copied text pastes back as the same Steps.
  doc_.ClearSelection();
  EXPECT_EQ(doc_.Paste(copied->text, context_, settings_).added, 3u);
  EXPECT_EQ(Actions(), (Names{"A", "B", "C", "D", "A", "B", "D"}));
  EXPECT_EQ(doc_.SelectedRows(), (Rows{4, 5, 6}));
}

TEST_F(EditorTest, CutCopiesThenDeletes) {
  Load({"A", "B", "C"});
  SelectRows({1});
  EXPECT_EQ(doc_.Cut(settings_)->text, StepsText({"B"}));
  EXPECT_EQ(Actions(), (Names{"A", "C"}));
}

TEST_F(EditorTest, PasteGoesToTheSelectedRowByTheSettings) {
  struct Case {
    Rows selected;
    bool behind;
    bool selectNew;
    bool toEnd;
    Names result;
    Rows selectedAfter;
  } cases[] = {
      {{1, 2}, false, true, false, {"A", "X", "B", "C"}, {1}},
      {{1}, true, true, false, {"A", "B", "X", "C"}, {2}},
      {{2}, true, true, false, {"A", "B", "C", "X"}, {3}},
      {{}, false, true, false, {"A", "B", "C", "X"}, {3}},
      {{0}, false, true, true, {"A", "B", "C", "X"}, {3}},
      {{0, 2}, false, false, false, {"X", "A", "B", "C"}, {1, 3}},  // the selection moves with its rows
  };
  for (const auto& c : cases) {
    Load({"A", "B", "C"});
    SelectRows(c.selected);
    settings_.insertBehind = c.behind;
    settings_.selectNew = c.selectNew;
    const std::string text = StepsText({"X"});
    const auto out = c.toEnd ? doc_.PasteToEnd(text, context_, settings_) : doc_.Paste(text, context_, settings_);
    EXPECT_EQ(out.added, 1u);
    EXPECT_EQ(Actions(), c.result);
    EXPECT_EQ(doc_.SelectedRows(), c.selectedAfter);
  }
}

TEST_F(EditorTest, PastingTextWithoutStepsChangesNothing) {
  for (const char* text : {"just some words", "", "<step><action></action></step>"}) {
    Load({"A", "B"});
    SelectRows({0});
    const auto out = doc_.Paste(text, context_, settings_);
    EXPECT_EQ(out.added, 0u);
    EXPECT_FALSE(out.error.empty()) << text;
    EXPECT_EQ(Actions(), (Names{"A", "B"}));
    EXPECT_EQ(doc_.Changes(), 0u);
    EXPECT_FALSE(doc_.CanUndo());
  }
}

TEST_F(EditorTest, DeleteSelectsTheRowThatTookTheFirstRemovedPlace) {
  struct Case {
    Rows selected;
    Names result;
    Rows selectedAfter;
  } cases[] = {
      {{1, 3}, {"A", "C", "E"}, {1}},
      {{3, 4}, {"A", "B", "C"}, {2}},
      {{0, 1, 2, 3, 4}, {}, {}},
  };
  for (const auto& c : cases) {
    Load({"A", "B", "C", "D", "E"});
    SelectRows(c.selected);
    EXPECT_TRUE(doc_.Delete());
    EXPECT_EQ(Actions(), c.result);
    EXPECT_EQ(doc_.SelectedRows(), c.selectedAfter);
  }
}

TEST_F(EditorTest, DeleteReportsProgressEveryHundredAboveAHundred) {
  for (size_t removed : {100u, 250u}) {
    Load(Names(300, "S"));
    for (size_t r = 0; r < removed; ++r) doc_.Toggle(r * 300 / removed);
    std::vector<size_t> reports;
    EXPECT_TRUE(doc_.Delete([&](size_t done, size_t total) {
      EXPECT_EQ(total, removed);
      reports.push_back(done);
    }));
    EXPECT_EQ(reports, removed == 100 ? Rows{} : (Rows{100, 200}));
    EXPECT_EQ(doc_.Rows(), 300 - removed);
  }
}

TEST_F(EditorTest, CommandsRefuseARunningSlotOrAnEmptySelection) {
  Load({"A", "B", "C"});
  SelectRows({1});
  ASSERT_TRUE(doc_.Indent(1));
  slots_.SetRunning(0, true);
  const Script before = script();
  EXPECT_FALSE(doc_.Delete());
  EXPECT_FALSE(doc_.Undo());
  EXPECT_FALSE(doc_.MoveUp());
  EXPECT_FALSE(doc_.ToggleMark(status::kSkip));
  EXPECT_FALSE(doc_.Cut(settings_));
  EXPECT_FALSE(doc_.Paste(StepsText({"X"}), context_, settings_).error.empty());
  EXPECT_EQ(doc_.ReplaceAll({.text = "A"}, "Z"), 0u);
  EXPECT_TRUE(doc_.Copy(settings_));  // reading is allowed
  EXPECT_EQ(script(), before);
  slots_.SetRunning(0, false);
  doc_.ClearSelection();
  EXPECT_FALSE(doc_.Copy(settings_));
  EXPECT_FALSE(doc_.Delete());
  EXPECT_FALSE(doc_.MoveDown());
  EXPECT_FALSE(doc_.Indent(1));
  EXPECT_EQ(doc_.Changes(), 1u);
}

TEST_F(EditorTest, MoveKeepsBlocksInOrderAndStopsAtTheEdges) {
  struct Case {
    Rows selected;
    bool up;
    bool moved;
    Names result;
    Rows selectedAfter;
  } cases[] = {
      {{1, 2, 4}, true, true, {"B", "C", "A", "E", "D", "F"}, {0, 1, 3}},
      {{1, 2, 4}, false, true, {"A", "D", "B", "C", "F", "E"}, {2, 3, 5}},
      {{0, 3}, true, false, {"A", "B", "C", "D", "E", "F"}, {0, 3}},
      {{2, 5}, false, false, {"A", "B", "C", "D", "E", "F"}, {2, 5}},
  };
  for (const auto& c : cases) {
    Load({"A", "B", "C", "D", "E", "F"});
    SelectRows(c.selected);
    EXPECT_EQ(c.up ? doc_.MoveUp() : doc_.MoveDown(), c.moved);
    EXPECT_EQ(Actions(), c.result);
    EXPECT_EQ(doc_.SelectedRows(), c.selectedAfter);
    EXPECT_EQ(doc_.Focus(), c.selectedAfter.back());  // the last clicked row moves with it
  }
}

TEST_F(EditorTest, ADragMovesTheSelectionInFrontOfTheTargetAndUndoPutsItBack) {
  struct Case {
    Rows selected;
    size_t target;
    bool moved;
    Names result;
  } cases[] = {
      {{1, 3}, 0, true, {"B", "D", "A", "C", "E", "F"}},
      {{1, 3}, 6, true, {"A", "C", "E", "F", "B", "D"}},
      {{0, 4}, 3, true, {"B", "C", "A", "E", "D", "F"}},
      {{2, 3}, 2, false, {"A", "B", "C", "D", "E", "F"}},  // already there
      {{2, 3}, 4, false, {"A", "B", "C", "D", "E", "F"}},
      {{2}, 7, false, {"A", "B", "C", "D", "E", "F"}},     // past the end
  };
  const Names start = {"A", "B", "C", "D", "E", "F"};
  for (const auto& c : cases) {
    Load(start);
    SelectRows(c.selected);
    EXPECT_EQ(doc_.MoveTo(c.target), c.moved) << c.target;
    EXPECT_EQ(Actions(), c.result) << c.target;
    if (!c.moved) continue;
    EXPECT_EQ(doc_.SelectedCount(), c.selected.size());  // the moved Steps stay selected
    const Names moved = Actions();
    EXPECT_TRUE(doc_.Undo());
    EXPECT_EQ(Actions(), start);
    EXPECT_EQ(doc_.SelectedRows(), c.selected);
    EXPECT_TRUE(doc_.Redo());
    EXPECT_EQ(Actions(), moved);
  }
}

TEST_F(EditorTest, AutoIndentFollowsBlocksAndNamesTheUnbalancedStep) {
  struct Case {
    Names actions;
    std::vector<int32_t> indents;
    std::string problem;
  } cases[] = {
      {{"IF Variable", "Type", "ELSE", "Type", "END IF", "Type"}, {0, 1, 0, 1, 0, 0}, ""},
      {{"Start Repeat Loop", "IF File Exists", "Type", "END IF", "NEXT LOOP"}, {0, 1, 2, 1, 0}, ""},
      {{"Type", "END IF", "Type"}, {0, 0, 0}, "Step 2: END IF without a matching IF."},
      {{"IF Variable", "Type"}, {0, 1}, "Step 1: IF without a matching END IF."},
      {{"Start Repeat Loop", "IF Variable", "NEXT LOOP"}, {0, 1, 0}, "Step 2: IF without a matching END IF."},
      {{"ELSE"}, {0}, "Step 1: ELSE without a matching IF."},
      {{"Type", "NEXT LOOP"}, {0, 0}, "Step 2: NEXT LOOP without a matching loop start."},
  };
  for (const auto& c : cases) {
    Load(c.actions);
    for (Step& s : script().steps) s.indents = 5;
    EXPECT_EQ(doc_.AutoIndent(), c.problem);
    std::vector<int32_t> indents;
    for (const Step& s : script().steps) indents.push_back(s.indents);
    EXPECT_EQ(indents, c.indents) << c.actions.front();
  }
}

TEST_F(EditorTest, AutoIndentPassesOverSkippedStepsAndQuickChecks) {
  Load({"IF Variable", "IF Variable", "Type", "END IF"});
  script().steps[0].status = status::kSkip;
  script().steps[1].options = "Quick";
  script().steps[3].status = status::kSkip;
  EXPECT_EQ(doc_.AutoIndent(), "");
  for (const Step& s : script().steps) EXPECT_EQ(s.indents, 0);
}

TEST_F(EditorTest, MarksToggleOnTheSelectionAndGoAllAtOnce) {
  Load({"A", "B", "C"});
  script().steps[1].status = status::kSkip | 0x80;
  SelectRows({0, 1});
  EXPECT_TRUE(doc_.ToggleMark(status::kSkip));  // not all have it: set on all
  EXPECT_EQ(script().steps[0].status, status::kSkip);
  EXPECT_TRUE(doc_.ToggleMark(status::kSkip));  // now all have it: cleared
  EXPECT_EQ(script().steps[0].status, 0u);
  EXPECT_EQ(script().steps[1].status, 0x80u);
  EXPECT_TRUE(doc_.ToggleMark(status::kBreakpoint));
  EXPECT_TRUE(doc_.RemoveAll(status::kBreakpoint));
  EXPECT_FALSE(doc_.RemoveAll(status::kBreakpoint));
  EXPECT_EQ(script().steps[1].status, 0x80u);
}

TEST_F(EditorTest, BookmarksAreFoundFromTheFocusRowAndWrap) {
  Load({"A", "B", "C", "D", "E"});
  script().steps[1].status = status::kBookmark;
  script().steps[3].status = status::kBookmark;
  doc_.Select(2);
  EXPECT_EQ(doc_.NextBookmark(), 3u);
  EXPECT_EQ(doc_.NextBookmark(), 1u);
  EXPECT_EQ(doc_.PreviousBookmark(), 3u);
  EXPECT_EQ(doc_.SelectedRows(), Rows{3});
  doc_.RemoveAll(status::kBookmark);
  EXPECT_EQ(doc_.NextBookmark(), std::nullopt);
}

TEST_F(EditorTest, GoToStepChecksTheRange) {
  Load({"A", "B", "C"});
  EXPECT_EQ(doc_.GoToStep(3), "");
  EXPECT_EQ(doc_.SelectedRows(), Rows{2});
  EXPECT_EQ(doc_.GoToStep(0), "Enter a Step number from 1 to 3.");
  EXPECT_EQ(doc_.GoToStep(4), "Enter a Step number from 1 to 3.");
  EXPECT_EQ(doc_.SelectedRows(), Rows{2});
}

TEST_F(EditorTest, FindWalksTheRowsByTheOptions) {
  struct Case {
    FindOptions options;
    size_t from;
    std::optional<size_t> found;
  } cases[] = {
      {{.text = "note"}, 0, 2},
      {{.text = "note"}, 2, 4},
      {{.text = "note"}, 4, 0},                          // wraps
      {{.text = "note", .wrap = false}, 4, std::nullopt},
      {{.text = "note", .up = true}, 2, 0},
      {{.text = "NOTE", .matchCase = true}, 0, 4},
      {{.text = "note", .wholeWord = true}, 0, 4},
      {{.text = "type"}, 3, 0},                          // the action is searched too
      {{.text = "absent"}, 0, std::nullopt},
  };
  for (const auto& c : cases) {
    Load({"Type", "B", "C", "D", "E"});
    script().steps[0].value3 = "a note";
    script().steps[2].comment = "notes";
    script().steps[4].outputValue = "%NOTE";
    doc_.Select(c.from);
    EXPECT_EQ(doc_.FindNext(c.options), c.found) << c.options.text << " from " << c.from;
  }
}

TEST_F(EditorTest, ReplaceChangesTheTextsButNotTheAction) {
  Load({"Type", "B", "Type"});
  script().steps[0].text = "type type";
  script().steps[2].data = "Type";
  script().steps[2].text = "";
  EXPECT_EQ(doc_.ReplaceAll({.text = "type", .wholeWord = true}, "Key"), 3u);
  EXPECT_EQ(script().steps[0].text, "Key Key");
  EXPECT_EQ(script().steps[2].data, "Key");
  EXPECT_EQ(Actions(), (Names{"Type", "B", "Type"}));
  doc_.Undo();
  doc_.Select(0);
  EXPECT_EQ(doc_.Replace({.text = "type"}, "x"), 2u);
  EXPECT_EQ(script().steps[0].text, "x x");
  EXPECT_EQ(script().steps[2].data, "Type");
}

TEST_F(EditorTest, InsertNewAppliesTheNewStepDefaults) {
  Load({"IF Variable", "END IF"});
  doc_.Select(1);
  std::vector<Step> added{Named("Type")};
  added[0].canFail = 1;
  EXPECT_TRUE(doc_.InsertNew(std::move(added), settings_));
  EXPECT_EQ(script().steps[1].indents, 1);
  EXPECT_EQ(script().steps[1].onfail, "Display Error and Stop");
  EXPECT_TRUE(doc_.AddComment(TestCatalog(), settings_));
  EXPECT_EQ(script().steps[1].action, "Comment");
  EXPECT_EQ(script().steps[1].category, 16);
  EXPECT_EQ(doc_.SelectedRows(), Rows{1});
}

TEST_F(EditorTest, InsertNewTextAtEachPlace) {
  using Place = Document::Place;
  struct Case {
    Place place;
    std::vector<std::string> actions;
  } cases[] = {
      {Place::kSelection, {"A", "Comment", "X", "B"}},
      {Place::kTop, {"Comment", "X", "A", "B"}},
      {Place::kEnd, {"A", "B", "Comment", "X"}},
  };
  for (const Case& c : cases) {
    Load({"A", "B"});
    doc_.Select(1);
    const PasteOutcome out = doc_.InsertNewText(
        "<step><action>Comment</action><text>note</text></step><step><action>X</action></step>", context_,
        settings_, c.place);
    EXPECT_EQ(out.added, 2u);
    EXPECT_EQ(Actions(), c.actions);
  }
  EXPECT_TRUE(script().steps[2].onfail.empty());  // "Comment" takes no failure settings
  EXPECT_EQ(script().steps[2].category, 16);
  EXPECT_EQ(doc_.InsertNewText("no steps", context_, settings_, Place::kEnd).added, 0u);
  EXPECT_EQ(Actions(), (std::vector<std::string>{"A", "B", "Comment", "X"}));
}

TEST_F(EditorTest, SelectionFollowsClicks) {
  Load({"A", "B", "C", "D", "E"});
  doc_.Select(3);
  doc_.Extend(1);
  EXPECT_EQ(doc_.SelectedRows(), (Rows{1, 2, 3}));
  doc_.Toggle(2);
  doc_.Extend(4);
  EXPECT_EQ(doc_.SelectedRows(), (Rows{2, 3, 4}));
  EXPECT_TRUE(doc_.SelectAll());
  EXPECT_EQ(doc_.SelectedCount(), 5u);
  doc_.Select(9);  // past the end: ignored
  EXPECT_EQ(doc_.SelectedCount(), 5u);
}

TEST_F(EditorTest, SavingResetsTheChangeCount) {
  Load({"A"});
  doc_.Select(0);
  doc_.Indent(1);
  doc_.Undo();
  EXPECT_EQ(doc_.Changes(), 2u);
  doc_.MarkSaved();
  EXPECT_EQ(doc_.Changes(), 0u);
}

}  // namespace
}  // namespace plumo
