// Expansion: the passes in their order, over fakes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "vars/variables_world.h"

namespace plumo {
namespace {

using testing::Contains;
using testing::HasSubstr;

struct Case {
  const char* text;
  const char* expected;
};

class ExpansionTest : public testing::Test {
 protected:
  void SetUp() override {
    w_.Set("a", "1");
    w_.Set("ab", "2");
    w_.Set("x", "4");
    w_.Set("i", "3");
    w_.Set("name", "World");
  }
  VariablesWorld w_;
};

TEST_F(ExpansionTest, ReferencesOfEveryEarlyPass) {
  w_.slots.Store(3, "slot three", 10);
  EXPECT_TRUE(w_.environment.Set("HOMEDRIVE", "C:").ok());
  w_.Set("list[3]", "third");
  w_.Set("parameter2", "p2");
  const Case cases[] = {
      {"plain text", "plain text"},
      {"100%%", "100%"},
      {"%%a", "%a"},
      {"%abc", "2c"},             // the longest existing name wins
      {"%zz stays", "%zz stays"},  // no name is a prefix of zz
      {"%a% and %name", "1% and World"},
      {"%HOMEDRIVE%\\x", "C:\\x"},
      {"{3}!", "slot three!"},
      {"{4}", "{4}"},  // a slot without a buffer
      {"%list[%i]", "third"},
      {"MB_YESNO", "4"},
      {"{HTTP_STATUS}", "200 OK"},
      {"a{\\t}b{\\r\\n}", "a\tb\r\n"},
      {"Hello %name, total %x items", "Hello World, total 4 items"},
  };
  for (const Case& c : cases) EXPECT_EQ(w_.X(c.text), c.expected) << c.text;
}

TEST_F(ExpansionTest, EnvironmentWinsOverAUserVariableOfTheSameName) {
  w_.Set("user", "from variable");
  EXPECT_EQ(w_.X("%user%"), "from variable%");
  EXPECT_TRUE(w_.environment.Set("user", "from environment").ok());
  EXPECT_EQ(w_.X("%user%"), "from environment");
}

TEST_F(ExpansionTest, AVariableThatNamesItselfIsInsertedOnce) {
  w_.Set("self", "%self");
  EXPECT_EQ(w_.X("%self"), "%self");
  w_.Set("p", "%q");
  w_.Set("q", "%p");
  EXPECT_EQ(w_.X("%p %q"), "%q %p");
}

TEST_F(ExpansionTest, ParametersHaveAPassOfTheirOwnBeyondTheScriptSlots) {
  w_.Set("parameter1", "first");
  EXPECT_EQ(w_.X("%parameter1"), "first");
  EXPECT_EQ(w_.expander.Expand("%parameter1 %a", 8, 0, 0, nullptr), "%parameter1 %a");
}

TEST_F(ExpansionTest, LoopCountersInEveryWidth) {
  w_.run.loop = 5;
  const Case cases[] = {
      {"{loop3}", "005"},        {"{loop}", "5"},         {"{LOOPS2}", "05"},    {"{loopcount12}", "000000000005"},
      {"{loop33}", "{loop33}"}, {"{loop0}", "{loop0}"},
      {"{loop03}", "{loop03}"}, {"{loopx}", "{loopx}"}, {"{loop1}{loop2}", "505"},
  };
  for (const Case& c : cases) EXPECT_EQ(w_.X(c.text), c.expected) << c.text;
  EXPECT_EQ(w_.X("{loop32}"), std::string(31, '0') + "5");
  w_.run.loop = 2.5f;
  EXPECT_EQ(w_.X("{loop} {loop2}"), "2.5 02");
}

TEST_F(ExpansionTest, BinaryCharactersAndTheirLength) {
  size_t length = 0;
  EXPECT_EQ(w_.expander.Expand("{\\41}{\\42}", 0, 0, 0, &length), "AB");
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(w_.expander.Expand("{\\00}", 0, 0, 0, &length), std::string(1, '\0'));
  EXPECT_EQ(length, 1u);
  EXPECT_EQ(w_.expander.Expand("{\\ff}{\\Zz}", 0, 0, 0, &length), "\xFF{\\Zz}");
  EXPECT_EQ(w_.expander.Expand("{\\41}{\\00}", 0, 0, expansion::kKeepBinary, &length), "{\\41}{\\00}");
  EXPECT_EQ(length, 10u);
}

TEST_F(ExpansionTest, FormulasAfterTheVariables) {
  w_.Set("word", "abc");
  const Case cases[] = {
      {"=1+2", "3"},
      {"=%x*2", "8"},
      {"  =%x*%x", "16"},
      {"=LEN(%word)", "3"},
      {"=SUM(1,2)", "=SUM(1,2)"},
      {"=SUM(%x,2)", "=SUM(4,2)"},  // no formula, and no marks left behind
      {"=abc", "=abc"},
      {"=\"%x\" & \"b\"", "4b"},  // not marked inside quotes, but replaced
  };
  for (const Case& c : cases) EXPECT_EQ(w_.X(c.text), c.expected) << c.text;
}

TEST_F(ExpansionTest, FormulaLinesAtTheHighLogLevel) {
  w_.run.logLevel = 2;
  EXPECT_EQ(w_.X("=%x*2"), "8");
  EXPECT_THAT(w_.run.lines, Contains("    Pre-Formula:  =4*2"));
  EXPECT_THAT(w_.run.lines, Contains("    Post-Formula: 8"));
  w_.run.lines.clear();
  w_.run.logLevel = 1;
  w_.X("=1+1");
  EXPECT_TRUE(w_.run.lines.empty());
}

TEST_F(ExpansionTest, SingleExpansionLeavesSystemVariablesAndFormulas) {
  EXPECT_EQ(w_.X("{year} %x", expansion::kSingle), "{year} 4");
  EXPECT_EQ(w_.X("=%x*2", expansion::kSingle), "=4*2");
  EXPECT_EQ(w_.X("a{\\t}b", expansion::kSingle), "a{\\t}b");
  EXPECT_TRUE(w_.clipboard.SetText("clip").ok());
  EXPECT_EQ(w_.X("{CLIPBOARD}", expansion::kSingle), "clip");
  EXPECT_EQ(w_.X("%x {year}", expansion::kNone), "%x {year}");
}

TEST_F(ExpansionTest, StepFieldsOfTheCurrentTab) {
  Step& s = w_.StepAt(1);
  s.action = "Type";
  s.category = 3;
  s.image = 6;
  s.options = "Activate";
  s.output = "Variable";
  s.outputValue = "%out";
  s.onfail = "Ignore/Continue";
  s.runCount = 4;
  s.value3 = "third value";
  s.comment = std::string(300, 'c');
  const Case cases[] = {
      {"{step[2].action}", "Type"},
      {"{STEP[2].category}", "3"},
      {"{step[2].image}", "7"},
      {"{step[2].text}", "text of step 2"},
      {"{step[2].options}", "Activate"},
      {"{step[2].output_option}", "%out"},
      {"{step[2].output}", "Variable"},
      {"{step[2].fail_mode}", "Ignore/Continue"},
      {"{step[2].run_attempts}", "4"},
      {"{step[2].value3}", "third value"},
      {"{step[2].unknown}", ""},
      {"{step[99].text}", ""},
      {"{step[0].text}", ""},
      {"{step[-2].text}", "{step[-2].text}"},  // not shaped like a system variable
      {"{step[-2].text}{SPACE}", " "},
      {"{step[%i].text}", "text of step 3"},
      {"[{step[2].action}|{step[2].action}]", "[Type|Type]"},
  };
  for (const Case& c : cases) EXPECT_EQ(w_.X(c.text), c.expected) << c.text;
  EXPECT_EQ(w_.X("{step[2].comment}"), std::string(254, 'c'));
}

TEST_F(ExpansionTest, SystemVariablesFromOneReadingOfTheClock) {
  w_.locale.values().primaryLanguage = 7;
  w_.run.repeats = 42;
  EXPECT_TRUE(w_.environment.Set("PATH", "/usr/bin\\").ok());
  const Case cases[] = {
      {"{YEAR}-{year}-{year4}-{year2}-{year1}", "2026-2026-2026-26-6"},
      {"{month}/{month1}/{month_name}/{monthabbr}/{month_days}", "12/12/December/Dec/31"},
      {"{day}.{day1}.{dayofyear}.{weeknum}", "07.7.341.50"},
      {"{weekday}|{weekday_abbr}|{weekday1}|{weekday2}", "Monday|Mon|1|01"},
      {"{hour24}:{minute}:{second}.{millisecond} {hour2} {hour} {AMPM}", "10:30:15.250 10 10 AM"},
      {"{minute1}{second1}", "3015"},
      {"{TODAY} | {TIME} | {NOW}", "12/7/2026 | 10:30:15 AM | 12/7/2026 10:30:15 AM"},
      {"a{ENTER}b{newline}c{TAB}d{SPACE}e{r}{t}{n}{rn}{return}", "a\nb\r\nc\td e\r\t\n\r\n\r"},
      {"{currentstep}/{current_file}/{totalsteps}", "1/1/10"},
      {"{FILENAME}|{FILEBASENAME}|{FILEPATH}|{FILEEXT}", "C:\\Scripts\\demo.vxm|demo.vxm|C:\\Scripts|.vxm"},
      {"{LANGUAGE} {WINVER}", "German Windows 7"},
      {"{cmd}/{command_id}/{LOGFILE}", "Item B/1/C:\\Logs\\run.log"},
      {"{repeats5}|{repeatcount}|{repeats2}", "00042|42|42"},
      {"{memtotal} {memfree}", "4294967296 1073741824"},
      {"{mouse_x},{mouse_y} {screen_x}x{screen_y} {color_depth}", "640,480 1920x1080 32"},
      {"{monitors} {screen_x2}x{screen_y2}", "2 1280x1024"},
      {"{username}|{timezone}|{ticks}", "Tester|-1|1000"},
      {"{CURDIR}|{SYSDIR}|{WINDIR}", "C:\\Work|C:\\WINDOWS\\system32|C:\\WINDOWS"},
      {"{DESKTOP}|{Documents}|{AppData}|{STARTMENU}",
       "C:\\Users\\Test\\Desktop|C:\\Users\\Test\\Documents|C:\\Users\\Test\\AppData\\Roaming|C:\\Users\\Test\\Start Menu"},
      {"{PATH}|{PROGRAMFILES}", "/usr/bin|"},
      {"{tempdir}", "C:\\Temp\\"},
      {"{plumo_exe}|{Calvix_dir}|{Brenhold_ver}", "C:\\Program Files\\Plumo\\Plumo.exe|C:\\Program Files\\Plumo\\|7.76"},
      {"{plumo_hwnd} {plumo_output} {plumo_list} {plumo_status} {plumo_menu}", "1001 1002 1003 1004 1005"},
      {"{cmdline}", "\"C:\\Program Files\\Plumo\\Plumo.exe\" -r test.vxm"},
      {"{fail_step}", "0"},
      {"{unknown_thing} {year", "{unknown_thing} {year"},
  };
  for (const Case& c : cases) EXPECT_EQ(w_.X(c.text), c.expected) << c.text;
  w_.settings.WriteNumber("SOFTWARE\\Plumo\\FailStep", 7);
  EXPECT_EQ(w_.X("{failstep}"), "7");
}

TEST_F(ExpansionTest, WindowVariablesOfTheCurrentWindow) {
  w_.desktop.SetWindows({{77, "Editor"}});
  WindowFacts f;
  f.title = "Editor";
  f.className = "Notepad";
  f.controlId = 12;
  f.userData = 4000000000u;
  f.left = 10;
  f.top = 20;
  f.width = 300;
  f.height = 200;
  w_.desktop.facts[77] = f;
  // The foreground window becomes the current window at the first system variable.
  EXPECT_EQ(w_.X("{WINDOW}|{WIN_CLASS}|{WINID}|{HWND}"), "Editor|Notepad|12|77");
  EXPECT_EQ(w_.run.currentWindow, 77u);
  EXPECT_EQ(w_.X("{WIN_USERDATA}"), "4000000000");
  EXPECT_EQ(w_.X("{window_x},{window_y} {window_width}x{window_height}"), "11,21 300x200");
  w_.run.currentWindow = 5;  // gone
  w_.desktop.SetWindows({});
  EXPECT_EQ(w_.X("{window_x}|{WINDOW}|{window_width}"), "{window_x}||");
}

TEST_F(ExpansionTest, TheSystemVariablePassIsLoggedAtTheHighLevel) {
  w_.run.logLevel = 2;
  w_.X("at {year} now");
  EXPECT_THAT(w_.run.lines, Contains("    System Variables Processing Performed: \"{year} \"..."));
}

TEST_F(ExpansionTest, LoginPasswordIsUnscrambled) {
  EXPECT_EQ(UnscrambleLogin(ScrambleLogin("s3cret pass")), "s3cret pass");
  EXPECT_NE(ScrambleLogin("s3cret pass"), "s3cret pass");
  w_.Set("login_username", "maria");
  w_.Set("login_password", ScrambleLogin("s3cret"));
  EXPECT_EQ(w_.X("{login_name}:{login_password}"), "maria:s3cret");
}

TEST_F(ExpansionTest, ByteTwoFiftyFiveInAValueComesBackAsItself) {
  w_.Set("bin", "a\xFF" "b");
  size_t length = 0;
  EXPECT_EQ(w_.expander.Expand("%bin 100%%", 0, 0, 0, &length), "a\xFF" "b 100%");
  // Kept as a reference when binary characters stay, so that a stored value keeps it.
  EXPECT_EQ(w_.X("%bin", expansion::kKeepBinary), "a{\\FF}b");
}

TEST_F(ExpansionTest, TheTemporaryFileIsMadeOnceAndKept) {
  w_.environment.SetTempFolder("C:\\Temp\\");
  // A name someone else holds in the shared folder is passed over, never opened.
  const uint32_t seed = w_.clock.TickCount() & 0xFFFF;
  char taken[32];
  std::snprintf(taken, sizeof taken, "C:\\Temp\\plu%X.tmp", seed);
  w_.files.Put(taken, "someone else's");
  std::string first = w_.X("{tempfile}");
  ASSERT_EQ(first.rfind("C:\\Temp\\plu", 0), 0u) << first;
  EXPECT_NE(first, taken);
  EXPECT_EQ(w_.files.Content(first), "");
  EXPECT_EQ(w_.files.Content(taken), "someone else's");
  EXPECT_EQ(w_.X("{TEMPFILE}"), first);
  EXPECT_EQ(w_.X("{tempdir}"), "C:\\Temp\\");
}

TEST_F(ExpansionTest, ExpandIntoCutsToTheBuffer) {
  EXPECT_EQ(w_.expander.ExpandInto("%name and more", 0, 0, 6), "World");
  EXPECT_EQ(w_.expander.ExpandInto("%name", 0, 0, 0), "");
}

TEST_F(ExpansionTest, HugeAndHostileTextsEndWithoutHarm) {
  std::string percents(5000, '%');
  EXPECT_EQ(w_.X(percents), std::string(2500, '%'));
  std::string braces(100000, '{');
  EXPECT_EQ(w_.X(braces), braces);
  std::string mixed;
  for (int i = 0; i < 3000; ++i) mixed += "=%a[{step[%i" + std::to_string(i % 7);
  EXPECT_FALSE(w_.X(mixed).empty());
}

TEST(SystemVariableRules, WeekNumbersAndShape) {
  // 1 January 2026 is a Thursday; 2022 began on a Saturday.
  EXPECT_EQ(WeekNumber(2026, 1), 1);
  EXPECT_EQ(WeekNumber(2026, 341), 50);
  EXPECT_EQ(WeekNumber(2026, 365), 53);
  EXPECT_EQ(WeekNumber(2022, 1), 1);
  EXPECT_EQ(WeekNumber(2022, 10), 2);
  EXPECT_EQ(WeekNumber(2019, 365), 1);  // k = 52 with h = 1
  size_t first = 99;
  EXPECT_TRUE(HasSystemVariableShape("x {step[3].text}", &first));
  EXPECT_EQ(first, 2u);
  EXPECT_FALSE(HasSystemVariableShape("{\\41} {1} {a b}", nullptr));
  EXPECT_FALSE(HasSystemVariableShape("{" + std::string(32, 'a') + "}", nullptr));
  EXPECT_TRUE(HasSystemVariableShape("{" + std::string(31, 'a') + "}", nullptr));
  EXPECT_EQ(LanguageName(12), "French");
  EXPECT_EQ(LanguageName(9), "English");
  EXPECT_EQ(LanguageName(200), "English");
}

TEST(SystemVariableRules, PicturesOfDatesAndTimes) {
  SystemTime t{2026, 3, 2, 3, 0, 5, 9, 0};
  LocaleValues en = EnglishLocaleValues();
  EXPECT_EQ(FormatPicture("dddd, MMMM d, yyyy", t, en), "Tuesday, March 3, 2026");
  EXPECT_EQ(FormatPicture("dd.MM.yy ddd MMM", t, en), "03.03.26 Tue Mar");
  EXPECT_EQ(FormatPicture("h:mm:ss tt", t, en), "12:05:09 AM");
  EXPECT_EQ(FormatPicture("HH'h'mm 'o''clock'", t, en), "00h05 o'clock");
}

}  // namespace
}  // namespace plumo
