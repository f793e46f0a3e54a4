#include "settings/keyboard_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_files.h"
#include "fakes/fake_environment.h"
#include "platform/memory/memory_registry.h"

namespace plumo {
namespace {

using namespace keymod;

const KeyedCommand kCommands[] = {
    {1067, "New", 'N', kCtrl},
    {1048, "Find Next", 0x72, 0},
    {1065, "Find Previous", 0x72, kShift},
    {1018, "Close Active File"},
    {1032, "Stop", kPauseKey, 0},
};

class KeyboardMapTest : public testing::Test {
 protected:
  MemoryRegistry reg_;
  FakeEnvironment env_;
  FakeFiles files_;
  SettingsStore store_{reg_, env_, files_};
  uint8_t stopKey_ = 0;
};

TEST_F(KeyboardMapTest, DefaultsAreWrittenWhenTheKeyIsMissing) {
  KeyboardMap map = LoadKeyboardMap(store_, kCommands, &stopKey_);
  EXPECT_EQ(store_.ReadText("*\\Accelerators\\New", 64), "78|1");
  EXPECT_EQ(store_.ReadText("*\\Accelerators\\Find Previous", 64), "114|2");
  EXPECT_EQ(store_.Probe("*\\Accelerators\\Close Active File"), 0u);
  EXPECT_EQ(map[0].command, 1067);
  EXPECT_EQ(map[3].command, 1032);  // packed: the command without a key takes no entry
  EXPECT_EQ(map[4].command, 0);
  EXPECT_EQ(stopKey_, kPauseKey);
}

TEST_F(KeyboardMapTest, UserKeysAreKeptAndNotRefilled) {
  store_.WriteText("*\\Accelerators\\Close Active File", "87|1");  // Ctrl+W
  KeyboardMap map = LoadKeyboardMap(store_, kCommands, &stopKey_);
  EXPECT_EQ(store_.Probe("*\\Accelerators\\New"), 0u);
  EXPECT_EQ(MatchKeyboardMap(map, kCtrl, 'W'), 1018);
  EXPECT_EQ(MatchKeyboardMap(map, kCtrl, 'N'), 0);
  EXPECT_EQ(stopKey_, kPauseKey);
}

TEST_F(KeyboardMapTest, MatchingNeedsTheExactModifiersAndTakesTheFirstEntry) {
  store_.WriteText("*\\Accelerators\\Find Next", "114|0");
  store_.WriteText("*\\Accelerators\\Find Previous", "114|2");
  store_.WriteText("*\\Accelerators\\Close Active File", "114|0");  // the same key again
  KeyboardMap map = LoadKeyboardMap(store_, kCommands, &stopKey_);
  struct Case {
    uint8_t modifiers;
    uint8_t key;
    uint16_t want;
  } cases[] = {
      {0, 0x72, 1048}, {kShift, 0x72, 1065}, {kCtrl, 0x72, 0}, {kShift | kCtrl, 0x72, 0}, {0, 0x73, 0}, {0, 0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchKeyboardMap(map, c.modifiers, c.key), c.want);
}

TEST_F(KeyboardMapTest, MalformedValuesGiveNoEntry) {
  const char* bad[] = {"abc", "300|0", "65|9", "-5|1", "0|1", ""};
  for (const char* text : bad) {
    store_.WriteText("*\\Accelerators\\New", text);
    KeyboardMap map = LoadKeyboardMap(store_, kCommands, &stopKey_);
    EXPECT_EQ(map[0].command, 0) << text;
  }
  store_.WriteText("*\\Accelerators\\New", "65");  // no modifiers: none held
  EXPECT_EQ(MatchKeyboardMap(LoadKeyboardMap(store_, kCommands, &stopKey_), 0, 'A'), 1067);
}

TEST_F(KeyboardMapTest, StopKeyComesFromTheStopEntryElseStaysElsePause) {
  store_.WriteText("*\\Accelerators\\Stop", "123|0");  // F12
  LoadKeyboardMap(store_, kCommands, &stopKey_);
  EXPECT_EQ(stopKey_, 123);
  store_.Delete("*\\Accelerators\\Stop");
  LoadKeyboardMap(store_, kCommands, &stopKey_);
  EXPECT_EQ(stopKey_, 123);
  stopKey_ = 0;
  LoadKeyboardMap(store_, kCommands, &stopKey_);
  EXPECT_EQ(stopKey_, kPauseKey);
}

TEST_F(KeyboardMapTest, OnlyTheFirst64CommandsAreRead) {
  std::vector<std::string> names;
  for (int i = 0; i < 70; ++i) names.push_back("Command " + std::to_string(i));
  std::vector<KeyedCommand> commands;
  for (int i = 0; i < 70; ++i) commands.push_back({static_cast<uint16_t>(2000 + i), names[i].c_str(), 0x41, 0});
  KeyboardMap map = LoadKeyboardMap(store_, commands, &stopKey_);
  EXPECT_EQ(store_.Probe("*\\Accelerators\\Command 69"), 5u);
  EXPECT_EQ(map[63].command, 2063);
}

TEST(KeyName, ModifiersThenTheKey) {
  const struct {
    uint8_t key, modifiers;
    const char* want;
  } cases[] = {
      {'F', kCtrl, "Ctrl+F"},         {0x72, kShift, "Shift+F3"},      {0x71, kCtrl, "Ctrl+F2"},
      {0x26, kAlt, "Alt+Up"},         {0x2D, 0, "Insert"},             {0x13, 0, "Pause"},
      {'1', kAlt, "Alt+1"},           {0x87, 7, "Ctrl+Shift+Alt+F24"}, {0x65, 0, "Num 5"},
      {0xE5, kCtrl, "Ctrl+Key 0xE5"}, {0, kCtrl, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyName(c.key, c.modifiers), c.want) << int(c.key);
}

TEST_F(KeyboardMapTest, OneCommandsKeyIsChangedAndRemoved) {
  const KeyedCommand& close = kCommands[3];
  WriteCommandKey(store_, close, 'W', kCtrl);
  EXPECT_EQ(store_.ReadText("*\\Accelerators\\Close Active File", 64), "87|1");
  const KeyboardMapEntry entry = ReadCommandKey(store_, close);
  EXPECT_EQ(entry.command, 1018);
  EXPECT_EQ(entry.key, 'W');
  EXPECT_EQ(entry.modifiers, kCtrl);
  WriteCommandKey(store_, close, 0, 0);
  EXPECT_EQ(store_.Probe("*\\Accelerators\\Close Active File"), 0u);
  EXPECT_EQ(ReadCommandKey(store_, close).key, 0);
  store_.WriteText("*\\Accelerators\\Close Active File", "300|1");  // not a key
  EXPECT_EQ(ReadCommandKey(store_, close).key, 0);
}

}  // namespace
}  // namespace plumo
