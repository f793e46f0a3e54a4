#include "settings/option_pages.h"

#include <gtest/gtest.h>

#include <map>

#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "platform/memory/memory_registry.h"
#include "settings/settings_defaults.h"

namespace plumo {
namespace {

const OptionRow* RowOf(std::string_view path) {
  for (const OptionPage& page : OptionPages())
    for (const OptionRow& row : page.rows)
      if (row.path == path) return &row;
  return nullptr;
}

// Each default on exactly one page, of a kind that can hold its default.
TEST(OptionPages, EveryDefaultIsOnOnePageOfAFittingKind) {
  std::map<std::string, int> seen;
  for (const OptionPage& page : OptionPages())
    for (const OptionRow& row : page.rows) ++seen[row.path];
  size_t defaults = 0;
  for (auto table : {InterfaceDefaults(), GeneralDefaults()})
    for (const SettingDefault& d : table) {
      ++defaults;
      EXPECT_EQ(seen[d.path], 1) << d.path;
      const OptionRow* row = RowOf(d.path);
      if (!row) continue;
      const bool textDefault = d.value == DefaultValue::kText || d.value == DefaultValue::kLogFile ||
                               d.value == DefaultValue::kCopyright;
      if (row->kind == OptionKind::kText) {
        // The last search and the files to reopen start as the number 0 and later hold text.
        EXPECT_TRUE(textDefault || (d.value == DefaultValue::kNumber && d.number == 0)) << d.path;
        if (d.text) {
          EXPECT_TRUE(CheckOption(*row, d.text).error.empty()) << d.path;
        }
      } else {
        EXPECT_FALSE(textDefault) << d.path;
        if (d.value == DefaultValue::kNumber) {
          EXPECT_TRUE(CheckOption(*row, std::to_string(static_cast<int32_t>(d.number))).error.empty()) << d.path;
        }
      }
    }
  EXPECT_EQ(seen.size(), defaults);
}

TEST(OptionPages, TypedValuesAreRangeChecked) {
  const OptionRow number{"*\\N", "Indent size", OptionKind::kNumber, 0, 31};
  const OptionRow negative{"*\\X", "Left", OptionKind::kNumber, -32768, 32767};
  const OptionRow flag{"*\\F", "On top", OptionKind::kFlag};
  const OptionRow colour{"*\\C", "Fill", OptionKind::kColour};
  const OptionRow text{"*\\T", "Font", OptionKind::kText, 1, 5};
  const struct {
    const OptionRow* row;
    const char* typed;
    uint32_t number;  // when good
    const char* error;  // empty when good
  } cases[] = {
      {&number, "31", 31, ""},
      {&number, " 7 ", 7, ""},
      {&number, "32", 0, "\"Indent size\" must be a whole number from 0 to 31."},
      {&number, "-1", 0, "\"Indent size\" must be a whole number from 0 to 31."},
      {&number, "3a", 0, "\"Indent size\" must be a whole number from 0 to 31."},
      {&number, "", 0, "\"Indent size\" must be a whole number from 0 to 31."},
      {&number, "99999999999", 0, "\"Indent size\" must be a whole number from 0 to 31."},
      {&negative, "-280", static_cast<uint32_t>(-280), ""},
      {&flag, "1", 1, ""},
      {&flag, "2", 0, "\"On top\" must be a whole number from 0 to 1."},
      {&colour, "0x463A96", 0x463A96, ""},
      {&colour, "255", 255, ""},
      {&colour, "0x1000000", 0, "\"Fill\" must be a colour from 0x000000 to 0xFFFFFF (blue, green, red)."},
      {&colour, "0xG0", 0, "\"Fill\" must be a colour from 0x000000 to 0xFFFFFF (blue, green, red)."},
      {&text, "Arial", 0, ""},
      {&text, "", 0, "\"Font\" takes 1 to 5 characters."},
      {&text, "Courier", 0, "\"Font\" takes 1 to 5 characters."},
  };
  for (const auto& c : cases) {
    const OptionValue v = CheckOption(*c.row, c.typed);
    EXPECT_EQ(v.error, c.error) << c.typed;
    if (v.error.empty() && c.row->kind != OptionKind::kText) {
      EXPECT_EQ(v.number, c.number) << c.typed;
    }
  }
}

TEST(OptionPages, StoredValuesComeBackAsTheyAreShown) {
  MemoryRegistry registry;
  FakeEnvironment environment;
  FakeFiles files;
  SettingsStore store(registry, environment, files);
  const char* const typed[][2] = {
      {"*\\Colors\\BreakFill", "0x00FF80"},
      {"*\\RunTrackingX", "-40"},
      {"*\\Palettes\\Output\\Font", "Consolas"},
      {"*\\OnTop", "1"},
  };
  for (const auto& [path, value] : typed) {
    const OptionRow* row = RowOf(path);
    ASSERT_NE(row, nullptr) << path;
    StoreOption(*row, CheckOption(*row, value), store);
    EXPECT_EQ(ShownOption(*row, store), value) << path;
  }
  EXPECT_EQ(store.ReadNumber("*\\Colors\\BreakFill"), 0x00FF80);
}

}  // namespace
}  // namespace plumo
