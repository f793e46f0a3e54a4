#include "scripts/step.h"

#include <gtest/gtest.h>

#include "scripts/script.h"

namespace plumo {
namespace {

TEST(Step, BoundedFieldsKeepWidthMinusOneCharacters) {
  Step s;
  s.action = std::string(100, 'a');
  s.options = std::string(300, 'o');
  s.output = std::string(64, 'x');
  s.onfailValue = std::string(259, 'v');
  s.Value(8) = std::string(1000, '8');
  s.text = std::string(100000, 't');
  EXPECT_EQ(s.action.size(), 63u);
  EXPECT_EQ(s.options.size(), 259u);
  EXPECT_EQ(s.output.size(), 63u);
  EXPECT_EQ(s.onfailValue.size(), 259u);
  EXPECT_EQ(s.value8.size(), 259u);
  EXPECT_EQ(s.text.size(), 100000u);
  // A wide field assigned to a narrow one is cut too.
  s.onfail = s.options;
  EXPECT_EQ(s.onfail.size(), 63u);
}

TEST(Step, ValuesByNumberAreTheNamedFields) {
  Step s;
  for (int n = 1; n <= 8; ++n) s.Value(n) = std::to_string(n * 11);
  EXPECT_EQ(s.value1, "11");
  EXPECT_EQ(s.value5, "55");
  EXPECT_EQ(s.value8, "88");
}

TEST(Step, SkipWinsOverBreakpoint) {
  struct Case {
    uint32_t status;
    bool skipped, stops;
  } cases[] = {{0, false, false},
               {status::kSkip, true, false},
               {status::kBreakpoint, false, true},
               {status::kSkip | status::kBreakpoint, true, false},
               {status::kBookmark | status::kBreakpoint, false, true}};
  for (const auto& c : cases) {
    Step s;
    s.status = c.status;
    EXPECT_EQ(s.Skipped(), c.skipped) << c.status;
    EXPECT_EQ(s.StopsAtBreakpoint(), c.stops) << c.status;
  }
}

TEST(Step, StatusChangesKeepOtherBits) {
  Step s;
  s.status = 0x80000000u | status::kBookmark;
  ChangeStatus(s, status::kSkip, StatusChange::kSet);
  EXPECT_EQ(s.status, 0x80000000u | status::kBookmark | status::kSkip);
  ChangeStatus(s, status::kBookmark | status::kBreakpoint, StatusChange::kToggle);
  EXPECT_EQ(s.status, 0x80000000u | status::kSkip | status::kBreakpoint);
  ChangeStatus(s, status::kSkip | status::kBreakpoint, StatusChange::kClear);
  EXPECT_EQ(s.status, 0x80000000u);
}

TEST(Step, RemoveAllMarksTouchesEveryStepOnlyInThatBit) {
  Script script;
  script.steps.resize(3);
  script.steps[0].status = status::kSkip | status::kBookmark;
  script.steps[2].status = status::kSkip | 0x40;
  ChangeStatusAll(script, status::kSkip, StatusChange::kClear);
  EXPECT_EQ(script.steps[0].status, status::kBookmark);
  EXPECT_EQ(script.steps[1].status, 0u);
  EXPECT_EQ(script.steps[2].status, 0x40u);
}

TEST(StepOptions, AddAndRemoveFollowTheTidyRules) {
  struct Case {
    const char* options;
    bool add;
    const char* word;
    const char* result;
  } cases[] = {
      {"Partial Title,Activate", true, "First", "Partial Title,Activate,First"},
      {"Partial Title,Activate,First", true, "activate", "Partial Title,Activate,First"},
      {"", true, "Exist", "Exist"},
      {"Partial Title", true, "Partial", "Partial Title,Partial"},  // whole words only
      {" ,Left , Down+Up,, ", true, "Left", "Left,Down+Up"},
      {"Left,Down+Up", false, "left", "Down+Up"},
      {"Left,Down+Up", false, "Down", "Left,Down+Up"},
      {"A,B,A,C", false, "A", "B,C"},
      {"Partial Title, Activate", false, "Activate", "Partial Title"},  // tidied before matching
      {"Partial Title, Activate", true, "Activate", "Partial Title,Activate"},
      {"Only", false, "Only", ""},
      {"a  b,,,c", false, "x", "a b,c"},
  };
  for (const auto& c : cases) {
    Text260 options = c.options;
    if (c.add)
      AddOption(options, c.word);
    else
      RemoveOption(options, c.word);
    EXPECT_EQ(options, c.result) << c.options << (c.add ? " + " : " - ") << c.word;
  }
}

TEST(StepOptions, HasOptionMatchesWholeWordsWithoutCase) {
  EXPECT_TRUE(HasOption("Partial Title,Activate,First", "activate"));
  EXPECT_TRUE(HasOption("Partial Title , First", "First"));
  EXPECT_FALSE(HasOption("Partial Title,Activate", "Title"));
  EXPECT_FALSE(HasOption("Quickly", "Quick"));
}

TEST(StepOptions, TidyEndsWithNoDoubledSeparators) {
  EXPECT_EQ(TidyOptions(" , ,a ,  , b ,,, "), "a,b");
  EXPECT_EQ(TidyOptions(",,,"), "");
  EXPECT_EQ(TidyOptions("x    y"), "x y");
}

}  // namespace
}  // namespace plumo
