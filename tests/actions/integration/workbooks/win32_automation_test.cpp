// The automation bridge against a real automation object of the system: Scripting.Dictionary
// (scrrun), reached by program id and late bound by name as Excel is.
#include <gtest/gtest.h>

#include "platform/win32/win32_automation.h"

namespace plumo {
namespace {

TEST(Win32Automation, CallsPropertiesAndArraysOfARealObject) {
  Win32Automation automation;
  OsError e;
  AutoObjectPtr dictionary = automation.Create("Scripting.Dictionary", &e);
  ASSERT_TRUE(dictionary) << e.ToString();
  AutoValue ignored, value;
  ASSERT_TRUE(dictionary->Get("Add", {AutoValue::Text("k\xE9y"), AutoValue::Number(2.5)}, &ignored));
  ASSERT_TRUE(dictionary->Get("Add", {AutoValue::Text("flag"), AutoValue::Bool(true)}, &ignored));
  ASSERT_TRUE(dictionary->Put("Item", {AutoValue::Text("flag")}, AutoValue::Text("changed")));
  ASSERT_TRUE(dictionary->Get("Item", {AutoValue::Text("k\xE9y")}, &value));
  EXPECT_EQ(value.kind, AutoValue::Kind::kNumber);
  EXPECT_EQ(value.number, 2.5);
  ASSERT_TRUE(dictionary->Get("Count", {}, &value));
  EXPECT_EQ(value.number, 2);
  ASSERT_TRUE(dictionary->Get("Items", {}, &value));
  ASSERT_EQ(value.kind, AutoValue::Kind::kArray);
  ASSERT_EQ(value.items.size(), 2u);
  EXPECT_EQ(value.items[1].text, "changed");
  ASSERT_TRUE(dictionary->Get("Keys", {}, &value));
  EXPECT_EQ(value.items[0].text, "k\xE9y");

  OsError missing = dictionary->Get("NoSuchMember", {}, &value);
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.message(), "The object has no \"NoSuchMember\"");
  EXPECT_FALSE(dictionary->Get("Add", {AutoValue::Text("flag"), AutoValue::Number(1)}, &ignored));  // a key twice

  EXPECT_FALSE(automation.Create("Excel.Application", &e));
  EXPECT_EQ(e.message(), "\"Excel.Application\" is not installed");
}

}  // namespace
}  // namespace plumo
