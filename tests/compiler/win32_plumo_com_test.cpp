// Plumo.com as a process: what it prints on standard output and its exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "compiler/program_image.h"
#include "fakes/win32_built_program.h"
#include "fakes/win32_run_program.h"
#include "scripts/packed.h"

namespace plumo {
namespace {

std::string PlumoCom() { return BuiltProgramPath("Plumo.com"); }

using Outcome = ProgramOutcome;

Outcome RunPlumoCom(const std::string& args, const std::string& program = PlumoCom()) {
  return RunProgram("\"" + program + "\" " + args);
}

std::string WriteScript(const std::string& name, const std::string& steps) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "plumo com test\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string path = folder + name;
  std::ofstream(path, std::ios::binary) << "<Plumo>\r\n" << steps << "</Plumo>";
  return path;
}

TEST(PlumoCom, PrintsTheHelpAndExitsWith0WithoutAScript) {
  Outcome none = RunPlumoCom("");
  ASSERT_TRUE(none.started) << PlumoCom();
  EXPECT_EQ(none.exitCode, 0u);
  EXPECT_EQ(Lf(none.out).rfind("Missing command line parameters\n\n\nCOMPILE OPTIONS:\n", 0), 0u) << none.out;
  EXPECT_NE(Lf(none.out).find("/WIN32 /z /v 2.5.1\n"), std::string::npos) << none.out;

  Outcome asked = RunPlumoCom("/?");
  EXPECT_EQ(asked.exitCode, 0u);
  EXPECT_EQ(Lf(asked.out).rfind("\nCOMPILE OPTIONS:\n", 0), 0u) << asked.out;

  Outcome options = RunPlumoCom("-o x.exe /z");
  EXPECT_EQ(options.exitCode, 0u);
  EXPECT_EQ(Lf(options.out).rfind("Missing command line parameters\n", 0), 0u) << options.out;
}

TEST(PlumoCom, ExitsWith0WhenTheScriptCannotBeOpened) {
  Outcome o = RunPlumoCom("-c C:\\nowhere\\missing.vxm");
  EXPECT_EQ(o.exitCode, 0u);
  EXPECT_EQ(Lf(o.out), "Unable to open file 'C:\\nowhere\\missing.vxm'\n\nFile does not exist\n");
}

TEST(PlumoCom, HandsALoadedScriptToTheBuilderAndExitsWith1) {
  const std::string comments = WriteScript("only comments.vxm",
                                           "<step>\r\n\t<action>Comment</action>\r\n\t<text>x</text>\r\n</step>\r\n");
  Outcome o = RunPlumoCom("/C \"" + comments + "\" -q");
  EXPECT_EQ(o.exitCode, 1u);
  EXPECT_EQ(Lf(o.out), "Nothing to compile\n");
  EXPECT_EQ(GetFileAttributesA((comments.substr(0, comments.size() - 4) + ".exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(PlumoCom, NeedsItsRuntimeLibrary) {
  const std::string script = WriteScript("lonely.vxm", "<step>\r\n\t<action>Delay</action>\r\n\t<text>10</text>\r\n</step>\r\n");
  const std::string alone = script.substr(0, script.find_last_of('\\') + 1) + "Alone.com";
  ASSERT_TRUE(CopyFileA(PlumoCom().c_str(), alone.c_str(), FALSE));
  Outcome o = RunPlumoCom("-c \"" + script + "\"", alone);
  DeleteFileA(alone.c_str());
  EXPECT_EQ(o.exitCode, 1u);
  EXPECT_EQ(Lf(o.out), "Unable to find required system file for compile.\n\nPlease re-install the application.\n");
  EXPECT_EQ(GetFileAttributesA((script.substr(0, script.size() - 4) + ".exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t Le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

// A resource of a program file, read through the system's loader.
std::optional<std::string> ResourceOf(const std::string& file, LPCSTR type, LPCSTR name) {
  HMODULE m = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return std::nullopt;
  std::optional<std::string> bytes;
  if (HRSRC r = FindResourceA(m, name, type))
    if (const void* p = LockResource(LoadResource(m, r))) bytes.emplace(static_cast<const char*>(p), SizeofResource(m, r));
  FreeLibrary(m);
  return bytes;
}

std::string VersionString(const std::string& file, const char* query) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  std::string info(size, '\0');
  if (!size || !GetFileVersionInfoA(file.c_str(), 0, size, info.data())) return "(no version information)";
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), query, &value, &length)) return "(no " + std::string(query) + ")";
  if (std::string(query) == "\\") {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
  }
  return std::string(static_cast<const char*>(value));
}

// Plumo.com beside a stand-in runtime library whose every image is Plumo.com itself: the
// builder's work on real files and real resources, whatever the runtime images do.
class PlumoComBuilds : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "plumo builds\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    compiler_ = folder_ + "Plumo.com";
    const std::string library = folder_ + "PlumoRes.DLL";
    ASSERT_TRUE(CopyFileA(PlumoCom().c_str(), compiler_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(TestFilePath("smoke_target.exe").c_str(), library.c_str(), FALSE));
    const std::string program = ReadAll(PlumoCom());
    ASSERT_EQ(Le32(program, 0x3C), kDosHeaderSize) << "the runtime images rely on a 128-byte DOS header";
    const auto packed = Pack(std::string_view(program).substr(kDosHeaderSize));
    ASSERT_TRUE(packed);
    HANDLE update = BeginUpdateResourceA(library.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    for (int id = 1002; id <= 1010; ++id)
      UpdateResourceA(update, RT_RCDATA, MAKEINTRESOURCEA(id), 0x409, const_cast<char*>(packed->data()),
                      static_cast<DWORD>(packed->size()));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
  }

  Outcome Compile(const std::string& args) { return RunPlumoCom(args, compiler_); }
  static std::string Path(const std::string& name) { return folder_ + name; }
  static std::string Steps(const std::string& action, const std::string& text, const std::string& value1 = "") {
    std::string step = "<step>\r\n\t<action>" + action + "</action>\r\n\t<text>" + text + "</text>\r\n";
    if (!value1.empty()) step += "\t<value1>" + value1 + "</value1>\r\n";
    return step + "</step>\r\n";
  }
  static std::string ScriptFile(const std::string& name, const std::string& steps) {
    std::ofstream(Path(name), std::ios::binary) << "<Plumo>\r\n" << steps << "</Plumo>";
    return Path(name);
  }
  static std::string CompiledScript(const std::string& file) {
    const auto block = ResourceOf(file, RT_RCDATA, MAKEINTRESOURCEA(9002));
    return block ? Unpack(*block).value_or("(damaged)") : "(none)";
  }

  static std::string folder_;
  static std::string compiler_;
};
std::string PlumoComBuilds::folder_;
std::string PlumoComBuilds::compiler_;

TEST_F(PlumoComBuilds, AWindowsProgramWithVersionIconAndSingleInstance) {
  const std::string script = ScriptFile("full.vxm", Steps("Delay", "10") + Steps("Set Variable", "%x%"));
  const std::string icon = Path("app.ico");
  ASSERT_TRUE(CopyFileA(TestFilePath("plumo.ico").c_str(), icon.c_str(), FALSE));
  Outcome o = Compile("-c \"" + script + "\" -o \"" + Path("full.exe") + "\" -v 2.5.1 -y \"(c) Test\" -d Demo -s -i \"" +
                      icon + "\"");
  EXPECT_EQ(o.exitCode, 1u);
  EXPECT_NE(Lf(o.out).find("\n    Single Instance:    Yes\n"), std::string::npos) << o.out;
  EXPECT_NE(Lf(o.out).find("Successfully created [" + Path("full.exe") + "]\n \n"), std::string::npos) << o.out;

  const std::string program = ReadAll(Path("full.exe"));
  ASSERT_GT(program.size(), kDosHeaderSize);
  EXPECT_EQ(program.substr(Le32(program, 0x3C), 4), std::string("PE\0\0", 4));
  EXPECT_NE(program.find("1_1002_"), std::string::npos);
  EXPECT_EQ(VersionString(Path("full.exe"), "\\"), "2.5.1.0");
  EXPECT_EQ(VersionString(Path("full.exe"), "\\StringFileInfo\\040904e4\\Copyright"), "(c) Test");
  EXPECT_EQ(VersionString(Path("full.exe"), "\\StringFileInfo\\040904e4\\Description"), "Demo");
  const std::string text = CompiledScript(Path("full.exe"));
  EXPECT_EQ(text.rfind("<Plumo>\r\n<step>", 0), 0u) << text;
  EXPECT_NE(text.find("<action>Set Variable</action>"), std::string::npos) << text;

  const auto group = ResourceOf(Path("full.exe"), RT_GROUP_ICON, MAKEINTRESOURCEA(1));
  ASSERT_TRUE(group);
  const std::string ico = ReadAll(icon);
  EXPECT_EQ(group->substr(0, 6), ico.substr(0, 6));
  EXPECT_TRUE(ResourceOf(Path("full.exe"), RT_ICON, MAKEINTRESOURCEA(2)));

  // The studio's Open reads the Script back out of the program.
  Outcome again = Compile("-c \"" + Path("full.exe") + "\" -o \"" + Path("again.exe") + "\" -q");
  EXPECT_EQ(again.exitCode, 1u) << again.out;
  EXPECT_EQ(again.out, "");
  EXPECT_EQ(CompiledScript(Path("again.exe")), text);
}

TEST_F(PlumoComBuilds, TheIconOfAnotherProgram) {
  const std::string script = ScriptFile("icon.vxm", Steps("Delay", "10"));
  Outcome o = Compile("-c \"" + script + "\" -q -i \"" + BuiltProgramPath("Plumo.exe") + "\"");
  EXPECT_EQ(o.exitCode, 1u);
  EXPECT_EQ(o.out, "");
  const auto group = ResourceOf(Path("icon.exe"), RT_GROUP_ICON, MAKEINTRESOURCEA(1000));
  ASSERT_TRUE(group);
  EXPECT_EQ(*group, *ResourceOf(BuiltProgramPath("Plumo.exe"), RT_GROUP_ICON, MAKEINTRESOURCEA(1000)));
}

TEST_F(PlumoComBuilds, AnEncryptedProgramCannotBeOpenedAgain) {
  const std::string script = ScriptFile("secret.vxm", Steps("Delay", "10"));
  Outcome o = Compile("-c \"" + script + "\" -e");
  EXPECT_EQ(o.exitCode, 1u);
  EXPECT_NE(Lf(o.out).find("\nEncrypting...\n"), std::string::npos) << o.out;
  EXPECT_EQ(CompiledScript(Path("secret.exe")), "(none)");
  const std::string program = ReadAll(Path("secret.exe"));
  const uint32_t length = Le32(program, program.size() - 4);
  ASSERT_LT(length, program.size());
  std::string block = program.substr(program.size() - 4 - length, length);
  Scramble(block);
  EXPECT_NE(Unpack(block).value_or("").find("<action>Delay</action>"), std::string::npos);

  Outcome open = Compile("-c \"" + Path("secret.exe") + "\"");
  EXPECT_EQ(open.exitCode, 0u);
  EXPECT_EQ(Lf(open.out), "Unable to read \"" + Path("secret.exe") + "\"\n");
}

TEST_F(PlumoComBuilds, ADllIsNeitherMarkedNorEncryptedAndTellsHowToCallIt) {
  const std::string script = ScriptFile("lib.vxm", Steps("Delay", "10"));
  Outcome o = Compile("-c \"" + script + "\" /DLL -e -s -z");
  EXPECT_EQ(o.exitCode, 1u);
  EXPECT_NE(Lf(o.out).find("Successfully created [" + Path("lib.dll") + "]\n \nThe DLL function to call is:\n\n"
                           "\tRunScript ( 1, \"text\" )\n"),
            std::string::npos)
      << o.out;
  EXPECT_EQ(Lf(o.out).find("Compressing..."), std::string::npos);
  EXPECT_NE(CompiledScript(Path("lib.dll")).find("<action>Delay</action>"), std::string::npos);
  EXPECT_NE(ReadAll(Path("lib.dll")).find("~BUFFER~7.76"), std::string::npos);
}

TEST_F(PlumoComBuilds, AOneMessageConsoleProgramIsADosProgram) {
  const std::string script = ScriptFile("hello.vxm", Steps("Display Message", "Hello"));
  Outcome o = Compile("-c \"" + script + "\" /CONSOLE");
  EXPECT_EQ(o.exitCode, 1u);
  EXPECT_NE(Lf(o.out).find("Successfully created 16-bit mode [" + Path("hello.com") + "]\nFile Size: 16 bytes\n"),
            std::string::npos)
      << o.out;
  EXPECT_EQ(ReadAll(Path("hello.com")), std::string("\xB4\x09\xBA\x0A\x01\xCD\x21\xCD\x20\x90", 10) + "Hello$");
}

TEST_F(PlumoComBuilds, PackagedFilesAreEmbeddedOnce) {
  std::ofstream(Path("in.txt"), std::ios::binary) << "packaged data";
  const std::string script =
      ScriptFile("pack.vxm", Steps("Read File", "", Path("in.txt")) + Steps("Copy File", "", Path("in.txt")));
  Outcome o = Compile("-c \"" + script + "\" -pd");
  EXPECT_EQ(o.exitCode, 1u);
  EXPECT_NE(Lf(o.out).find("Packaging External Files...\n    Embedded 1 external file\n"
                           "    Embedded 1 external file as linked reference\n"
                           "    Total Embedded Package Size: 0k\n"),
            std::string::npos)
      << o.out;
  EXPECT_EQ(ResourceOf(Path("pack.exe"), RT_RCDATA, MAKEINTRESOURCEA(2000)).value_or(""), "packaged data");
  const std::string text = CompiledScript(Path("pack.exe"));
  EXPECT_EQ(std::count(text.begin(), text.end() - 1, '\0'), 0);
  size_t first = text.find("<embedded_ID_1>2000</embedded_ID_1>");
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_NE(text.find("<embedded_ID_1>2000</embedded_ID_1>", first + 1), std::string::npos) << text;
}

TEST_F(PlumoComBuilds, BadInputGivesTheUsersMessageAndLeavesNoOutput) {
  const std::string script = ScriptFile("bad.vxm", Steps("Delay", "10"));
  std::ofstream(Path("not.ico"), std::ios::binary) << "not an icon at all";
  Outcome icon = Compile("-c \"" + script + "\" -q -i \"" + Path("not.ico") + "\"");
  EXPECT_EQ(Lf(icon.out), "Error compiling icon from '" + Path("not.ico") + "'\n\nThe file is not an icon file.\n");
  EXPECT_EQ(GetFileAttributesA(Path("bad.exe").c_str()), INVALID_FILE_ATTRIBUTES);

  Outcome folder = Compile("-c \"" + script + "\" -q -o \"" + Path("no such folder\\bad.exe") + "\"");
  EXPECT_EQ(Lf(folder.out).rfind("Unable to create EXE output.  \n\nError Message: \"", 0), 0u) << folder.out;
  EXPECT_EQ(GetFileAttributesA(Path("no such folder\\bad.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace plumo
