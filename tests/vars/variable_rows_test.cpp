#include <gtest/gtest.h>

#include "vars/variable_rows.h"
#include "variables_world.h"

namespace plumo {
namespace {

TEST(VariableRows, KindAndShownValue) {
  struct Case {
    std::string value;
    ShownAs kind;
    std::string shown;
  } cases[] = {
      {"12", ShownAs::kNumber, "12"},
      {"$1,234.50 -3", ShownAs::kNumber, "$1,234.50 -3"},
      {"1\r\n2", ShownAs::kNumber, "1  2"},
      {"", ShownAs::kText, ""},
      {"12 apples", ShownAs::kText, "12 apples"},
      {"a\tb", ShownAs::kText, "a b"},
      {std::string("A\x01\xFF", 3), ShownAs::kBinary, "41 01 FF"},
      {std::string(300, 'x'), ShownAs::kText, std::string(kMaxShownValue, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ShownAsOf(c.value), c.kind);
    EXPECT_EQ(ShownValue(c.value, c.kind), c.shown);
  }
}

TEST(VariableRows, ShowKeepsOrderHidesReservedAndStopsAtTheLimit) {
  VariableRows rows(3);
  for (const char* hidden : {"_temp", "login_username", "parameter3", "my_loop_count", "DLL_result"})
    EXPECT_FALSE(rows.Show(hidden, "x", ShownAs::kText)) << hidden;
  EXPECT_TRUE(rows.Show("total", "12", ShownAs::kNumber));
  EXPECT_TRUE(rows.Show("Apple", "red", ShownAs::kText));
  EXPECT_TRUE(rows.Show("TOTAL", "13", ShownAs::kNumber));  // the same variable
  EXPECT_FALSE(rows.Show("TOTAL", "13", ShownAs::kNumber));
  EXPECT_TRUE(rows.Show("mid", "m", ShownAs::kText));
  EXPECT_FALSE(rows.Show("zebra", "z", ShownAs::kText));  // past the limit
  ASSERT_EQ(rows.rows().size(), 3u);
  EXPECT_EQ(rows.rows()[0].name, "Apple");
  EXPECT_EQ(rows.rows()[1].name, "mid");
  EXPECT_EQ(rows.rows()[2].value, "13");
  EXPECT_TRUE(rows.Remove("apple"));
  EXPECT_FALSE(rows.Remove("apple"));
  EXPECT_EQ(rows.Find("Mid"), 0);
  EXPECT_TRUE(rows.Show("zebra", "z", ShownAs::kText));
}

TEST(VariableRows, ReloadReadsTheStore) {
  VariablesWorld w;
  w.Set("total", "12");
  w.Set("name", "Ann");
  w.Set("_hidden", "x");
  w.Set("SavedMousePosition_X", "1");
  w.variables.Write("blob", std::string("\x02\x03", 2));
  VariableRows rows(10);
  rows.Show("gone", "old", ShownAs::kText);
  rows.Reload(w.variables);
  ASSERT_EQ(rows.rows().size(), 3u);
  EXPECT_EQ(rows.rows()[0].name, "blob");
  EXPECT_EQ(rows.rows()[0].kind, ShownAs::kBinary);
  EXPECT_EQ(rows.rows()[0].value, "02 03");
  EXPECT_EQ(rows.rows()[1].value, "Ann");
  EXPECT_EQ(rows.rows()[2].kind, ShownAs::kNumber);
  VariableRows two(2);
  two.Reload(w.variables);
  EXPECT_EQ(two.rows().size(), 2u);
}

}  // namespace
}  // namespace plumo
