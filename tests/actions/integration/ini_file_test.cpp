#include "actions/integration/data/ini_file.h"

#include <gtest/gtest.h>

#include "actions/integration/ini_cases.h"
#include "base/text.h"

namespace plumo {
namespace {

TEST(IniText, ReadsTheTrickyFilesAsTheProfileFunctionsDo) {
  for (const IniCase& c : IniReadCases()) {
    const IniText ini(std::string(c.file));
    const std::optional<std::string> got = ini.Read(c.section, c.key);
    if (c.absent)
      EXPECT_FALSE(got) << c.name;
    else
      EXPECT_EQ(got.value_or("<absent>"), c.value) << c.name;
  }
}

TEST(IniText, WritesChangeOnlyTheirLine) {
  struct Case {
    std::string_view before, section, key, value, after;
  };
  const Case cases[] = {
      {"; top\r\n[A]\r\nx = 1 ; kept\r\ny=2\r\n", "a", "X", "9", "; top\r\n[A]\r\nx=9\r\ny=2\r\n"},
      {"[A]\nx=1\n\n[B]\ny=2\n", "A", "new", "v", "[A]\nx=1\nnew=v\n\n[B]\ny=2\n"},
      {"[A]\r\nx=1", "A", "z", "3", "[A]\r\nx=1\r\nz=3\r\n"},
      {"[A]\r\nx=1\r\n", "B", "k", " v ", "[A]\r\nx=1\r\n\r\n[B]\r\nk= v \r\n"},
      {"", "S", "k", "v", "[S]\r\nk=v\r\n"},
      {"[A]\nx=1", "C", "k", "v", "[A]\nx=1\n\n[C]\nk=v\n"},
  };
  for (const Case& c : cases) {
    IniText ini{std::string(c.before)};
    ini.Write(c.section, c.key, c.value);
    EXPECT_EQ(ini.text(), c.after) << c.before;
    EXPECT_EQ(ini.Read(c.section, c.key), std::string(Trim(c.value)));
  }
}

TEST(IniText, DeletesKeysAndWholeSections) {
  IniText ini("[A]\r\nx=1\r\n; note\r\ny=2\r\n[B]\r\nz=3\r\n[a]\r\nx=4\r\n");
  EXPECT_TRUE(ini.DeleteKey("A", "X"));
  EXPECT_EQ(ini.text(), "[A]\r\n; note\r\ny=2\r\n[B]\r\nz=3\r\n[a]\r\nx=4\r\n");
  EXPECT_FALSE(ini.DeleteKey("B", "nothing"));
  EXPECT_TRUE(ini.DeleteSection("a"));
  EXPECT_EQ(ini.text(), "[B]\r\nz=3\r\n[a]\r\nx=4\r\n");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"B", "a"}));
  EXPECT_EQ(ini.Keys("A"), (std::vector<std::string>{"x"}));
  EXPECT_FALSE(ini.DeleteSection("none"));
}

TEST(IniText, RefusesNamesThatWouldBreakTheFile) {
  EXPECT_FALSE(IniText::CheckWrite("S", "k", "v"));
  for (auto [s, k, v] : {std::tuple{"", "k", "v"}, {"S", "", "v"}, {"S", "a=b", "v"}, {"S\n", "k", "v"},
                         {"S", "k", "line\r\nbreak"}, {"S", ";k", "v"}})
    EXPECT_TRUE(IniText::CheckWrite(s, k, v)) << s << "|" << k;
}

}  // namespace
}  // namespace plumo
