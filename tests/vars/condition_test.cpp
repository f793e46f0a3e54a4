#include "vars/condition.h"

#include <gtest/gtest.h>

#include <map>

#include "vars/formula_world.h"

namespace plumo {
namespace {

TEST(ConditionTest, ComparesAndTestsTruth) {
  FormulaWorld w;
  struct Case {
    const char* condition;
    int result;
  } cases[] = {
      {"5 > 3", 1},          {"5 < 3", 0},          {"10 > 9", 1},           // numbers, not texts
      {"b > a", 1},          {"B >= b", 1},         {"abc = abc", 1},        {"abc = ABC", 0},
      {"abc == abc", 1},     {"abc != ABC", 0},     {"abc <> ABC", 0},       {"abc >< abd", 1},
      {"2+3 = 5", 1},        {"2*3 <= 5", 0},       {"=5==3", 0},            {"=5==5", 1},
      {"1", 1},              {"0", 0},              {"00 0", 0},             {" \t", 0},
      {"", 0},               {"x", 1},              {"%x = 0", 1},           {"%x < 1", 1},
      {"5 >> 3", 0},         {"1 =< 2", 0},         {"=1", 0},               {"a = ", 0},
      {"1 > 2 || 3 > 2", 1}, {"3 > 2 || 1 > 2", 1}, {"1 > 2 || 2 > 3", 0},
      {"1 > 2 && 3 > 2", 0}, {"3 > 2 && 2 > 1", 1}, {"3 > 2 && 2 > 1 &&", 1},
      {"1 > 2 || ", 0},      {"|| 3 > 2", 0},       {"LEN(\"abc\") = 3", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(ConditionTest(w.engine, w.locale, c.condition), c.result) << c.condition;
}

class MapExpander : public TextExpander {
 public:
  std::string Expand(std::string_view text, int file, int step) override {
    lastFile = file;
    lastStep = step;
    auto it = values.find(std::string(text));
    return it == values.end() ? std::string(text) : it->second;
  }
  std::map<std::string, std::string> values;
  int lastFile = -1, lastStep = -1;
};

TEST(NumberPair, ReadsTwoIntegers) {
  FormulaWorld w;
  MapExpander expander;
  expander.values["%pos%"] = "30, 40";
  struct Case {
    const char* text;
    int32_t x, y;
  } cases[] = {
      {"10, 20", 10, 20},      {"5*2, 3+4", 10, 7},   {"x12y, -5", 12, -5},  {"-7,8", -7, 8},
      {"7.9/1, 2", 7, 2},      {"%pos%", 30, 40},      {"", 0, 0},            {"15", 15, 0},
      {"a-3b, c", -3, 0},      {"99999999999999, 1", 2147483647, 1},      {"(1+2)*3,(4)", 9, 4},
  };
  for (const Case& c : cases) {
    auto [x, y] = NumberPair(w.engine, expander, c.text, 2, 5);
    EXPECT_EQ(x, c.x) << c.text;
    EXPECT_EQ(y, c.y) << c.text;
  }
  EXPECT_EQ(expander.lastFile, 2);
  EXPECT_EQ(expander.lastStep, 5);
}

}  // namespace
}  // namespace plumo
