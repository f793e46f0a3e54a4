// Scripts compiled by Plumo.com from the real runtime library, then run as what they became: a
// Windows program, a console program, a DLL called by a host. Checks what each one did.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "fakes/wait_for.h"
#include "fakes/win32_built_program.h"
#include "fakes/win32_run_program.h"

namespace plumo {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string FileVersion(const std::string& file) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  std::string info(size, '\0');
  void* value = nullptr;
  UINT length = 0;
  if (!size || !GetFileVersionInfoA(file.c_str(), 0, size, info.data()) || !VerQueryValueA(info.data(), "\\", &value, &length))
    return "(none)";
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

bool HasResource(const std::string& file, LPCSTR type, int id) {
  HMODULE m = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return false;
  const bool found = FindResourceA(m, MAKEINTRESOURCEA(id), type) != nullptr;
  FreeLibrary(m);
  return found;
}

class CompileAndRun : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "plumo compile run";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void SetUp() override { DeleteFileA(Result().c_str()); }
  // The example's exit code is a setting: it would outlive the test in the shared registry.
  void TearDown() override { DeleteSetting("SOFTWARE\\Plumo", "DefaultReturnCode"); }
  static void DeleteSetting(const char* keyPath, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, name);
      RegCloseKey(key);
    }
  }

  static std::string Path(const std::string& name) { return folder_ + "\\" + name; }
  static std::string Result() { return Path("squares.txt"); }
  // The example sums the squares of 1 to 5 into %dir\squares.txt and exits with 7.
  static std::string Example() { return TestFilePath("squares.vxm"); }
  static std::string DirVariable() { return "%dir=" + Quoted(folder_); }

  ProgramOutcome Compile(const std::string& args) {
    ProgramOutcome o = RunProgram(Quoted(BuiltProgramPath("Plumo.com")) + " " + args);
    EXPECT_EQ(o.exitCode, 1u) << o.out;
    return o;
  }
  void ExpectTheSquaresWereSummed(const ProgramOutcome& run) {
    EXPECT_EQ(run.exitCode, 7u) << run.out;
    EXPECT_EQ(ReadAll(Result()), "Sum of squares: 55");
  }

  static std::string folder_;
};
std::string CompileAndRun::folder_;

TEST_F(CompileAndRun, AWindowsProgramWithVersionAndIcon) {
  const std::string program = Path("squares.exe");
  ProgramOutcome built = Compile("-c " + Quoted(Example()) + " -o " + Quoted(program) + " -v 2.5.1 -i " +
                                 Quoted(TestFilePath("plumo.ico")));
  EXPECT_NE(Lf(built.out).find("Successfully created [" + program + "]\n"), std::string::npos) << built.out;
  EXPECT_EQ(FileVersion(program), "2.5.1.0");
  EXPECT_TRUE(HasResource(program, RT_GROUP_ICON, 1));
  EXPECT_FALSE(HasResource(program, RT_GROUP_ICON, 1000));  // the image's own icon made way
  ExpectTheSquaresWereSummed(RunProgram(Quoted(program) + " " + DirVariable()));
}

TEST_F(CompileAndRun, AConsoleProgramPrintsItsOutput) {
  const std::string program = Path("squares.com");
  Compile("-c " + Quoted(Example()) + " -o " + Quoted(Path("squares.exe")) + " /CONSOLE -q");
  ASSERT_TRUE(Exists(program));
  const ProgramOutcome run = RunProgram(Quoted(program) + " " + DirVariable());
  ExpectTheSquaresWereSummed(run);
  EXPECT_NE(Lf(run.out).find("square of 5, total 55"), std::string::npos) << run.out;
}

// The console image without prompts or Internet still carries the workbook actions.
TEST_F(CompileAndRun, AConsoleProgramWritesAWorkbook) {
  const std::string script = Path("book.vxm");
  std::ofstream(script, std::ios::binary)
      << "<Plumo>\r\n<step><action>Create Workbook</action><text>a;b</text><value1>%dir\\built.xlsx</value1>"
         "<value2>;</value2><options>Save</options></step>\r\n"
         "<step><action>Get Cell</action><value2>A1:B1</value2><output value=\"%v\">Variable</output></step>\r\n"
         "<step><action>Close Workbook</action></step>\r\n"
         "<step><action>Write to Output</action><text>cells %v</text></step>\r\n</Plumo>";
  DeleteFileA(Path("built.xlsx").c_str());
  Compile("-c " + Quoted(script) + " -o " + Quoted(Path("book.exe")) + " /CONSOLE -q");
  const ProgramOutcome run = RunProgram(Quoted(Path("book.com")) + " " + DirVariable());
  EXPECT_NE(Lf(run.out).find("cells a,b"), std::string::npos) << run.out;
  EXPECT_EQ(ReadAll(Path("built.xlsx")).substr(0, 2), "PK");
}

// Every image carries the Files & Folders and Data actions, the lean console one too.
TEST_F(CompileAndRun, AConsoleProgramWritesAFileAndAnIniKey) {
  const std::string script = Path("files.vxm");
  std::ofstream(script, std::ios::binary)
      << "<Plumo>\r\n<step><action>Write/Create File</action><value1>%dir\\built.txt</value1>"
         "<text>one{\\r\\n}two</text><options>Erase</options></step>\r\n"
         "<step><action>Read File Line</action><value1>%dir\\built.txt</value1><value2>2</value2>"
         "<output value=\"%line\">Variable</output></step>\r\n"
         "<step><action>Write INI Data</action><value1>%dir\\built.ini</value1><value2>S</value2>"
         "<value3>k</value3><text>%line</text></step>\r\n"
         "<step><action>Write to Output</action><text>line %line</text></step>\r\n</Plumo>";
  DeleteFileA(Path("built.txt").c_str());
  DeleteFileA(Path("built.ini").c_str());
  Compile("-c " + Quoted(script) + " -o " + Quoted(Path("files.exe")) + " /CONSOLE -q");
  const ProgramOutcome run = RunProgram(Quoted(Path("files.com")) + " " + DirVariable());
  EXPECT_NE(Lf(run.out).find("line two"), std::string::npos) << run.out;
  char value[16] = "";
  GetPrivateProfileStringA("S", "k", "", value, sizeof value, Path("built.ini").c_str());
  EXPECT_STREQ(value, "two");
}

TEST_F(CompileAndRun, AnEncryptedProgramRunsButCannotBeOpened) {
  const std::string program = Path("secret.exe");
  Compile("-c " + Quoted(Example()) + " -o " + Quoted(program) + " -e -z -q -i " +
          Quoted(BuiltProgramPath("Plumo.exe")));
  ExpectTheSquaresWereSummed(RunProgram(Quoted(program) + " " + DirVariable()));
  const ProgramOutcome open = RunProgram(Quoted(BuiltProgramPath("Plumo.com")) + " -c " + Quoted(program));
  EXPECT_EQ(open.exitCode, 0u);
  EXPECT_EQ(Lf(open.out), "Unable to read \"" + program + "\"\n");
}

TEST_F(CompileAndRun, ADllRunsWhenItsHostCallsRunScript) {
  const std::string dll = Path("squares.dll");
  ProgramOutcome built = Compile("-c " + Quoted(Example()) + " -o " + Quoted(dll) + " /DLL");
  EXPECT_NE(Lf(built.out).find("RunScript ( 1, \"text\" )"), std::string::npos) << built.out;
  ExpectTheSquaresWereSummed(
      RunProgram(Quoted(TestFilePath("run_script_host.exe")) + " " + Quoted(dll) + " 1 \"%dir=\\\"" + folder_ + "\\\"\""));
}

// A Script calls a compiled DLL's RunScript through Call DLL Function: the data string's
// variable arrives and the DLL's exit code becomes the Step's result.
TEST_F(CompileAndRun, AScriptCallsRunScriptOfACompiledDll) {
  const std::string inner = Path("answer.vxm");
  std::ofstream(inner, std::ios::binary)
      << "<Plumo>\r\n<step><action>Exit Run</action><text>%v</text></step>\r\n</Plumo>";
  Compile("-c " + Quoted(inner) + " -o " + Quoted(Path("answer.dll")) + " /DLL -q");
  const std::string outer = Path("host.vxm");
  std::ofstream(outer, std::ios::binary)
      << "<Plumo>\r\n<step><action>Call DLL Function</action><text>RunScript( 1, \"%v=42\" )</text><value1>"
      << Path("answer.dll") << "</value1><output value=\"%code\">Variable</output></step>\r\n"
      << "<step><action>Exit Run</action><text>%code</text></step>\r\n</Plumo>";
  const ProgramOutcome run = RunProgram(Quoted(BuiltProgramPath("Plumo.exe")) + " -r " + Quoted(outer));
  EXPECT_EQ(run.exitCode, 42u) << run.out;
}

// A Script with an Internet Step gets an image that carries the Internet actions.
TEST_F(CompileAndRun, AConsoleProgramCarriesTheInternetActions) {
  const std::string script = Path("link.vxm");
  std::ofstream(script, std::ios::binary)
      << "<Plumo>\r\n<step><action>IF Internet</action><text>http://127.0.0.1:1/</text><options>Link,NOT</options></step>\r\n"
         "<step><action>Write to Output</action><text>no answer from port 1, status [{http_status}]</text></step>\r\n"
         "<step><action>END IF</action></step>\r\n</Plumo>";
  Compile("-c " + Quoted(script) + " -o " + Quoted(Path("link.exe")) + " /CONSOLE -q");
  const ProgramOutcome run = RunProgram(Quoted(Path("link.com")));
  EXPECT_NE(Lf(run.out).find("no answer from port 1, status []"), std::string::npos) << run.out;
}

TEST_F(CompileAndRun, ASecondCopyOfASingleInstanceProgramEndsAtOnce) {
  const std::string script = Path("slow.vxm");
  std::ofstream(script, std::ios::binary)
      << "<Plumo>\r\n<step>\r\n\t<action>Delay</action>\r\n\t<timeout>30</timeout>\r\n</step>\r\n</Plumo>";
  const std::string program = Path("slow.exe");
  Compile("-c " + Quoted(script) + " -s -q");
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION first = {};
  std::string cmd = Quoted(program);
  ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &first));
  // The first copy holds the mutex named after its path once it has started.
  std::string mutexName = program;
  for (char& c : mutexName)
    if (c == '\\') c = '_';
  EXPECT_TRUE(WaitFor(
      [&] {
        HANDLE m = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutexName.c_str());
        if (m) CloseHandle(m);
        return m != nullptr;
      },
      20000));
  const ProgramOutcome second = RunProgram(Quoted(program), 20000);
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_EQ(WaitForSingleObject(first.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first copy runs on";
  TerminateProcess(first.hProcess, 0);
  WaitForSingleObject(first.hProcess, 5000);
  CloseHandle(first.hThread);
  CloseHandle(first.hProcess);
}

// A built program runs a called Script itself, with "-r": the callee beside it starts at its
// label with the variable given, and its exit code comes back; a missing one gives 2 at once.
TEST_F(CompileAndRun, ABuiltProgramCallsAScriptBesideIt) {
  std::ofstream(Path("callee.vxm"), std::ios::binary)
      << "<Plumo>\r\n<step><action>Exit Run</action><text>99</text></step>\r\n"
         "<step><action>Comment</action><text>Greet</text></step>\r\n"
         "<step><action>Exit Run</action><text>%answer%answer</text></step>\r\n</Plumo>";
  const std::string script = Path("caller.vxm");
  std::ofstream(script, std::ios::binary)
      << "<Plumo>\r\n<step><action>Call Script</action><text>callee.vxm \"%answer=5\"</text><value1>Greet</value1>"
         "<output value=\"%code\">Variable</output></step>\r\n"
         "<step><action>Call Script</action><text>missing.vxm</text><output value=\"%missing\">Variable</output>"
         "</step>\r\n<step><action>Exit Run</action><text>%code%missing</text></step>\r\n</Plumo>";
  for (const char* platform : {"/CONSOLE", "/WIN32"}) {
    const bool console = platform[1] == 'C';
    // User variables persist, and a defined one would be expanded in the caller's text.
    DeleteSetting("SOFTWARE\\Plumo\\UserVariables", "answer");
    Compile("-c " + Quoted(script) + " -o " + Quoted(Path("caller.exe")) + " " + platform + " -q");
    const std::string program = Path(console ? "caller.com" : "caller.exe");
    const ProgramOutcome run = RunProgram(Quoted(program) + " -L");
    EXPECT_EQ(run.exitCode, 552u) << platform << "\n" << run.out;  // "5" arrived whole
    if (console) {
      EXPECT_NE(Lf(run.out).find("Translated run buffer: [\"" + program + "\" -r \"" + Path("callee.vxm") + "\""),
                std::string::npos)
          << run.out;
    }
  }
}

}  // namespace
}  // namespace plumo
