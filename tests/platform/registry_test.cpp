#include <gmock/gmock.h>

#include "platform/memory/memory_registry.h"
#include "platform/port_conformance.h"

namespace plumo {
namespace {

using testing::UnorderedElementsAre;

const RegRoot kUser = RegRoot::kCurrentUser;

TEST_P(RegistryConformance, ValuesOfEveryKindReadBackByteForByte) {
  const std::string key = kBase + "\\Kinds";
  struct Case {
    const char* name;
    RegValue value;
  } cases[] = {
      {"text", RegValue::Text("Hello World")},
      {"empty", RegValue::Text("")},
      {"number", RegValue::Number(0xDEADBEEFu)},
      {"binary", RegValue::Binary(std::string("a\0b\0\xff", 5))},
      {"lines", RegValue::Text(std::string("one\0two", 7), RegKind::kMultiString)},
      {"long", RegValue::Text(std::string(100000, 'x'))},
  };
  for (const auto& c : cases) ASSERT_TRUE(reg_->WriteValue(kUser, key, c.name, c.value).ok()) << c.name;
  for (const auto& c : cases) {
    RegValue got = Read(key, c.name);
    EXPECT_EQ(got.kind, c.value.kind) << c.name;
    EXPECT_EQ(got.data, c.value.data) << c.name;
  }
  EXPECT_EQ(Read(key, "number").AsNumber(), 0xDEADBEEFu);
  EXPECT_EQ(Read(key, "text").AsText(), "Hello World");
}

TEST_P(RegistryConformance, OverwritingAValueChangesItsKind) {
  const std::string key = kBase + "\\Over";
  ASSERT_TRUE(reg_->WriteValue(kUser, key, "v", RegValue::Text("abc")).ok());
  ASSERT_TRUE(reg_->WriteValue(kUser, key, "V", RegValue::Number(7)).ok());
  RegValue got = Read(key, "v");
  EXPECT_EQ(got.kind, RegKind::kNumber);
  EXPECT_EQ(got.AsNumber(), 7u);
  std::vector<std::string> names;
  ASSERT_TRUE(reg_->ListValues(kUser, key, &names).ok());
  EXPECT_EQ(names.size(), 1u);
}

TEST_P(RegistryConformance, NamesAndKeysIgnoreCase) {
  ASSERT_TRUE(reg_->WriteValue(kUser, kBase + "\\MixedCase", "InterStepDelay", RegValue::Number(5)).ok());
  EXPECT_EQ(Read(kBase + "\\MIXEDCASE", "interstepdelay").AsNumber(), 5u);
  EXPECT_TRUE(reg_->KeyExists(kUser, kBase + "\\mixedcase"));
}

TEST_P(RegistryConformance, MissingKeysAndValuesReportFileNotFound) {
  RegValue v;
  EXPECT_EQ(reg_->ReadValue(kUser, kBase + "\\Nope", "x", &v).code(), oscode::kFileNotFound);
  ASSERT_TRUE(reg_->CreateKey(kUser, kBase + "\\Empty").ok());
  EXPECT_EQ(reg_->ReadValue(kUser, kBase + "\\Empty", "x", &v).code(), oscode::kFileNotFound);
  EXPECT_EQ(reg_->DeleteValue(kUser, kBase + "\\Empty", "x").code(), oscode::kFileNotFound);
  std::vector<std::string> names{"stale"};
  EXPECT_FALSE(reg_->ListValues(kUser, kBase + "\\Nope", &names).ok());
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(reg_->KeyExists(kUser, kBase + "\\Nope"));
}

TEST_P(RegistryConformance, DeletingAKeyRemovesItsWholeTree) {
  ASSERT_TRUE(reg_->WriteValue(kUser, kBase + "\\Tree\\A\\Deep", "v", RegValue::Number(1)).ok());
  ASSERT_TRUE(reg_->WriteValue(kUser, kBase + "\\Tree\\B", "v", RegValue::Number(2)).ok());
  ASSERT_TRUE(reg_->WriteValue(kUser, kBase + "\\Keep", "v", RegValue::Number(3)).ok());
  std::vector<std::string> subkeys;
  ASSERT_TRUE(reg_->ListSubkeys(kUser, kBase + "\\Tree", &subkeys).ok());
  EXPECT_THAT(subkeys, UnorderedElementsAre("A", "B"));

  ASSERT_TRUE(reg_->DeleteKeyTree(kUser, kBase + "\\Tree").ok());
  EXPECT_FALSE(reg_->KeyExists(kUser, kBase + "\\Tree"));
  EXPECT_FALSE(reg_->KeyExists(kUser, kBase + "\\Tree\\A\\Deep"));
  EXPECT_EQ(Read(kBase + "\\Keep", "v").AsNumber(), 3u);
  EXPECT_EQ(reg_->DeleteKeyTree(kUser, kBase + "\\Tree").code(), oscode::kFileNotFound);
}

// Windows lists values in the order written, Wine sorted by name: callers may rely on neither.
TEST_P(RegistryConformance, DeletedValuesLeaveTheListing) {
  const std::string key = kBase + "\\Order";
  for (const char* n : {"zeta", "alpha", "mid"})
    ASSERT_TRUE(reg_->WriteValue(kUser, key, n, RegValue::Text(n)).ok());
  ASSERT_TRUE(reg_->DeleteValue(kUser, key, "ALPHA").ok());
  std::vector<std::string> names;
  ASSERT_TRUE(reg_->ListValues(kUser, key, &names).ok());
  EXPECT_THAT(names, UnorderedElementsAre("zeta", "mid"));
}

TEST_P(RegistryConformance, EveryChangeUnderTheKeyMovesTheChangeStampAndNothingElseDoes) {
  const std::string key = kBase + "\\Stamp";
  ASSERT_TRUE(reg_->CreateKey(kUser, key).ok());
  uint64_t before = reg_->ChangeStamp(kUser, key);
  EXPECT_EQ(reg_->ChangeStamp(kUser, key), before);
  ASSERT_TRUE(reg_->WriteValue(kUser, key, "v", RegValue::Number(1)).ok());
  uint64_t written = reg_->ChangeStamp(kUser, key);
  EXPECT_NE(written, before);
  EXPECT_EQ(reg_->ChangeStamp(kUser, key), written);
  ASSERT_TRUE(reg_->WriteValue(kUser, key + "\\Sub", "w", RegValue::Number(1)).ok());
  uint64_t sub = reg_->ChangeStamp(kUser, key);
  EXPECT_NE(sub, written);
  ASSERT_TRUE(reg_->DeleteValue(kUser, key, "v").ok());
  uint64_t deleted = reg_->ChangeStamp(kUser, key);
  EXPECT_NE(deleted, sub);
  ASSERT_TRUE(reg_->DeleteKeyTree(kUser, key).ok());
  EXPECT_NE(reg_->ChangeStamp(kUser, key), deleted);
}

TEST_P(RegistryConformance, RootsAreSeparate) {
  ASSERT_TRUE(reg_->WriteValue(kUser, kBase, "only-user", RegValue::Number(1)).ok());
  RegValue v;
  EXPECT_FALSE(reg_->ReadValue(RegRoot::kClassesRoot, kBase, "only-user", &v).ok());
}

INSTANTIATE_TEST_SUITE_P(Memory, RegistryConformance,
                         testing::Values(PortFactory<Registry>{
                             "Memory", [] { return std::make_unique<MemoryRegistry>(); }}),
                         PortName<Registry>);

TEST(RegValue, ConversionsMatchTheWin32Layout) {
  EXPECT_EQ(RegValue::Number(0x01020304u).data, std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(RegValue::Text("ab").data, std::string("ab\0", 3));
  EXPECT_EQ(RegValue::Text("ab", RegKind::kMultiString).data, std::string("ab\0\0", 4));
  EXPECT_EQ(RegValue::Binary(std::string("\x05", 1)).AsNumber(), 5u);  // short data: zero-filled
  EXPECT_EQ(RegValue::Text(std::string("x\0y", 3)).AsText(), std::string("x\0y", 3));
}

}  // namespace
}  // namespace plumo

namespace plumo {
namespace {

TEST(MemoryRegistry, ASizeLimitRefusesLongerValuesOnly) {
  MemoryRegistry reg;
  reg.SetValueSizeLimit(16);
  EXPECT_TRUE(reg.WriteValue(kUser, "K", "fits", RegValue::Binary(std::string(16, 'a'))).ok());
  OsError e = reg.WriteValue(kUser, "K", "long", RegValue::Binary(std::string(17, 'a')));
  EXPECT_FALSE(e.ok());
  RegValue v;
  EXPECT_EQ(reg.ReadValue(kUser, "K", "long", &v).code(), oscode::kFileNotFound);
  reg.SetValueSizeLimit(0);
  EXPECT_TRUE(reg.WriteValue(kUser, "K", "long", RegValue::Binary(std::string(17, 'a'))).ok());
}

}  // namespace
}  // namespace plumo
