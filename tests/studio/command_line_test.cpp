#include "studio/command_line.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

TEST(FindSwitch, FindsWordsEitherWayAndReadsTheirValues) {
  const std::string far = std::string(300, 'a') + " -r  late.vxm";
  const std::string spaced = "-r" + std::string(300, ' ') + "file.vxm";
  struct Case {
    std::string line;
    const char* name;
    size_t width;
    int want;
    const char* value;
  } cases[] = {
      {"/R script.vxm", "-r", 260, 10, "script.vxm"},
      {"-r script.vxm", "-r", 260, 10, "script.vxm"},
      {"-r script.vxm", "/r", 260, 10, "script.vxm"},
      {"-rscript.vxm", "-r", 260, 0, ""},
      {"-run script.vxm", "-r", 260, 0, ""},
      {"x -R    script.vxm -L", "-r", 260, 10, "script.vxm"},
      {"-r \"C:\\My Files\\a.vxm\" -L", "-r", 260, 17, "C:\\My Files\\a.vxm"},
      {"-r 'a b.vxm\" -L", "-r", 260, 7, "a b.vxm"},  // either quote closes
      {"-r \"never closed", "-r", 260, 12, "never closed"},
      {"-r", "-r", 260, 1, ""},
      {"-r \"\" x", "-r", 260, 1, ""},
      {"-r abcdef", "-r", 4, 3, "abc"},
      {far, "-r", 260, 1, ""},      // beyond position 256 no spaces are skipped
      {spaced, "-r", 260, 1, ""},  // the skipping stops at position 256
      {"", "-r", 260, 0, ""},
  };
  for (const auto& c : cases) {
    std::string value = "stale";
    EXPECT_EQ(FindSwitch(c.line, c.name, &value, c.width), c.want) << c.line.substr(0, 40);
    if (c.want) {
      EXPECT_EQ(value, c.value) << c.line.substr(0, 40);
    }
  }
  EXPECT_EQ(FindSwitch("a -l b", "-L"), 1);
  EXPECT_EQ(FindSwitch("a /F", "-F"), 1);
  EXPECT_EQ(FindSwitch("a -Lx", "-L"), 0);
}

TEST(StartRequest, ModeAndFileFollowTheSwitchOrder) {
  struct Case {
    const char* line;
    int mode;
    const char* file;
  } cases[] = {
      {"-r script.vxm", 7, "script.vxm"},
      {"/R script.vxm", 7, "script.vxm"},
      {"/v script.vxm", 3, "script.vxm"},
      {"-e a.xml", 1, "a.xml"},
      {"-E A.VXM", 1, "A.VXM"},
      {"-r notes.txt", 0, ""},                      // no "xm": and it begins with '-'
      {"-r notes.txt -e b.vxm", 1, "b.vxm"},
      {"-v a.vxm -r b.vxm", 7, "b.vxm"},            // -r is tested first
      {"-r \"C:\\My Files\\a.vxm\"", 7, "C:\\My Files\\a.vxm"},
      {"C:\\a.vxm", 1, "C:\\a.vxm"},
      {"\"C:\\My Docs\\a.vxm\"", 1, "C:\\My Docs\\a.vxm"},
      {"notes.txt", 1, "notes.txt"},                // the bare rule does not ask for "xm"
      {"C:\\a.vxm %x=1", 0, ""},
      {"-x C:\\a.vxm", 0, ""},
      {"/x C:\\a.vxm", 0, ""},
      {"", 0, ""},
      {"   ", 0, ""},
  };
  for (const auto& c : cases) {
    StartRequest r = ParseStartRequest(c.line);
    EXPECT_EQ(r.mode, c.mode) << c.line;
    EXPECT_EQ(r.file, c.file) << c.line;
  }
}

TEST(StartRequest, StepLoggingAndConsoleSwitch) {
  struct Case {
    const char* line;
    int step;
    bool on, off, console;
  } cases[] = {
      {"-r a.vxm -s 5", 4, false, false, false},
      {"-r a.vxm -s 0", 0, false, false, false},
      {"-r a.vxm -s abc", 0, false, false, false},
      {"-r a.vxm /S 12 -L", 11, true, false, false},
      {"-L -F", 0, true, true, false},
      {"-c a.vxm", 0, false, false, true},
      {"x -C y", 0, false, false, true},
      {"-cx", 0, false, false, false},
  };
  for (const auto& c : cases) {
    StartRequest r = ParseStartRequest(c.line);
    EXPECT_EQ(r.startStep, c.step) << c.line;
    EXPECT_EQ(r.loggingOn, c.on) << c.line;
    EXPECT_EQ(r.loggingOff, c.off) << c.line;
    EXPECT_EQ(r.consoleSwitch, c.console) << c.line;
  }
}

TEST(StartRequest, HugeAndUnbalancedLinesAreHandled) {
  std::string huge = "-r xm" + std::string(100 * 1024, 'x') + ".vxm %v=" + std::string(1000, '"');
  StartRequest r = ParseStartRequest(huge);
  EXPECT_EQ(r.mode, 7);
  EXPECT_EQ(r.file.size(), kStartFileWidth - 1);
  auto vars = CommandLineVariables(huge);
  ASSERT_EQ(vars.size(), 1u);
  EXPECT_EQ(vars[0].second, std::string(998, '"'));
  EXPECT_EQ(ParseStartRequest("-r \"a.vxm").file, "a.vxm");
  EXPECT_EQ(ParseStartRequest("-r 'a.vxm").mode, 7);
}

TEST(CommandLineVariables, SplitsAtPercentAndUnquotes) {
  using Vars = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    std::string line;
    Vars want;
  } cases[] = {
      {"%a=1 %b='x y'", {{"a", "1"}, {"b", "x y"}}},
      {"-r f.vxm %msg=hello world", {{"msg", "hello world"}}},
      {"%a=\"1'", {{"a", "1"}}},                      // each quote on its own
      {"%a=\"", {{"a", ""}}},
      {"/v C:\\MyFile.vxm %foo=\"123\" /L", {{"foo", "123"}}},  // the help's own example
      {"%a=50%", {{"a", "50"}}},
      {"%a=1%%b=2", {{"a", "1"}}},                     // an empty field ends the list
      {"%noequals %b=2", {{"b", "2"}}},
      {"%=5 %c=3", {{"c", "3"}}},
      {"%a=x=y", {{"a", "x=y"}}},
      {"x=1", {}},
      {"%x", {}},
      {"%" + std::string(100, 'n') + "=v", {{std::string(63, 'n'), "v"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandLineVariables(c.line), c.want) << c.line;
}

TEST(CommandLineTexts, RefusalQuotesTheCommandLine) {
  EXPECT_EQ(ConsoleSwitchRefusal("-c x.vxm"),
            "The \"-c\" command line switch is only available from a console window when using \"Plumo.com\"\n\n"
            "Your Command Line:   [-c x.vxm]\n\n");
  EXPECT_EQ(std::string(kCommandLineHelp).substr(0, 22), "COMMAND LINE OPTIONS:\n");
}

}  // namespace
}  // namespace plumo
