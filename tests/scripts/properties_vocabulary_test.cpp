#include "scripts/properties_vocabulary.h"

#include <gtest/gtest.h>

#include <set>

#include "base/text.h"
#include "scripts/step.h"

namespace plumo {
namespace {

TEST(PropertiesVocabulary, CurrentChoiceIsTheFirstItemThatIsAWholeOptionWord) {
  struct Case {
    const char* choices;
    const char* options;
    const char* current;
  } cases[] = {
      {"Exact Title;Partial Title;Class", "Partial Title,Activate", "Partial Title"},
      {"Exact Title;Partial Title;Class", "activate,CLASS,exact title", "Exact Title"},  // list order decides
      {"Left;Right;Middle;Wheel Scroll;", "Wheel Scroll,Up", "Wheel Scroll"},
      {"Down;Up;Down+Up;Double-Click;", "Left,Down+Up", "Down+Up"},  // "Down" alone is no whole word here
      {"Screen;Window;Current Position", "Windows", ""},
      {"Screen;Window;Current Position", "", ""},
      {"", "Screen", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CurrentChoice(c.choices, c.options), c.current) << c.choices << " / " << c.options;
}

TEST(PropertiesVocabulary, ChoiceItemsLeaveOutTheEmptyOnes) {
  EXPECT_EQ(ChoiceItems("Front;End;"), (std::vector<std::string_view>{"Front", "End"}));
  EXPECT_EQ(ChoiceItems("Wait Forever"), (std::vector<std::string_view>{"Wait Forever"}));
  EXPECT_TRUE(ChoiceItems("").empty());
}

TEST(PropertiesVocabulary, EveryRowLabelIsInTheLabelList) {
  std::set<std::string_view> labels(std::begin(kPropertyLabels), std::end(kPropertyLabels));
  EXPECT_EQ(labels.size(), std::size(kPropertyLabels)) << "a label is listed twice";
  for (const auto& row : kCheckBoxRows) EXPECT_TRUE(labels.count(row.label)) << row.label;
  for (const auto& row : kExclusiveChoiceRows) EXPECT_TRUE(labels.count(row.label)) << row.label;
  for (const auto& row : kOtherChoiceRows) EXPECT_TRUE(labels.count(row.label)) << row.label;
}

TEST(PropertiesVocabulary, TextsFitTheirWidths) {
  for (auto label : kPropertyLabels) EXPECT_LT(label.size(), kPropertyLabelWidth) << label;
  for (const auto& row : kExclusiveChoiceRows) {
    EXPECT_LT(row.choices.size(), kPropertyChoicesWidth) << row.label;
    for (auto item : ChoiceItems(row.choices)) EXPECT_LT(item.size(), kPropertyCurrentChoiceWidth) << item;
  }
  for (const auto& row : kOtherChoiceRows) EXPECT_LT(row.choices.size(), kPropertyChoicesWidth) << row.label;
}

std::string Joined(const auto& words) {
  std::string s;
  for (auto w : words) s += std::string(w) + ";";
  return s;
}

TEST(PropertiesVocabulary, TargetAndFailureChoicesAreTheStepsValueSets) {
  const ChoiceRow* saveTo = nullptr;
  const ChoiceRow* onFailure = nullptr;
  for (const auto& row : kOtherChoiceRows) {
    if (row.label == "Save Output To") saveTo = &row;
    if (row.label == "On Failure") onFailure = &row;
  }
  ASSERT_TRUE(saveTo && onFailure);
  EXPECT_EQ(std::string(saveTo->choices) + ";", Joined(kOutputKinds));
  EXPECT_EQ(std::string(onFailure->choices), Joined(kFailureModes));
}

}  // namespace
}  // namespace plumo
