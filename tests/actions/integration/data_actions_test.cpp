// The Data actions as Steps: which field holds what, what is stored, how they fail.
#include "actions/integration/data/data_actions.h"

#include "actions/integration/action_harness.h"

namespace plumo {
namespace {

constexpr int kData = 12;

class DataActions : public ::testing::Test {
 protected:
  DataActions() { RegisterDataActions(h.session); }
  ActionHarness h;
};

TEST_F(DataActions, TextActionsStoreTheirResult) {
  struct Case {
    std::string_view action;
    StepFields fields;
    std::string_view result;
  };
  const Case cases[] = {
      {"Sort", {"c\r\na\r\nb"}, "a\r\nb\r\nc"},
      {"Sort", {"c;a;B", ";", "", "", "", "Descending (Z-A)"}, "c;B;a"},
      {"Binary Data", {"AB", "", "", "", "", "Convert Binary -> Hex"}, "4142"},
      {"Binary Data", {"ABC"}, "3"},
      {"Get Length", {"four"}, "4"},
      {"Count Items", {"a,b,,c", ","}, "3"},
      {"Find", {"abcabc", "C"}, "0"},
      {"Find", {"abcabc", "C", "", "", "", "Case Insensitive"}, "3"},
      {"Find", {"abcabc", "c", "4"}, "6"},
      {"Get Sub String", {"a,\"b,c\",d", ",", "2", "", "", "Quotes"}, "b,c"},
      {"Get Sub String", {"a|b|c", "|", "last"}, "c"},
      {"Get Sub String", {"a|b|c", "|", "9"}, ""},
      {"Mid String", {"abcdef", "2", "4"}, "bcd"},
      {"Mid String", {"abcdef", "3", "To End"}, "cdef"},
      {"Chop", {"key=value", "=", "", "", "", "Chop After and Including"}, "key"},
      {"Replace", {"a-b-c", "-", "+", "", "", "First Only"}, "a+b-c"},
      {"Insert", {"helo", "4", "l"}, "hello"},
      {"Insert", {"ab", "99", "c"}, "abc"},
      {"Random Text", {"0"}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(h.Run(kData, c.action, c.fields), 1) << c.action << ": " << h.Error();
    EXPECT_EQ(h.Out(), c.result) << c.action << " " << c.fields.text;
  }
}

TEST_F(DataActions, EncryptedTextDecryptsWithTheSameKey) {
  for (std::string_view scheme : {"ASCII Shift", "Bit Shift"}) {
    ASSERT_EQ(h.Run(kData, "Encrypt Text", {"Secret text 123", "pw", "", "", "", std::string(scheme)}), 1);
    const std::string secret = h.Out();
    EXPECT_NE(secret, "Secret text 123");
    ASSERT_EQ(h.Run(kData, "Decrypt Text", {secret, "pw", "", "", "", std::string(scheme)}), 1);
    EXPECT_EQ(h.Out(), "Secret text 123") << scheme;
  }
  EXPECT_EQ(h.Run(kData, "Decrypt Text", {"not hex", "pw", "", "", "", "Bit Shift"}), 0);
  EXPECT_NE(h.Error().find("Bit Shift"), std::string::npos);
}

TEST_F(DataActions, BadNumbersFailWithAReason) {
  const std::pair<std::string_view, StepFields> cases[] = {
      {"Random Text", {"lots"}},           {"Random Text", {"5", "Greek"}}, {"Insert", {"ab", "x", "c"}},
      {"Get Sub String", {"a,b", ",", "0"}}, {"Mid String", {"abc", "one"}}, {"Chop", {"abc", "b"}},
  };
  for (const auto& [action, fields] : cases) {
    EXPECT_EQ(h.Run(kData, action, fields), 0) << action;
    EXPECT_FALSE(h.Error().empty()) << action;
  }
}

TEST_F(DataActions, RegistryValuesOfEveryKindRoundTrip) {
  const std::string key = "HKEY_CURRENT_USER\\SOFTWARE\\PlumoTest\\";
  struct Case {
    std::string_view name, type, written, read;
    RegKind kind;
  };
  const Case cases[] = {
      {"text", "REG_SZ", "hello", "hello", RegKind::kString},
      {"path", "REG_EXPAND_SZ", "%TEMP%\\x", "%TEMP%\\x", RegKind::kExpandString},
      {"lines", "REG_MULTI_SZ", "one\r\ntwo", "one\r\ntwo", RegKind::kMultiString},
      {"number", "REG_DWORD", "0x10", "16", RegKind::kNumber},
      {"negative", "REG_DWORD", "-1", "4294967295", RegKind::kNumber},
      {"bytes", "REG_BINARY", "AB", "AB", RegKind::kBinary},
      {"guess", "", "12", "12", RegKind::kString},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(h.Run(kData, "Write Registry", {std::string(c.written), key + std::string(c.name), std::string(c.type)}), 1)
        << h.Error();
    ASSERT_EQ(h.Run(kData, "Read Registry", {"", key + std::string(c.name)}), 1) << h.Error();
    EXPECT_EQ(h.Out(), c.read) << c.name;
    RegValue v;
    ASSERT_TRUE(h.registry.ReadValue(RegRoot::kCurrentUser, "SOFTWARE\\PlumoTest", std::string(c.name), &v));
    EXPECT_EQ(v.kind, c.kind) << c.name;
  }
  // An existing number stays a number; text that is none is refused, not stored as text.
  EXPECT_EQ(h.Run(kData, "Write Registry", {"7", key + "number"}), 1);
  EXPECT_EQ(h.Run(kData, "Write Registry", {"seven", key + "number"}), 0);
  EXPECT_EQ(h.Run(kData, "Read Registry", {"", key + "number"}), 1);
  EXPECT_EQ(h.Out(), "7");
  // The default value of a key.
  EXPECT_EQ(h.Run(kData, "Write Registry", {"dflt", key}), 1);
  EXPECT_EQ(h.Run(kData, "Read Registry", {"", key}), 1);
  EXPECT_EQ(h.Out(), "dflt");
  EXPECT_EQ(h.Run(kData, "Read Registry", {"", key + "missing"}), 0);
  EXPECT_NE(h.Error().find("PlumoTest\\missing"), std::string::npos) << h.Error();
}

TEST_F(DataActions, RegistryTreesAreCopiedAndDeleted) {
  const std::string from = "HKEY_CURRENT_USER\\SOFTWARE\\PlumoFrom", to = "HKEY_CURRENT_USER\\SOFTWARE\\PlumoTo";
  ASSERT_EQ(h.Run(kData, "Write Registry", {"1", from + "\\Sub\\Deep\\v", "REG_DWORD"}), 1);
  ASSERT_EQ(h.Run(kData, "Write Registry", {"top", from + "\\t"}), 1);
  ASSERT_EQ(h.Run(kData, "Copy Registry", {to, from}), 1) << h.Error();
  EXPECT_EQ(h.Run(kData, "Read Registry", {"", to + "\\Sub\\Deep\\v"}), 1);
  EXPECT_EQ(h.Out(), "1");
  EXPECT_EQ(h.Run(kData, "Copy Registry", {from + "\\Sub\\Copy", from}), 0);
  EXPECT_NE(h.Error().find("into itself"), std::string::npos);
  // A value of that name goes first; then a key; a trailing backslash means the key.
  ASSERT_EQ(h.Run(kData, "Delete Registry", {"", to + "\\t"}), 1);
  EXPECT_TRUE(h.registry.KeyExists(RegRoot::kCurrentUser, "SOFTWARE\\PlumoTo"));
  ASSERT_EQ(h.Run(kData, "Delete Registry", {"", to + "\\Sub"}), 1);
  EXPECT_FALSE(h.registry.KeyExists(RegRoot::kCurrentUser, "SOFTWARE\\PlumoTo\\Sub"));
  ASSERT_EQ(h.Run(kData, "Delete Registry", {"", to + "\\"}), 1);
  EXPECT_FALSE(h.registry.KeyExists(RegRoot::kCurrentUser, "SOFTWARE\\PlumoTo"));
  EXPECT_EQ(h.Run(kData, "Delete Registry", {"", to}), 0);
  EXPECT_EQ(h.Run(kData, "Delete Registry", {"", "HKEY_CURRENT_USER\\"}), 0);
  EXPECT_TRUE(h.registry.KeyExists(RegRoot::kCurrentUser, "SOFTWARE\\PlumoFrom"));
}

TEST_F(DataActions, IniDataIsWrittenReadAndDeleted) {
  auto& files = static_cast<FakeFiles&>(h.files());
  files.AddFolder("C:\\cfg");
  const std::string ini = "C:\\cfg\\app.ini";
  ASSERT_EQ(h.Run(kData, "Write INI Data", {"v1", ini, "Main", "Key"}), 1) << h.Error();
  ASSERT_EQ(h.Run(kData, "Write INI Data", {"v2", ini, "Main", "Other"}), 1);
  ASSERT_EQ(h.Run(kData, "Write INI Data", {"v3", ini, "Extra", "K"}), 1);
  EXPECT_EQ(files.Content(ini), "[Main]\r\nKey=v1\r\nOther=v2\r\n\r\n[Extra]\r\nK=v3\r\n");
  ASSERT_EQ(h.Run(kData, "Read INI Data", {"", ini, "main", "key"}), 1);
  EXPECT_EQ(h.Out(), "v1");
  ASSERT_EQ(h.Run(kData, "Read INI Data", {"", ini, "Main", ""}), 1);
  EXPECT_EQ(h.Out(), "Key\r\nOther");
  ASSERT_EQ(h.Run(kData, "Read INI Data", {"", ini}), 1);
  EXPECT_EQ(h.Out(), "Main\r\nExtra");
  ASSERT_EQ(h.Run(kData, "Delete INI Data", {"", ini, "Main", "Key"}), 1);
  ASSERT_EQ(h.Run(kData, "Delete INI Data", {"", ini, "Extra", "", "", "Delete [Section]"}), 1);
  EXPECT_EQ(files.Content(ini), "[Main]\r\nOther=v2\r\n\r\n");
  EXPECT_EQ(h.Run(kData, "Read INI Data", {"", ini, "Main", "Key"}), 0);
  EXPECT_EQ(h.Error(), "Key 'Key' not found in section [Main] of 'C:\\cfg\\app.ini'");
  EXPECT_EQ(h.Run(kData, "Read INI Data", {"", "C:\\cfg\\none.ini", "Main", "Key"}), 0);
  EXPECT_NE(h.Error().find("none.ini"), std::string::npos);
  EXPECT_EQ(h.Run(kData, "Write INI Data", {"x", "C:\\nofolder\\a.ini", "S", "k"}), 0);
  EXPECT_EQ(h.Run(kData, "Write INI Data", {"two\r\nlines", ini, "S", "k"}), 0);
  // A failed write leaves the old file.
  files.FailNextWrite();
  EXPECT_EQ(h.Run(kData, "Write INI Data", {"new", ini, "Main", "Other"}), 0);
  EXPECT_EQ(files.Content(ini), "[Main]\r\nOther=v2\r\n\r\n");
}

}  // namespace
}  // namespace plumo

namespace plumo {
namespace {

// The functions older Scripts name; the fake locale writes dates M/d/yyyy.
TEST_F(DataActions, OlderTextNumberAndDateFunctions) {
  const SystemTime now{2024, 1, 3, 31, 9, 30, 0, 0};
  h.clock.SetTimes(now, now);
  struct Case {
    std::string_view action;
    StepFields fields;
    std::string_view result;
  };
  const Case cases[] = {
      {"Change Case", {"", "hello wORLD", "", "", "", "Title"}, "Hello World"},
      {"Change Case", {"", "abc", "", "", "", "Upper"}, "ABC"},
      {"Trim", {"", "  x y \t", "", "", "", "Whitespace"}, "x y"},
      {"Trim", {"", "--x--", "-", "", "", "Front"}, "x--"},
      {"Contains", {"", "Hello", "ELL"}, "1"},
      {"Contains", {"", "Hello", "ELL", "", "", "Case Sensitive"}, "0"},
      {"Contains", {"", "1234", "0123456789", "", "", "Only Characters from List"}, "1"},
      {"Find Text", {"", "abcdef", "xd", "", "", "Any Characters from List"}, "4"},
      {"Pad Text", {"", "7", "3", "0", "", "Front"}, "007"},
      {"Pad Text", {"", "ab", "5", "xy"}, "abxyx"},
      {"Left Text String", {"", "abcdef", "2"}, "ab"},
      {"Right Text String", {"", "abcdef", "9"}, "abcdef"},
      {"Format Number", {"", "1234.5", "#,##0.00"}, "1,234.50"},
      {"Random Number", {"", "5", "5"}, "5"},
      {"Number to Words", {"", "21"}, "Twenty One"},
      {"Date Add", {"1/31/2024", "Add", "1", "{month}"}, "2/29/2024"},
      {"Date Add", {"", "Subtract", "31", "{day}"}, "12/31/2023"},
      {"Date Difference", {"1/31/2024", "3/1/2024", "{day}"}, "30"},
      {"Date Difference", {"1/31/2024", "3/30/2025", "{month}"}, "13"},
      {"Time Add", {"11:30:00 PM", "Add", "45", "{minute}"}, "12:15:00 AM"},
      {"Time Difference", {"10:00:00", "12:30:00", "{minute}"}, "150"},
      {"Clock Ticks to Text", {"61000"}, "1:01"},
      {"Get Weekday", {"1/31/2024"}, "Wednesday"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(h.Run(kData, c.action, c.fields), 1) << c.action << ": " << h.Error();
    EXPECT_EQ(h.Out(), c.result) << c.action << " " << c.fields.value1 << c.fields.text;
  }
  EXPECT_EQ(h.Run(kData, "Date Add", {"not a date", "Add", "1"}), 0);
  EXPECT_EQ(h.Run(kData, "Format Number", {"", "twelve"}), 0);
}

}  // namespace
}  // namespace plumo
