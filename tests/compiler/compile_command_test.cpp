#include "compiler/compile_command.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

TEST(JoinArguments, QuotesOnlyArgumentsWithSpaces) {
  EXPECT_EQ(JoinArguments({}), "");
  EXPECT_EQ(JoinArguments({"-c", "a.vxm"}), "-c a.vxm");
  EXPECT_EQ(JoinArguments({"-c", "C:\\My Scripts\\a b.vxm", "/z"}), "-c \"C:\\My Scripts\\a b.vxm\" /z");
}

TEST(ReadScriptAndOutput, ReadsBothFormsAndDefaultsTheOutput) {
  struct Case {
    const char* line;
    bool hasScript;
    const char* script;
    const char* output;
  } cases[] = {
      {"-c a.vxm", true, "a.vxm", "a.exe"},
      {"/C a.vxm", true, "a.vxm", "a.exe"},
      {"-C a.b.vxm -o", true, "a.b.vxm", "a.b.exe"},
      {"-c C:\\x\\demo.vxm /o demo.com", true, "C:\\x\\demo.vxm", "demo.com"},
      {"-c \"C:\\My Scripts\\a b.vxm\"", true, "C:\\My Scripts\\a b.vxm", "C:\\My Scripts\\a b.exe"},
      {"-c noext", true, "noext", "noext.exe"},
      {"-compress a.vxm", false, "", ""},  // never the prefix of a longer word
      {"-ca.vxm", false, "", ""},
      {"", false, "", ""},
  };
  for (const auto& c : cases) {
    ScriptAndOutput r = ReadScriptAndOutput(c.line);
    EXPECT_EQ(r.hasScript, c.hasScript) << c.line;
    EXPECT_EQ(r.script, c.script) << c.line;
    EXPECT_EQ(r.output, c.output) << c.line;
  }
}

TEST(ReadScriptAndOutput, CutsPathsTo259Characters) {
  const std::string longName(400, 'n');
  ScriptAndOutput r = ReadScriptAndOutput("-c " + longName + " -o " + longName);
  EXPECT_EQ(r.script.size(), 259u);
  EXPECT_EQ(r.output.size(), 259u);
}

TEST(ReadBuildOptions, TakesLongFormsFirstAndShortFormsOtherwise) {
  struct Case {
    const char* line;
    BuildRequest want;
  };
  auto with = [](auto change) {
    BuildRequest r;
    change(r);
    return r;
  };
  const Case cases[] = {
      {"-c a.vxm", {}},
      {"-c a.vxm -icon x.ico -i y.ico", with([](BuildRequest& r) { r.icon = "x.ico"; })},
      {"-c a.vxm /I y.ico", with([](BuildRequest& r) { r.icon = "y.ico"; })},
      {"-c a.vxm -i y.ico -icon", with([](BuildRequest& r) { r.icon = "y.ico"; })},  // the long form gave nothing
      {"-c a.vxm -version 1.2 /v 3", with([](BuildRequest& r) { r.version = "1.2"; })},
      {"-c a.vxm /V 2.5.1", with([](BuildRequest& r) { r.version = "2.5.1"; })},
      {"-c a.vxm -y '(c) Me' -d \"My tool\"", with([](BuildRequest& r) {
         r.copyright = "(c) Me";
         r.description = "My tool";
       })},
      {"-c a.vxm -copyright A -description B", with([](BuildRequest& r) {
         r.copyright = "A";
         r.description = "B";
       })},
      {"-c a.vxm /z /S -E", with([](BuildRequest& r) {
         r.compress = r.singleInstance = r.encrypt = true;
       })},
      {"-c a.vxm -compress -single -encrypt", with([](BuildRequest& r) {
         r.compress = r.singleInstance = r.encrypt = true;
       })},
      {"-c a.vxm -pi", with([](BuildRequest& r) { r.packaging = packaging::kImageFiles; })},
      {"-c a.vxm -package_image /PD", with([](BuildRequest& r) { r.packaging = 3; })},
      {"-c a.vxm -package_data", with([](BuildRequest& r) { r.packaging = packaging::kDataFiles; })},
      {"-c a.vxm -package_i -package_d", {}},  // the help text's short words are not options
      {"-c a.vxm -Q", with([](BuildRequest& r) { r.quiet = true; })},
      {"-c a.vxm /q", with([](BuildRequest& r) { r.quiet = true; })},
      {"-c a.vxm -quiet", {}},
      {"-c a.vxm /CONSOLE", with([](BuildRequest& r) { r.platform = Platform::kConsole; })},
      {"-c a.vxm -console", with([](BuildRequest& r) { r.platform = Platform::kConsole; })},
      {"-c a.vxm /DLL", with([](BuildRequest& r) { r.platform = Platform::kDll; })},
      {"-c a.vxm /DLL /CONSOLE", with([](BuildRequest& r) { r.platform = Platform::kConsole; })},
      {"-c a.vxm /WIN32", {}},
  };
  for (const auto& c : cases) {
    BuildRequest r;
    r.output = "kept.exe";
    ReadBuildOptions(c.line, r);
    EXPECT_EQ(r.output, "kept.exe") << c.line;
    EXPECT_EQ(r.icon, c.want.icon) << c.line;
    EXPECT_EQ(r.version, c.want.version) << c.line;
    EXPECT_EQ(r.copyright, c.want.copyright) << c.line;
    EXPECT_EQ(r.description, c.want.description) << c.line;
    EXPECT_EQ(r.compress, c.want.compress) << c.line;
    EXPECT_EQ(r.singleInstance, c.want.singleInstance) << c.line;
    EXPECT_EQ(r.encrypt, c.want.encrypt) << c.line;
    EXPECT_EQ(r.packaging, c.want.packaging) << c.line;
    EXPECT_EQ(r.quiet, c.want.quiet) << c.line;
    EXPECT_EQ(r.platform, c.want.platform) << c.line;
  }
}

TEST(ReadBuildOptions, CutsTextsTo127Characters) {
  BuildRequest r;
  ReadBuildOptions("-c a.vxm -v " + std::string(200, '1') + " -d \"" + std::string(200, 'd') + "\"", r);
  EXPECT_EQ(r.version.size(), 127u);
  EXPECT_EQ(r.description.size(), 127u);
}

TEST(MissingScriptText, ComplainsUnlessAskedWithAQuestionMark) {
  const std::string help = std::string("\n") + kCompileHelp + "\n";
  EXPECT_EQ(MissingScriptText("-o x.exe"), "Missing command line parameters\n\n" + help);
  EXPECT_EQ(MissingScriptText(""), "Missing command line parameters\n\n" + help);
  EXPECT_EQ(MissingScriptText("/?"), help);
  EXPECT_EQ(MissingScriptText("what?"), help);
}

TEST(CompileHelp, EndsWithTheExamples) {
  const std::string help = kCompileHelp;
  EXPECT_EQ(help.rfind("COMPILE OPTIONS:\n----------------------\n", 0), 0u);
  EXPECT_NE(help.find("   Plumo -c script.vxm -icon C:\\Windows\\Notepad.exe\n"), std::string::npos);
  const std::string last = "\n   Plumo /c demo.vxm /o demo.exe /WIN32 /z /v 2.5.1";
  EXPECT_EQ(help.substr(help.size() - last.size()), last);
}

TEST(EquivalentCommandLine, ReadsBackAsTheSameRequest) {
  BuildRequest r;
  r.output = "C:\\Out Dir\\demo.com";
  r.icon = "C:\\Windows\\Notepad.exe";
  r.version = "2.5.1";
  r.description = "My tool";
  r.compress = r.encrypt = true;
  r.packaging = packaging::kImageFiles | packaging::kDataFiles;
  r.platform = Platform::kConsole;
  const std::string line = EquivalentCommandLine(r, "C:\\My Scripts\\demo.vxm");
  EXPECT_EQ(line,
            "Plumo /CONSOLE /z /pi /pd /e /c \"C:\\My Scripts\\demo.vxm\" /o \"C:\\Out Dir\\demo.com\""
            " /i C:\\Windows\\Notepad.exe /v \"2.5.1\" /d \"My tool\" /y \"\"");

  // Plumo.com reads the line back into the same request.
  const std::string args = line.substr(std::string("Plumo ").size());
  ScriptAndOutput named = ReadScriptAndOutput(args);
  EXPECT_EQ(named.script, "C:\\My Scripts\\demo.vxm");
  BuildRequest back;
  back.output = named.output;
  ReadBuildOptions(args, back);
  EXPECT_EQ(back.output, r.output);
  EXPECT_EQ(back.icon, r.icon);
  EXPECT_EQ(back.version, r.version);
  EXPECT_EQ(back.description, r.description);
  EXPECT_EQ(back.copyright, "");
  EXPECT_EQ(back.compress, r.compress);
  EXPECT_EQ(back.singleInstance, r.singleInstance);
  EXPECT_EQ(back.encrypt, r.encrypt);
  EXPECT_EQ(back.packaging, r.packaging);
  EXPECT_EQ(back.platform, r.platform);
}

TEST(EquivalentCommandLine, LeavesOutEmptyPaths) {
  BuildRequest r;
  r.output = "a.exe";
  EXPECT_EQ(EquivalentCommandLine(r, "a.vxm"), "Plumo /WIN32 /c a.vxm /o a.exe /v \"\" /d \"\" /y \"\"");
}

}  // namespace
}  // namespace plumo
