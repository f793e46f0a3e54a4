#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <climits>

#include "fakes/fake_files.h"
#include "fakes/countdown_files.h"
#include "fakes/fake_environment.h"
#include "platform/memory/memory_registry.h"

namespace plumo {
namespace {

const RegRoot kCurrentUser = RegRoot::kCurrentUser;

// A store over an in-memory registry, spilling into the fake files' temporary folder.
class SettingsStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    files_.AddFolder("C:\\Temp");
    env_.SetTempFolder("C:\\Temp\\");
  }

  RegValue Raw(const std::string& key, const std::string& name) {
    RegValue v;
    EXPECT_TRUE(reg_.ReadValue(kCurrentUser, key, name, &v).ok()) << key << "\\" << name;
    return v;
  }
  size_t FilesInTemp() {
    size_t n = 0;
    files_.ListMatches("C:\\Temp\\*", false, false, [&](const std::string&) { return ++n, true; });
    return n;
  }

  MemoryRegistry reg_;
  FakeEnvironment env_;
  FakeFiles files_;
  SettingsStore store_{reg_, env_, files_};
};

TEST_F(SettingsStoreTest, ShorthandAndFullPathsNameTheSameValue) {
  EXPECT_EQ(store_.WriteNumber("*\\OnTop", 1), 4u);
  EXPECT_EQ(store_.ReadNumber("HKEY_CURRENT_USER\\SOFTWARE\\Plumo\\OnTop"), 1);
  EXPECT_EQ(store_.WriteNumber("SOFTWARE\\Plumo\\OnTop", 2), 4u);
  EXPECT_EQ(store_.ReadNumber("*\\OnTop"), 2);
  EXPECT_EQ(Raw("SOFTWARE\\Plumo", "OnTop").AsNumber(), 2u);
}

TEST_F(SettingsStoreTest, EveryKindRoundTrips) {
  const std::string binary("a\0b\0\xff", 5);
  EXPECT_EQ(store_.WriteText("*\\Text", "abc"), 4u);
  EXPECT_EQ(store_.WriteNumber("*\\Number", 0xFFFFFFFFu), 4u);
  EXPECT_EQ(store_.Write("*\\Lines", RegKind::kMultiString, "one\r\ntwo"), 9u);
  EXPECT_EQ(store_.Write("*\\Binary", RegKind::kBinary, binary), 5u);
  EXPECT_EQ(store_.Write("*\\BadNumber", RegKind::kNumber, "123"), 0u);

  struct Case {
    const char* path;
    RegKind kind;
    std::string bytes;
    size_t size;
  } cases[] = {
      {"*\\Text", RegKind::kString, "abc", 4},
      {"*\\Number", RegKind::kNumber, std::string(4, '\xff'), 4},
      {"*\\Lines", RegKind::kMultiString, "one\r\ntwo", 9},
      {"*\\Binary", RegKind::kBinary, binary, 5},
  };
  for (const auto& c : cases) {
    SettingData d;
    EXPECT_EQ(store_.Read(c.path, 4096, &d), c.size) << c.path;
    EXPECT_EQ(d.kind, c.kind) << c.path;
    EXPECT_EQ(d.bytes, c.bytes) << c.path;
  }
  EXPECT_EQ(Raw("SOFTWARE\\Plumo", "Lines").data, std::string("one\0two\0\0", 9));
  EXPECT_EQ(store_.Probe("*\\Lines"), 9u);
  EXPECT_EQ(store_.Probe("*\\Missing"), 0u);
  EXPECT_EQ(store_.ReadNumber("*\\Number"), -1);
}

TEST(MultiString, ConvertsLineEndsBothWays) {
  struct Case {
    std::string text;
    std::string stored;
    std::string readBack;
  } cases[] = {
      {"a\r\nb", std::string("a\0b\0\0", 5), "a\r\nb"},
      {"a\rb\nc", std::string("a\0b\0c\0\0", 7), "a\r\nb\r\nc"},
      {"", std::string("\0\0", 2), ""},
      {"a\r\n", std::string("a\0\0\0", 4), "a"},  // no empty last line in a list of lines
      {"a\r\n\r\nb", std::string("a\0\0b\0\0", 6), "a\r\n\r\nb"},
      {"a\n\rb", std::string("a\0\0b\0\0", 6), "a\r\n\r\nb"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LinesToMultiString(c.text), c.stored);
    EXPECT_EQ(MultiStringToLines(c.stored), c.readBack);
  }
  EXPECT_EQ(MultiStringToLines(std::string("a\0b\0\0\0", 6)), "a\r\nb");  // a writer that ends with one NUL more
}

TEST_F(SettingsStoreTest, ReadsOnlyWhatFitsTheBuffer) {
  store_.WriteText("*\\T", "abc");
  SettingData d;
  EXPECT_EQ(store_.Read("*\\T", 4, &d), 4u);
  d.bytes = "stale";
  EXPECT_EQ(store_.Read("*\\T", 3, &d), 0u);
  EXPECT_EQ(d.bytes, "");
  EXPECT_EQ(store_.ReadText("*\\T", 3), "");
  EXPECT_EQ(store_.ReadText("*\\T", 4), "abc");
}

TEST_F(SettingsStoreTest, ReadNumberConvertsText) {
  struct Case {
    RegValue stored;
    int32_t want;
  } cases[] = {
      {RegValue::Text("42"), 42},
      {RegValue::Text("  -17 apples"), -17},
      {RegValue::Text("apples"), 0},
      {RegValue::Text("99999999999"), INT_MAX},
      {RegValue::Text("-99999999999"), INT_MIN},
      {RegValue::Text(std::string(5000, '1')), INT_MAX},
      {RegValue::Number(0x80000000u), INT_MIN},
      {RegValue::Binary(std::string("7\0", 2)), 7},
      {RegValue::Text("12\r\n3", RegKind::kMultiString), 12},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(reg_.WriteValue(kCurrentUser, "SOFTWARE\\Plumo", "N", c.stored).ok());
    EXPECT_EQ(store_.ReadNumber("*\\N"), c.want) << c.stored.data.substr(0, 20);
  }
  EXPECT_EQ(store_.ReadNumber("*\\Absent"), 0);
}

TEST_F(SettingsStoreTest, ReadTextStopsAtTheFirstNul) {
  store_.WriteNumber("*\\Zero", 0);
  store_.WriteNumber("*\\Digit", '5');
  EXPECT_EQ(store_.ReadText("*\\Zero", 256), "");
  EXPECT_EQ(store_.ReadText("*\\Digit", 256), "5");
  EXPECT_EQ(store_.ReadText("*\\Absent", 256), "");
}

TEST_F(SettingsStoreTest, DeleteTakesKeysWithTheirSubkeysOrSingleValues) {
  store_.WriteNumber("*\\Report\\A\\Deep", 1);
  store_.WriteNumber("*\\Report\\B", 2);
  store_.WriteNumber("*\\Keep", 3);
  EXPECT_EQ(store_.Probe("*\\Report\\"), 1u);
  EXPECT_EQ(store_.Delete("SOFTWARE\\Plumo\\Report"), 1);
  EXPECT_EQ(store_.Probe("*\\Report\\"), 0u);
  EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "SOFTWARE\\Plumo\\Report\\A"));
  EXPECT_EQ(store_.Delete("*\\Keep"), 1);
  EXPECT_EQ(store_.Delete("*\\Keep"), 0);
  EXPECT_EQ(store_.Probe("*\\"), 1u);
  // A root is never deleted.
  store_.WriteNumber("HKEY_CURRENT_USER\\Top", 1);
  EXPECT_EQ(store_.Delete("HKEY_CURRENT_USER\\"), 0);
  EXPECT_EQ(store_.ReadNumber("HKEY_CURRENT_USER\\Top"), 1);
}

TEST_F(SettingsStoreTest, EmptyAndOverlongPathsDoNothing) {
  const std::string longPath(600, 'p');
  for (const std::string& path : {std::string(), longPath}) {
    SettingData d;
    d.bytes = "stale";
    EXPECT_EQ(store_.Write(path, RegKind::kString, "x"), 0u);
    EXPECT_EQ(store_.Read(path, 100, &d), 0u);
    EXPECT_EQ(d.bytes, "");
    EXPECT_EQ(store_.Probe(path), 0u);
    EXPECT_EQ(store_.Delete(path), 0);
    EXPECT_EQ(store_.ReadNumber(path), 0);
  }
  std::vector<std::string> names;
  EXPECT_FALSE(reg_.ListValues(kCurrentUser, "", &names).ok() && !names.empty());
}

TEST_F(SettingsStoreTest, PercentSignsInValuesAndArgumentsAreKept) {
  store_.WriteText("*\\Find", "100%d %s");
  EXPECT_EQ(store_.ReadText("*\\Find", 256), "100%d %s");
  store_.WriteText("SOFTWARE\\Plumo\\UserVariables\\%s", "v", {"a%db"});
  EXPECT_EQ(Raw("SOFTWARE\\Plumo\\UserVariables", "a%db").AsText(), "v");
}

TEST_F(SettingsStoreTest, KeyOverrideMovesEverySetting) {
  store_.SetKeyOverride("Second");
  store_.WriteNumber("*\\OnTop", 1);
  EXPECT_EQ(Raw("SOFTWARE\\Second", "OnTop").AsNumber(), 1u);
  EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "SOFTWARE\\Plumo"));
  EXPECT_EQ(store_.ReadNumber("SOFTWARE\\Plumo\\OnTop"), 1);
}

TEST_F(SettingsStoreTest, RefusedLongValuesSpillToAFileAndComeBackWhole) {
  reg_.SetValueSizeLimit(512);
  const std::string text(600, 't');
  EXPECT_EQ(store_.WriteText("*\\Big", text), 601u);
  std::string ref = Raw("SOFTWARE\\Plumo", "Big").AsText();
  ASSERT_EQ(ref.rfind("FILE::", 0), 0u) << ref;
  std::string file = ref.substr(6);
  EXPECT_EQ(file, env_.TempFolder() + "HKEY_CURRENT_USER_SOFTWARE_Plumo_Big.dat");
  EXPECT_TRUE(files_.Has(file));
  EXPECT_EQ(store_.Probe("*\\Big"), 601u);
  EXPECT_EQ(store_.ReadText("*\\Big", 601), text);
  EXPECT_EQ(store_.ReadText("*\\Big", 600), "");  // the file must fit the buffer too

  const std::string binary = std::string(700, '\0') + "end";
  EXPECT_EQ(store_.Write("*\\Blob", RegKind::kBinary, binary), binary.size());
  SettingData d;
  EXPECT_EQ(store_.Read("*\\Blob", 4096, &d), binary.size());
  EXPECT_EQ(d.bytes, binary);

  std::string lines = std::string(300, 'a') + "\r\n" + std::string(300, 'b');
  EXPECT_NE(store_.Write("*\\Lines", RegKind::kMultiString, lines), 0u);
  EXPECT_EQ(store_.ReadText("*\\Lines", 4096), lines);

  EXPECT_EQ(store_.Delete("*\\Big"), 1);
  EXPECT_FALSE(files_.Has(file));
  EXPECT_EQ(store_.Probe("*\\Big"), 0u);
}

TEST_F(SettingsStoreTest, ExactTextKeepsItsNulBytesAndAddsNone) {
  const std::string bytes("abc\0defghi", 10);
  EXPECT_EQ(store_.WriteExactText("*\\Exact", bytes), 10u);
  RegValue raw = Raw("SOFTWARE\\Plumo", "Exact");
  EXPECT_EQ(raw.kind, RegKind::kString);
  EXPECT_EQ(raw.data, bytes);
  EXPECT_EQ(store_.Probe("*\\Exact"), 10u);

  reg_.SetValueSizeLimit(512);
  const std::string big = std::string(600, 'x') + std::string(1, '\0') + "tail";
  EXPECT_EQ(store_.WriteExactText("*\\BigExact", big), big.size());
  SettingData d;
  EXPECT_EQ(store_.Read("*\\BigExact", 4096, &d), big.size());
  EXPECT_EQ(d.bytes, big);
}

TEST_F(SettingsStoreTest, ShortRefusedValuesFailWithoutAFile) {
  reg_.SetValueSizeLimit(100);
  EXPECT_EQ(store_.WriteText("*\\Medium", std::string(500, 'm')), 0u);
  EXPECT_EQ(store_.Probe("*\\Medium"), 0u);
  EXPECT_EQ(FilesInTemp(), 0u);
}

TEST_F(SettingsStoreTest, AMissingSpillFileMakesTheReadFail) {
  reg_.SetValueSizeLimit(512);
  ASSERT_NE(store_.WriteText("*\\Big", std::string(600, 't')), 0u);
  ASSERT_TRUE(files_.Delete(Raw("SOFTWARE\\Plumo", "Big").AsText().substr(6)).ok());
  SettingData d;
  EXPECT_EQ(store_.Read("*\\Big", 4096, &d), 0u);
  EXPECT_EQ(store_.Probe("*\\Big"), 0u);
  EXPECT_EQ(store_.ReadNumber("*\\Big"), 0);
}

TEST_F(SettingsStoreTest, DeletingAUserTextThatLooksLikeAReferenceKeepsTheFileItNames) {
  const std::string precious = "C:\\Temp\\precious.txt";
  files_.Put(precious, "keep me");
  store_.WriteText("SOFTWARE\\Plumo\\UserVariables\\v", "FILE::" + precious);
  EXPECT_EQ(store_.ReadText("SOFTWARE\\Plumo\\UserVariables\\v", 100), "keep me");
  EXPECT_EQ(store_.Delete("SOFTWARE\\Plumo\\UserVariables\\v"), 1);
  EXPECT_TRUE(files_.Has(precious));
}

TEST_F(SettingsStoreTest, ASpilledValueThatCannotBeRewrittenKeepsItsOldValue) {
  reg_.SetValueSizeLimit(512);
  CountdownFiles full(files_, 1);  // the second write finds the disk full
  SettingsStore store(reg_, env_, full);
  const std::string old(600, 'o');
  ASSERT_EQ(store.WriteText("*\\Big", old), 601u);
  EXPECT_EQ(store.WriteText("*\\Big", std::string(700, 'n')), 0u);
  EXPECT_EQ(store.ReadText("*\\Big", 4096), old);
}

TEST_F(SettingsStoreTest, HugeValuesRoundTrip) {
  const std::string big = std::string(5 * 1024 * 1024, 'x') + std::string(3, '\0');
  EXPECT_EQ(store_.Write("*\\Huge", RegKind::kBinary, big), big.size());
  SettingData d;
  EXPECT_EQ(store_.Read("*\\Huge", big.size(), &d), big.size());
  EXPECT_TRUE(d.bytes == big);
  EXPECT_EQ(store_.Read("*\\Huge", 4096, &d), 0u);
}

}  // namespace
}  // namespace plumo
