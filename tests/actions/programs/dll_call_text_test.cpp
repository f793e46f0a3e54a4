#include "actions/programs/dll_call_text.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace plumo {
namespace {

DllArgumentHost TestHost() {
  DllArgumentHost host;
  host.variable = [](std::string_view name) { return EqualsNoCase(name, "v") ? std::string("hello") : std::string("42"); };
  host.expand = [](std::string_view text) {
    std::string out(text);
    ReplaceAllNoCase(out, "%x", "640");
    return out;
  };
  host.evaluate = [](std::string_view e) {
    // The few expressions of the table.
    if (e == "(1+2)*3") return std::string("9");
    if (e == "640+100") return std::string("740");
    if (e == "-5") return std::string("-5");
    return "?" + std::string(e);
  };
  host.constant = [](std::string_view name) {
    if (name == "MB_OK|MB_ICONSTOP") return std::string("16");
    if (name == "SM_CXSCREEN") return std::string("0");
    return std::string(name);
  };
  return host;
}

// Each argument as text, "#" before the numeric ones and "name=" before those naming a variable.
std::string Shown(const DllCallText& call) {
  std::string out = call.function + "(";
  for (const DllArgument& a : call.arguments) {
    if (out.back() != '(') out += "|";
    if (!a.variable.empty()) out += a.variable + "=";
    out += (a.numeric ? "#" : "") + a.text;
  }
  return out + ")";
}

TEST(DllCallText, ReadsNameAndArgumentsOfEachShape) {
  struct {
    const char *text, *shown;
  } cases[] = {
      {"MessageBox( NULL, \"Message\", \"Title\", MB_OK|MB_ICONSTOP )", "MessageBox(#0|Message|Title|#16)"},
      {"GetSystemMetrics( SM_CXSCREEN );", "GetSystemMetrics(#0)"},
      {"Foo( \"a, b\", 'c,d' )", "Foo(a, b|c,d)"},
      {"Foo( (1+2)*3, 4 )", "Foo(#9|#4)"},
      {"SetCursorPos( %x+100, -5 )", "SetCursorPos(#740|#-5)"},
      {"%r = lstrlen( \"abc\" )", "lstrlen(abc)"},
      {"  \r\n Foo  ( VOID )", "Foo()"},
      {"GetTickCount()", "GetTickCount()"},
      {"GetTickCount", "GetTickCount()"},
      {"Foo( %v, %n )", "Foo(v=hello|n=#42)"},
      {"Foo( 12_3, WM_CLOSE )", "Foo(#12_3|#WM_CLOSE)"},
      {"Foo( \"abc, 1 )", "Foo(#\"abc, 1)"},
      {"Foo( 1, , 2 )", "Foo(#1|#|#2)"},
  };
  for (auto c : cases) EXPECT_EQ(Shown(ParseDllCall(c.text, TestHost())), c.shown) << c.text;
}

TEST(DllCallText, KeepsTwelveSlotsButCountsEveryArgument) {
  const DllCallText call = ParseDllCall("F(1,2,3,4,5,6,7,8,9,10,11,12,13)", TestHost());
  EXPECT_EQ(call.count, 13u);
  EXPECT_EQ(call.arguments.size(), kDllArgumentSlots);
}

TEST(DllCallText, BoundsLongNamesAndArguments) {
  const std::string name(200, 'n');
  EXPECT_EQ(ParseDllCall(name + "()", TestHost()).function.size(), kDllFunctionNameWidth);
  const std::string big(kDllArgumentWidth + 5000, 'x');
  const DllCallText call = ParseDllCall("F( \"" + big + "\" )", TestHost());
  ASSERT_EQ(call.arguments.size(), 1u);
  EXPECT_LE(call.arguments[0].text.size(), kDllArgumentWidth);
}

TEST(DllCallText, NumbersBecomeMachineWords) {
  EXPECT_EQ(DllNumber("42"), 42u);
  EXPECT_EQ(DllNumber(" -1 "), UINT64_MAX);
  EXPECT_EQ(DllNumber("7.9"), 7u);
  EXPECT_EQ(DllNumber("1.5e300"), 0u);
  EXPECT_EQ(DllNumber(""), 0u);
}

}  // namespace
}  // namespace plumo
