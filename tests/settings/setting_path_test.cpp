#include "settings/setting_path.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

const RegRoot kUser = RegRoot::kCurrentUser;

TEST(SettingPath, RootsKeysAndNames) {
  struct Case {
    const char* path;
    RegRoot root;
    const char* key;
    const char* name;
    bool namesKey;
  } cases[] = {
      {"*\\OnTop", kUser, "SOFTWARE\\Plumo", "OnTop", false},
      {"HKEY_CURRENT_USER\\SOFTWARE\\Plumo\\OnTop", kUser, "SOFTWARE\\Plumo", "OnTop", false},
      {"SOFTWARE\\Plumo\\OnTop", kUser, "SOFTWARE\\Plumo", "OnTop", false},
      {"KEY_CURRENT_USER\\SOFTWARE\\Plumo\\OnTop", kUser, "SOFTWARE\\Plumo", "OnTop", false},
      {"KEY_LOCAL_MACHINE\\SOFTWARE\\X\\V", RegRoot::kLocalMachine, "SOFTWARE\\X", "V", false},
      {"hkey_local_machine\\SOFTWARE\\X\\V", RegRoot::kLocalMachine, "SOFTWARE\\X", "V", false},
      {"HKEY_CLASSES_ROOT\\.vxm\\", RegRoot::kClassesRoot, ".vxm", "", true},
      {"KEY_CLASSES_ROOT\\.vxm\\Shell", RegRoot::kClassesRoot, ".vxm", "Shell", false},
      {"HKEY_CURRENT_CONFIG\\A\\B", RegRoot::kCurrentConfig, "A", "B", false},
      {"KEY_CURRENT_CONFIG\\A\\B", RegRoot::kCurrentConfig, "A", "B", false},
      {"HKEY_USERS\\A\\B", RegRoot::kUsers, "A", "B", false},
      {"KEY_USERS\\A\\B", kUser, "KEY_USERS\\A", "B", false},  // no such short form
      {"SOFTWARE\\Plumo\\Favorites\\a\\\\b", kUser, "SOFTWARE\\Plumo\\Favorites", "a\\b", false},
      {"K\\a\\\\\\b", kUser, "K\\a\\\\", "b", false},
      {"OnTop", kUser, "", "OnTop", false},
      {"*\\Accelerators\\", kUser, "SOFTWARE\\Plumo\\Accelerators", "", true},
      {"*\\", kUser, "SOFTWARE\\Plumo", "", true},
  };
  for (const auto& c : cases) {
    auto loc = ResolveSettingPath(c.path, {}, "");
    ASSERT_TRUE(loc) << c.path;
    EXPECT_EQ(loc->root, c.root) << c.path;
    EXPECT_EQ(loc->key, c.key) << c.path;
    EXPECT_EQ(loc->name, c.name) << c.path;
    EXPECT_EQ(loc->namesKey, c.namesKey) << c.path;
  }
}

TEST(SettingPath, FormatsLikePrintfAndLeavesWhatItCannotFormat) {
  struct Case {
    const char* pattern;
    std::initializer_list<PathArg> args;
    const char* want;
  } cases[] = {
      {"*\\RecentFile%d", {3}, "*\\RecentFile3"},
      {"Favorite%02d", {7}, "Favorite07"},
      {"*\\Accelerators\\%s", {"Find Next"}, "*\\Accelerators\\Find Next"},
      {"InterStepDelay-%d", {-2}, "InterStepDelay--2"},
      {"%-4d|%x|%X|%u|%c", {3, 255, 255, 7u, 65}, "3   |ff|FF|7|A"},
      {"%ld and %lu", {5L, 6UL}, "5 and 6"},
      {"100%%", {}, "100%"},
      {"%d and %s", {}, "%d and %s"},      // nothing to put there
      {"%d %d", {1}, "1 %d"},
      {"%q%d", {4}, "%q4"},                // unknown conversion stays
      {"%s", {12}, "12"},                  // a number where a text is wanted
      {"%d", {"x%dy"}, "x%dy"},            // a text where a number is wanted, not formatted again
      {"%.2s|%5s", {"abc", "ab"}, "ab|   ab"},
      {"trailing %", {1}, "trailing %"},
      {"%999d", {1}, nullptr},             // wide but bounded
  };
  for (const auto& c : cases) {
    std::string got = FormatSettingPath(c.pattern, c.args);
    if (c.want)
      EXPECT_EQ(got, c.want) << c.pattern;
    else
      EXPECT_EQ(got.size(), 999u) << c.pattern;
  }
}

TEST(SettingPath, LengthLimits) {
  std::string key = "SOFTWARE\\";
  EXPECT_FALSE(ResolveSettingPath("", {}, ""));
  EXPECT_TRUE(ResolveSettingPath(key + std::string(511 - key.size(), 'v'), {}, ""));
  EXPECT_FALSE(ResolveSettingPath(key + std::string(512 - key.size(), 'v'), {}, ""));
  EXPECT_FALSE(ResolveSettingPath(std::string(600, 'p'), {}, ""));
  // Formatting happens below 480 characters only, and the limit holds after it.
  std::string below = key + std::string(479 - key.size() - 2, 'v') + "%d";
  EXPECT_EQ(ResolveSettingPath(below, {42}, "")->name, std::string(479 - key.size() - 2, 'v') + "42");
  std::string at = key + std::string(480 - key.size() - 2, 'v') + "%d";
  EXPECT_EQ(ResolveSettingPath(at, {42}, "")->name, std::string(480 - key.size() - 2, 'v') + "%d");
  EXPECT_FALSE(ResolveSettingPath("K\\%s", {std::string(600, 'x')}, ""));
}

TEST(SettingPath, KeyOverrideReplacesTheFirstProductWord) {
  struct Case {
    const char* path;
    const char* override;
    const char* key;
  } cases[] = {
      {"*\\OnTop", "Plumo2", "SOFTWARE\\Plumo2"},
      {"SOFTWARE\\Plumo\\OnTop", "Plumo2", "SOFTWARE\\Plumo2"},
      {"software\\plumo\\OnTop", "Second", "software\\Second"},
      {"SOFTWARE\\Plumo\\Sub\\Plumo\\X", "B", "SOFTWARE\\B\\Sub\\Plumo"},
      {"SOFTWARE\\PlumoX\\Y", "B", "SOFTWARE\\PlumoX"},
      {"*\\OnTop", "", "SOFTWARE\\Plumo"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveSettingPath(c.path, {}, c.override)->key, c.key) << c.path;
  std::string longWord(200, 'w');
  EXPECT_EQ(ResolveSettingPath("*\\OnTop", {}, longWord)->key, "SOFTWARE\\" + std::string(128, 'w'));
}

}  // namespace
}  // namespace plumo
