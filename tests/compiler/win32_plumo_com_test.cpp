// Plumo.com as a process: what it prints on standard output and its exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "fakes/win32_built_program.h"

namespace plumo {
namespace {

std::string PlumoCom() { return BuiltProgramPath("Plumo.com"); }

struct Outcome {
  bool started = false;
  DWORD exitCode = 12345;
  std::string out;
};

Outcome RunPlumoCom(const std::string& args, const std::string& program = PlumoCom()) {
  Outcome o;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &sa, 0)) return o;
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write;
  si.hStdError = write;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::string cmd = "\"" + program + "\" " + args;
  PROCESS_INFORMATION pi = {};
  o.started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(write);
  if (o.started) {
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(read, buf, sizeof(buf), &n, nullptr) && n > 0) o.out.append(buf, n);
    WaitForSingleObject(pi.hProcess, 60000);
    GetExitCodeProcess(pi.hProcess, &o.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(read);
  return o;
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

// Console output may come with CR LF line ends; compare in LF.
std::string Lf(std::string s) {
  for (size_t at; (at = s.find("\r\n")) != std::string::npos;) s.erase(at, 1);
  return s;
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

  const std::string delay = WriteScript("delay.vxm", "<step>\r\n\t<action>Delay</action>\r\n\t<text>10</text>\r\n</step>\r\n");
  Outcome d = RunPlumoCom("-c \"" + delay + "\" /CONSOLE");
  EXPECT_EQ(d.exitCode, 1u);
  EXPECT_NE(d.out.find("not available"), std::string::npos) << d.out;
  EXPECT_EQ(GetFileAttributesA((delay.substr(0, delay.size() - 4) + ".com").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((delay.substr(0, delay.size() - 4) + ".exe").c_str()), INVALID_FILE_ATTRIBUTES);
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

}  // namespace
}  // namespace plumo
