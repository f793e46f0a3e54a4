// Built programs as processes: each test makes a program by hand the way the builder does
// (an image out of PlumoRes.DLL, unpacked, the DOS header put back, the Script added as
// resource 9002 or appended scrambled) and checks what running it did.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "compiler/program_image.h"
#include "fakes/fake_files.h"
#include "fakes/wait_for.h"
#include "fakes/win32_built_program.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_resources.h"
#include "scripts/packed.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

std::string TestFolder() { return TestFilePath(""); }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The runtime image as the builder gets it: unpacked, with the standard DOS header in front.
std::string RuntimeImage(int id) {
  std::string stored;
  const OsError e = Win32Resources().ReadData(BuiltProgramPath("PlumoRes.DLL"), static_cast<uint32_t>(id), &stored);
  EXPECT_TRUE(e.ok()) << id << ": " << e.ToString();
  std::optional<std::string> image = Unpack(stored);
  if (!image) return std::string();
  EXPECT_TRUE(PutDosHeader(*image));
  return *image;
}

enum class Form { kResource, kTrailer };

// Writes a program of that image holding the Script; empty on failure.
std::string BuildProgram(int id, const std::string& name, const std::string& scriptText, Form form,
                         bool singleInstance = false) {
  std::string image = RuntimeImage(id);
  if (image.empty()) return std::string();
  if (singleInstance && !MarkOptionBlock(image, true, id)) return std::string();
  std::string packed = Pack(scriptText).value();
  const std::string path = TestFolder() + name;
  if (form == Form::kTrailer) {
    const uint32_t length = static_cast<uint32_t>(packed.size());
    Scramble(packed);
    image += packed;
    for (int i = 0; i < 4; ++i) image.push_back(static_cast<char>((length >> (8 * i)) & 0xFF));
  }
  WriteAll(path, image);
  if (form == Form::kResource) {
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update) return std::string();
    UpdateResourceA(update, MAKEINTRESOURCEA(10), MAKEINTRESOURCEA(9002), 0x400, packed.data(),
                    static_cast<DWORD>(packed.size()));
    if (!EndUpdateResourceA(update, FALSE)) return std::string();
  }
  return path;
}

// A process with its standard output in a file.
class Process {
 public:
  Process(const std::string& exe, const std::string& args)
      : outPath_(TestFolder() + "runtime_test_out" + std::to_string(++count_) + ".txt") {
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    out_ = CreateFileA(outPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    std::string cmd = "\"" + exe + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out_;
    si.hStdError = out_;
    started_ = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi_);
  }
  ~Process() {
    if (started_) {
      if (!Exited(0)) TerminateProcess(pi_.hProcess, 99);
      CloseHandle(pi_.hThread);
      CloseHandle(pi_.hProcess);
    }
    CloseOutput();
    DeleteFileA(outPath_.c_str());
  }
  bool started() const { return started_; }
  bool Exited(DWORD ms) { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
  DWORD ExitCode() {
    DWORD code = 12345;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  // Ends the run and gives its exit code; 12345 when it did not end in time.
  DWORD Finish() { return started_ && Exited(30000) ? ExitCode() : 12345; }
  // What the process wrote, once it has ended.
  std::string Output() {
    CloseOutput();
    return ReadAll(outPath_);
  }

 private:
  void CloseOutput() {
    if (out_ != INVALID_HANDLE_VALUE) CloseHandle(out_);
    out_ = INVALID_HANDLE_VALUE;
  }

  static inline int count_ = 0;
  std::string outPath_;
  HANDLE out_ = INVALID_HANDLE_VALUE;
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
};

std::string Step(const std::string& action, const std::string& fields = "") {
  return "<step>\r\n\t<action>" + action + "</action>\r\n" + fields + "</step>\r\n";
}
std::string Field(const std::string& name, const std::string& value) {
  return "\t<" + name + ">" + value + "</" + name + ">\r\n";
}
std::string Into(const std::string& kind, const std::string& value) {
  return "\t<output value=\"" + value + "\">" + kind + "</output>\r\n";
}
std::string ScriptOf(const std::string& steps) { return "<Plumo>\r\n" + steps + "</Plumo>"; }

// A variable given on the command line, a loop, a file written, an Output line, an exit code.
std::string LoopScript(const std::string& resultFile) {
  return ScriptOf(Step("Set Variable", Field("text", "%greeting") + Into("Variable", "%acc")) +
                  Step("Start 'For' Loop", Field("text", "3") + Field("value1", "1") + Field("value2", "1") +
                                               Into("Variable", "%i")) +
                  Step("Set Variable", Field("text", "%acc %i") + Into("Variable", "%acc")) +
                  Step("NEXT LOOP") +
                  Step("Set Variable", Field("text", "%acc") + Into("File", resultFile)) +
                  Step("Write to Output", Field("text", "OUT: %acc")) + Step("Exit Run", Field("text", "7")));
}

class RuntimeTest : public testing::Test {
 protected:
  void TearDown() override {
    store_.Delete("*\\DefaultReturnCode");
    // User variables outlive a run: the ones these Scripts set go, so other tests start clean.
    for (const char* name : {"greeting", "x", "acc", "i"}) store_.Delete("SOFTWARE\\Plumo\\UserVariables\\%s", {name});
    for (const std::string& f : made_) DeleteFileA(f.c_str());
  }
  std::string Made(std::string path) {
    made_.push_back(path);
    return path;
  }

  Win32Registry reg_;
  Win32Environment env_;
  FakeFiles files_;
  SettingsStore store_{reg_, env_, files_};
  std::vector<std::string> made_;
};

TEST_F(RuntimeTest, TheLibraryHoldsEveryImageOfItsKindWithTheHeaderWhereTheBuilderPutsIt) {
  const struct {
    int id;
    WORD subsystem;
    bool dll;
  } images[] = {{1002, 2, false}, {1003, 2, false}, {1004, 2, false}, {1005, 2, false}, {1006, 0, true},
                {1007, 0, true},  {1008, 0, true},  {1009, 3, false}, {1010, 3, false}};  // 0: any
  for (const auto& want : images) {
    SCOPED_TRACE(want.id);
    const std::string image = RuntimeImage(want.id);
    ASSERT_GT(image.size(), 1024u);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    ASSERT_EQ(dos->e_lfanew, 128);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    EXPECT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    if (want.subsystem) {
      EXPECT_EQ(nt->OptionalHeader.Subsystem, want.subsystem);
    }
    EXPECT_EQ((nt->FileHeader.Characteristics & IMAGE_FILE_DLL) != 0, want.dll);
    EXPECT_NE(image.find("~BUFFER~"), std::string::npos);
  }
}

TEST_F(RuntimeTest, AWindowsProgramRunsItsScriptFromTheResourceAndTheTrailer) {
  for (Form form : {Form::kResource, Form::kTrailer}) {
    SCOPED_TRACE(form == Form::kResource ? "resource" : "trailer");
    const std::string result = Made(TestFolder() + "runtime_result.txt");
    DeleteFileA(result.c_str());
    const std::string exe = Made(BuildProgram(1002, "runtime_gui.exe", LoopScript(result), form));
    ASSERT_FALSE(exe.empty());
    Process run(exe, "%greeting=hello");
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.Finish(), 7u);
    EXPECT_EQ(ReadAll(result), "hello 1 2 3");
  }
}

TEST_F(RuntimeTest, AConsoleProgramPrintsItsOutputLinesAndStartsWhereAsked) {
  const std::string result = Made(TestFolder() + "runtime_console_result.txt");
  const std::string exe = Made(BuildProgram(1009, "runtime_console.exe", LoopScript(result), Form::kResource));
  ASSERT_FALSE(exe.empty());
  {
    Process run(exe, "%greeting=\"hi there\"");
    EXPECT_EQ(run.Finish(), 7u);
    EXPECT_NE(run.Output().find("OUT: hi there 1 2 3"), std::string::npos) << run.Output();
  }
  const std::string steps = Made(BuildProgram(
      1010, "runtime_steps.exe",
      ScriptOf(Step("Write to Output", Field("text", "OUT: one")) + Step("Write to Output", Field("text", "OUT: two")) +
               Step("Write to Output", Field("text", "OUT: three"))),
      Form::kTrailer));
  ASSERT_FALSE(steps.empty());
  store_.Delete("*\\DefaultReturnCode");  // the first program's Exit Run left 7
  Process run(steps, "-s 2");
  EXPECT_EQ(run.Finish(), 0u);
  const std::string out = run.Output();
  EXPECT_EQ(out.find("OUT: one"), std::string::npos) << out;
  EXPECT_NE(out.find("OUT: two"), std::string::npos) << out;
  EXPECT_NE(out.find("OUT: three"), std::string::npos) << out;
}

TEST_F(RuntimeTest, ASingleInstanceProgramRefusesASecondCopy) {
  const std::string exe = Made(BuildProgram(
      1002, "runtime_single.exe", ScriptOf(Step("Delay", Field("timeout", "4")) + Step("Exit Run", Field("text", "3"))),
      Form::kResource, true));
  ASSERT_FALSE(exe.empty());
  std::string mutexName = exe;
  for (char& c : mutexName)
    if (c == '\\') c = '_';
  Process first(exe, "");
  ASSERT_TRUE(WaitFor([&] {
    HANDLE m = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutexName.c_str());
    if (m) CloseHandle(m);
    return m != nullptr;
  }, 20000));
  Process second(exe, "");
  ASSERT_TRUE(second.Exited(10000));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_FALSE(first.Exited(0));
  EXPECT_EQ(first.Finish(), 3u);
}

TEST_F(RuntimeTest, ADllRunsItsScriptWhenItsHostCallsRunScript) {
  const std::string result = Made(TestFolder() + "runtime_dll_result.txt");
  DeleteFileA(result.c_str());
  const std::string dll = Made(BuildProgram(
      1006, "runtime_script.dll",
      ScriptOf(Step("Set Variable", Field("text", "skipped") + Into("File", result)) +
               Step("Set Variable", Field("text", "=%x*2") + Into("File", result)) + Step("Exit Run", Field("text", "4"))),
      Form::kResource));
  ASSERT_FALSE(dll.empty());
  Process host(TestFolder() + "run_script_host.exe", "\"" + dll + "\" 2 \"%x=21\"");
  ASSERT_TRUE(host.started());
  EXPECT_EQ(host.Finish(), 4u) << host.Output();
  EXPECT_EQ(ReadAll(result), "42");

  // A host may call again: each call is a whole run of its own.
  DeleteFileA(result.c_str());
  Process twice(TestFolder() + "run_script_host.exe", "\"" + dll + "\" 2 \"%x=5\" 2");
  EXPECT_EQ(twice.Finish(), 4u) << twice.Output();
  EXPECT_EQ(ReadAll(result), "10");
}

TEST_F(RuntimeTest, TheIniBesideTheProgramMovesItsSettings) {
  const std::string exe = Made(BuildProgram(1009, "runtime_ini.exe",
                                            ScriptOf(Step("Exit Run", Field("text", "6"))), Form::kResource));
  ASSERT_FALSE(exe.empty());
  const std::string ini = Made(TestFolder() + "runtime_ini.INI");
  WriteAll(ini, "[Plumo Studio]\r\nUserRegistryKey=PlumoRuntimeTest\r\n");
  Process run(exe, "%moved=yes");
  EXPECT_EQ(run.Finish(), 6u);
  // The defaults went to the moved key; the run's own code stayed with the run.
  EXPECT_NE(store_.Probe("SOFTWARE\\PlumoRuntimeTest\\DefaultReturnCode"), 0u);
  EXPECT_EQ(store_.ReadNumber("SOFTWARE\\PlumoRuntimeTest\\DefaultReturnCode"), 0);
  EXPECT_EQ(store_.Probe("SOFTWARE\\Plumo\\UserVariables\\moved"), 0u);
  EXPECT_EQ(store_.ReadText("SOFTWARE\\PlumoRuntimeTest\\UserVariables\\moved", 64), "yes");
  store_.Delete("SOFTWARE\\PlumoRuntimeTest\\DefaultReturnCode");
  store_.Delete("SOFTWARE\\PlumoRuntimeTest\\UserVariables\\moved");
}

}  // namespace
}  // namespace plumo
