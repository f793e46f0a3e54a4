// The settings store on the real Windows registry.
#include <gtest/gtest.h>

#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_registry.h"
#include "settings/settings_store.h"
#include "fakes/fake_files.h"

namespace plumo {
namespace {

class Win32SettingsTest : public testing::Test {
 protected:
  void SetUp() override { store_.Delete("HKEY_CURRENT_USER\\Software\\PlumoSettingsTest\\"); }
  void TearDown() override { store_.Delete("HKEY_CURRENT_USER\\Software\\PlumoSettingsTest\\"); }

  Win32Registry reg_;
  Win32Environment env_;
  FakeFiles files_;
  SettingsStore store_{reg_, env_, files_};
};

TEST_F(Win32SettingsTest, EveryKindRoundTripsThroughTheRealRegistry) {
  const std::string binary("a\0b\0\xff", 5);
  const std::string big(1024 * 1024, 'b');
  struct Case {
    const char* name;
    RegKind kind;
    std::string data;   // as written
    std::string back;   // as read
    size_t size;        // as read
  } cases[] = {
      {"Text", RegKind::kString, "Hello World", "Hello World", 12},
      {"Number", RegKind::kNumber, std::string("\x2a\0\0\0", 4), std::string("\x2a\0\0\0", 4), 4},
      {"Lines", RegKind::kMultiString, "one\r\ntwo\nthree", "one\r\ntwo\r\nthree", 16},
      {"Binary", RegKind::kBinary, binary, binary, 5},
      {"Big", RegKind::kBinary, big, big, big.size()},
      {"With\\\\Backslash", RegKind::kString, "x", "x", 2},
  };
  for (const auto& c : cases) {
    std::string path = std::string("HKEY_CURRENT_USER\\Software\\PlumoSettingsTest\\Kinds\\") + c.name;
    EXPECT_NE(store_.Write(path, c.kind, c.data), 0u) << c.name;
    SettingData d;
    EXPECT_EQ(store_.Read(path, big.size() + 1, &d), c.size) << c.name;
    EXPECT_EQ(d.kind, c.kind) << c.name;
    EXPECT_TRUE(d.bytes == c.back) << c.name;
  }
  RegValue raw;
  ASSERT_TRUE(reg_.ReadValue(RegRoot::kCurrentUser, "Software\\PlumoSettingsTest\\Kinds", "Lines", &raw).ok());
  EXPECT_EQ(raw.data, std::string("one\0two\0three\0\0", 15));
  ASSERT_TRUE(reg_.ReadValue(RegRoot::kCurrentUser, "Software\\PlumoSettingsTest\\Kinds", "With\\Backslash", &raw).ok());
  EXPECT_EQ(store_.ReadNumber("HKEY_CURRENT_USER\\Software\\PlumoSettingsTest\\Kinds\\Number"), 42);
}

TEST_F(Win32SettingsTest, DeleteRemovesAKeyWithItsSubkeys) {
  store_.WriteNumber("KEY_CURRENT_USER\\Software\\PlumoSettingsTest\\Tree\\A\\B\\v", 1);
  EXPECT_EQ(store_.Probe("HKEY_CURRENT_USER\\Software\\PlumoSettingsTest\\Tree\\"), 1u);
  EXPECT_EQ(store_.Delete("HKEY_CURRENT_USER\\Software\\PlumoSettingsTest\\Tree"), 1);
  EXPECT_EQ(store_.Probe("HKEY_CURRENT_USER\\Software\\PlumoSettingsTest\\Tree\\"), 0u);
}

}  // namespace
}  // namespace plumo
